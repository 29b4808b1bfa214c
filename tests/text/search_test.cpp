// The shared scanner: every occurrence in both resume modes, across the switch
// from comparing to the automaton, and in linear time on adversarial input.

#include "text/search.h"
#include "text/text.h"

#include <gtest/gtest.h>

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
  // Short patterns stay with the filter: several occurrences in each block.
  const std::string_view thousand(run.data(), 1000);
  EXPECT_EQ(All(thousand, "aa", Resume::kOverlapping).size(), 999u);
  EXPECT_EQ(All(thousand, "aa", Resume::kAfterMatch).size(), 500u);
  EXPECT_EQ(All(thousand, "aaa", Resume::kAfterMatch).size(), 333u);
  EXPECT_EQ(All(thousand, "aaa", Resume::kAfterMatch).back(), 996u);
}

// The filter looks at 16 starts at once: occurrences and near-misses (first and
// last byte right, a byte between wrong) at every offset within a block, across
// block boundaries and in the last few starts, for patterns shorter and longer
// than a block.
TEST(OccurrencesTest, FindsOccurrencesAtEveryOffsetOfABlock) {
  for (const std::size_t length : {1u, 2u, 3u, 8u, 17u, 40u}) {
    const std::string pattern = length == 1 ? "x" : "x" + std::string(length - 2, 'y') + "z";
    const std::string nearMiss = length < 3 ? "" : "x" + std::string(length - 3, 'y') + "qz";
    // `shift` moves the last occurrence through every offset of its block.
    for (std::size_t shift = 0; shift < 16; ++shift) {
      SCOPED_TRACE(pattern + " shifted by " + std::to_string(shift));
      std::string haystack;
      std::vector<std::size_t> expected;
      for (std::size_t gap = 0; gap < 40; ++gap) {
        haystack += std::string(gap % 19 + (gap == 39 ? shift : 0), '.') + nearMiss;
        expected.push_back(haystack.size());
        haystack += pattern;
      }
      EXPECT_EQ(All(haystack, pattern, Resume::kAfterMatch), expected);
      EXPECT_EQ(All(haystack, pattern, Resume::kOverlapping), expected);
      for (std::size_t extra = 1; extra <= 20; ++extra) {
        SCOPED_TRACE(extra);
        EXPECT_EQ(All(haystack + std::string(extra, '.'), pattern, Resume::kOverlapping), expected);
      }
      // Cutting into the last occurrence drops it and nothing else.
      const std::vector<std::size_t> allButLast(expected.begin(), expected.end() - 1);
      for (std::size_t cut = 1; cut <= length; ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(All(std::string_view(haystack.data(), haystack.size() - cut), pattern, Resume::kOverlapping),
                  allButLast);
      }
    }
  }
}

TEST(OccurrencesTest, CountsWhatIsLeft) {
  std::string fields;
  for (int i = 0; i < 1000; ++i) fields += i % 3 == 0 ? "a,," : "bc,";
  EXPECT_EQ(text::Occurrences(fields, ",", Resume::kAfterMatch).Count(), 1334u);
  EXPECT_EQ(text::Occurrences(fields, ",,", Resume::kOverlapping).Count(), 334u);
  EXPECT_EQ(text::Occurrences("a,b", "", Resume::kAfterMatch).Count(), 0u);
  EXPECT_EQ(text::Occurrences(",", ",", Resume::kAfterMatch).Count(), 1u);
  // After some occurrences have been taken, only the rest are counted.
  text::Occurrences scan(fields, ",", Resume::kOverlapping);
  std::size_t at = 0;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(scan.Next(at));
  EXPECT_EQ(at, 5u);
  EXPECT_EQ(scan.Count(), 1331u);
  EXPECT_FALSE(scan.Next(at));
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

// A search that starts afresh at every offset compares about 1000 bytes per
// offset on these inputs (16 G comparisons); a linear one stays within a few
// per byte of text. Counted, not timed, so a loaded machine cannot fail it.
TEST(OccurrencesTest, IsLinearOnAdversarialInput) {
  struct Case {
    const char* name;
    std::string haystack;
    std::string pattern;
    Resume resume;
    std::size_t occurrences;
  };
  const std::size_t n = 16u << 20;
  const std::vector<Case> cases = {
      {"near miss", std::string(n, 'a'), std::string(999, 'a') + "b", Resume::kOverlapping, 0},
      {"self-overlapping, every offset", std::string(n, 'a'), std::string(999, 'a'), Resume::kOverlapping, n - 998},
      {"self-overlapping, after each match", std::string(n, 'a'), std::string(999, 'a'), Resume::kAfterMatch,
       n / 999},
      {"near miss in the middle", std::string(n, 'a'), std::string(499, 'a') + "b" + std::string(500, 'a'),
       Resume::kOverlapping, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    text::Occurrences scan(c.haystack, c.pattern, c.resume);
    std::size_t found = 0;
    std::size_t at;
    while (scan.Next(at)) ++found;
    EXPECT_EQ(found, c.occurrences);
    EXPECT_LE(scan.Comparisons(), 3 * c.haystack.size()) << scan.Comparisons();
  }
  EXPECT_EQ(text::Search(cases[0].haystack, cases[0].pattern, 1), 0);
}

}  // namespace
