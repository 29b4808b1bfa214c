// The shared scanner: every occurrence in both resume modes, across the switch
// from comparing to the automaton, and in linear time on adversarial input.

#include "text/search.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using text::Resume;

std::vector<std::size_t> All(std::string_view haystack, std::string_view pattern, Resume resume) {
  std::vector<std::size_t> found;
  text::Occurrences scan(haystack, pattern, resume);
  std::size_t at;
  while (scan.Next(at)) found.push_back(at);
  return found;
}

TEST(OccurrencesTest, FindsEveryOccurrenceInBothModes) {
  struct Case {
    std::string text;
    std::string pattern;
    std::vector<std::size_t> overlapping;
    std::vector<std::size_t> afterMatch;
  };
  const std::vector<Case> cases = {
      {"aaaa", "aa", {0, 1, 2}, {0, 2}},
      {"abab", "ab", {0, 2}, {0, 2}},
      {"ababa", "aba", {0, 2}, {0}},
      {"abcabc", "c", {2, 5}, {2, 5}},
      {"abc", "abcd", {}, {}},
      {"abc", "", {}, {}},
      {"", "a", {}, {}},
      {std::string("x\0y\0y", 5), std::string("\0y", 2), {1, 3}, {1, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.pattern);
    EXPECT_EQ(All(c.text, c.pattern, Resume::kOverlapping), c.overlapping);
    EXPECT_EQ(All(c.text, c.pattern, Resume::kAfterMatch), c.afterMatch);
  }
}

TEST(OccurrencesTest, StaysExactAfterSwitchingToTheAutomaton) {
  // 5000 near-misses make comparing expensive enough to switch; the occurrences
  // around and after the switch must all still be found.
  const std::string pattern = std::string(20, 'a') + "b";
  std::string haystack;
  std::vector<std::size_t> expected;
  for (int i = 0; i < 5000; ++i) {
    haystack += std::string(20, 'a') + "c";
    if (i % 250 == 0) {
      expected.push_back(haystack.size());
      haystack += pattern;
    }
  }
  EXPECT_EQ(All(haystack, pattern, Resume::kAfterMatch), expected);
  EXPECT_EQ(All(haystack, pattern, Resume::kOverlapping), expected);
}

TEST(OccurrencesTest, CountsSelfOverlappingRunsAcrossTheSwitch) {
  const std::string run(10000, 'a');
  EXPECT_EQ(All(run, std::string(100, 'a'), Resume::kOverlapping).size(), 9901u);
  EXPECT_EQ(All(run, std::string(100, 'a'), Resume::kAfterMatch).size(), 100u);
}

TEST(OccurrencesTest, ResumesFromAGivenOffset) {
  text::Occurrences scan("abcabc", "abc", Resume::kOverlapping, 1);
  std::size_t at = 0;
  ASSERT_TRUE(scan.Next(at));
  EXPECT_EQ(at, 3u);
  EXPECT_FALSE(scan.Next(at));
}

TEST(FindFromTest, GivesNposPastTheEnd) {
  EXPECT_EQ(text::FindFrom("abc", "c", 2), 2u);
  EXPECT_EQ(text::FindFrom("abc", "c", 3), std::string_view::npos);
  EXPECT_EQ(text::FindFrom("abc", "c", 99), std::string_view::npos);
}

// A quadratic search needs about 16 G comparisons here and runs for many
// seconds; a linear one finishes in milliseconds, so the bound is generous.
TEST(OccurrencesTest, IsLinearOnAdversarialInput) {
  const std::string haystack(16u << 20, 'a');
  const std::string nearMiss = std::string(999, 'a') + "b";
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(text::Search(haystack, nearMiss, 1), 0);
  EXPECT_EQ(All(haystack, std::string(999, 'a'), Resume::kOverlapping).size(), haystack.size() - 998);
  const auto elapsed = std::chrono::steady_clock::now() - begin;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 3000);
}

}  // namespace
