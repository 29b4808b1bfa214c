// Splitting, counting, fields and the last position: the edge results, zero
// bytes, 32-bit extremes of field numbers and limits, and linear time on a
// self-overlapping pattern.

#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "support/allocation_limit.h"
#include "text/search.h"

namespace {

using namespace std::string_literals;
using toolkit::StringArray;

TEST(SplitTextTest, KeepsEveryFieldAndCountsTheDelimiters) {
  struct Case {
    std::string text;
    std::string delimiter;
    int count;
    StringArray parts;
  };
  const Case cases[] = {
      {"a,b,,c", ",", 3, {"a", "b", "", "c"}},
      {",a,", ",", 2, {"", "a", ""}},
      {"a::b", "::", 1, {"a", "b"}},
      {"ab:", "::", 0, {"ab:"}},
      {"a:::b", "::", 1, {"a", ":b"}},  // the scan resumes after a delimiter
      {"", ",", 0, {""}},
      {"abc", "", 0, {"abc"}},
      {"ab", "abc", 0, {"ab"}},
      {"::", "::", 1, {"", ""}},
      {",,,", ",", 3, {"", "", "", ""}},
      // Zero bytes are dropped from the fields but still match a delimiter.
      {"a,x\0y,b"s, ",", 2, {"a", "xy", "b"}},
      {"\0\0"s, ",", 0, {""}},
      {"a\0b\0"s, "\0"s, 2, {"a", "b", ""}},
      {"\0a\0b"s, "", 0, {"ab"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\" by \"" + c.delimiter + "\"");
    StringArray parts;
    EXPECT_EQ(toolkit::SplitText(c.text, c.delimiter, parts), c.count);
    EXPECT_EQ(parts, c.parts);
  }
}

TEST(SplitTextTest, ReleasesWhatTheArrayHeldBefore) {
  StringArray parts = {"old", "older", "oldest", "ancient"};
  EXPECT_EQ(toolkit::SplitText("x;y", ";", parts), 1);
  EXPECT_EQ(parts, (StringArray{"x", "y"}));
  EXPECT_EQ(toolkit::SplitText("", ";", parts), 0);
  EXPECT_EQ(parts, (StringArray{""}));
}

TEST(SplitTextTest, ManyFieldsKeepTheirOrderAndTheUpperBoundIsTheCount) {
  std::string joined;
  for (int i = 0; i < 10000; ++i) joined += std::to_string(i) + "<>";
  StringArray parts;
  ASSERT_EQ(toolkit::SplitText(joined, "<>", parts), 10000);
  ASSERT_EQ(parts.size(), 10001u);
  EXPECT_EQ(parts[0], "0");
  EXPECT_EQ(parts[4711], "4711");
  EXPECT_EQ(parts[9999], "9999");
  EXPECT_EQ(parts[10000], "");
}

TEST(CountOccurrencesTest, CountsOverlappingOccurrences) {
  struct Case {
    std::string text;
    std::string pattern;
    int count;
  };
  const Case cases[] = {
      {"aaaa", "aa", 3}, {"abab", "ab", 2}, {"ababa", "aba", 2}, {"", "a", 0},  {"abc", "", 0},
      {"ab", "abc", 0},  {"abc", "abc", 1}, {"a\0a\0a"s, "a\0a"s, 2},          {"\0\0\0"s, "\0"s, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.pattern + "\" in \"" + c.text + "\"");
    EXPECT_EQ(toolkit::CountOccurrences(c.text, c.pattern), c.count);
  }
}

TEST(FieldAtTest, PicksTheNumberedFieldWithTheEdgeRules) {
  struct Case {
    std::string text;
    std::string delimiter;
    int fieldNumber;
    std::string field;
  };
  const Case cases[] = {
      {"a,b,c", ",", 1, "a"},
      {"a,b,c", ",", 2, "b"},
      {"a,b,c", ",", 3, "c"},
      {"a,b,c", ",", 4, "c"},
      {"a,b,c", ",", INT_MAX, "c"},
      {"a,b,c", ",", 0, "b"},  // below 1: the field before the last delimiter
      {"a,b,c", ",", -5, "b"},
      {"a,b,c", ",", INT_MIN, "b"},
      {"abc", ",", 1, "abc"},
      {"abc", ",", 0, ""},
      {"abc", ",", INT_MIN, ""},
      {"a,b,", ",", 3, ""},
      {"a,b,", ",", 2, "b"},
      {"abc", "", 1, "abc"},
      {"abc", "", 7, "abc"},
      {",", ",", 1, ""},
      {",", ",", 2, ""},
      {",", ",", 0, ""},
      {"a::::b", "::", 2, ""},
      {"a::::b", "::", 3, "b"},
      {"", ",", 1, ""},
      {"a,x\0y,b"s, ",", 2, "x\0y"s},  // fields keep their zero bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("field " + std::to_string(c.fieldNumber) + " of \"" + c.text + "\" by \"" + c.delimiter + "\"");
    EXPECT_EQ(toolkit::FieldAt(c.text, c.delimiter, c.fieldNumber), c.field);
  }
}

TEST(LastPositionTest, FindsTheLastOccurrenceWithinTheLimit) {
  struct Case {
    int limit;
    std::string text;
    std::string pattern;
    int position;
    int limitAfter;
  };
  const Case cases[] = {
      {-1, "a\\b\\c", "\\", 4, 5},
      {3, "a\\b\\c", "\\", 2, 3},
      {0, "a\\b\\c", "\\", 0, 0},
      {-2, "a\\b\\c", "\\", 4, -2},
      {INT_MIN, "a\\b\\c", "\\", 4, INT_MIN},
      {INT_MAX, "a\\b\\c", "\\", 4, INT_MAX},
      {4, "a\\b\\c", "\\", 4, 4},
      {-1, "aaa", "aa", 2, 3},
      {2, "aaa", "aa", 1, 2},
      {1, "aaa", "aa", 0, 1},
      {-1, "abc", "", 0, 3},
      {-1, "", "a", 0, 0},
      {-1, "abc", "x", 0, 3},
      {-1, "x\0y\0"s, "\0"s, 4, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.pattern + "\" in \"" + c.text + "\", limit " + std::to_string(c.limit));
    int limit = c.limit;
    EXPECT_EQ(toolkit::LastPosition(limit, c.text, c.pattern), c.position);
    EXPECT_EQ(limit, c.limitAfter);
  }
}

// A search that started afresh after each occurrence would compare about 1000
// bytes per occurrence here (16 G comparisons); one scan per call stays linear.
TEST(LastPositionTest, StaysLinearOnASelfOverlappingPattern) {
  const std::string run(16u << 20, 'a');
  const std::string pattern(1000, 'a');
  const int occurrences = static_cast<int>(run.size() - pattern.size()) + 1;
  const std::size_t before = text::Occurrences::ComparisonsOfFinishedScans();
  int limit = -1;
  EXPECT_EQ(toolkit::LastPosition(limit, run, pattern), occurrences);
  EXPECT_EQ(toolkit::CountOccurrences(run, pattern), occurrences);
  const std::size_t compared = text::Occurrences::ComparisonsOfFinishedScans() - before;
  EXPECT_LE(compared, 2 * 3 * run.size()) << compared;
}

// Memory that cannot be had gives 0 with one empty element, or the empty text.
TEST(SplitExhaustionTest, GivesZeroAndOneEmptyElement) {
  std::string fields;
  for (int i = 0; i < 200; ++i) fields += "ab,";
  const std::string longField = std::string(2048, 'x') + ",";
  const std::string comma = ",";
  StringArray parts = {"old"};
  test_support::FailAllocationsAbove(1024);
  const int count = toolkit::SplitText(fields, comma, parts);
  const std::string field = toolkit::FieldAt(longField, comma, 1);
  test_support::FailAllocationsAbove(0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(parts, (StringArray{""}));
  EXPECT_EQ(field, "");
}

}  // namespace
