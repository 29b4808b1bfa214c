// Deleting, inserting, overwriting, replacing and reversing: the edge results,
// positions and counts at the 32-bit extremes (exact sums, never wrapped), and
// zero bytes carried like any other byte.

#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "support/allocation_limit.h"

namespace {

using namespace std::string_literals;

TEST(DeleteSpanTest, JoinsTheLeftPartAndTheRest) {
  struct Case {
    int position;
    int count;
    std::string result;
  };
  const Case cases[] = {
      {3, 2, "abef"},
      {1, 0, "abcdef"},
      {5, 10, "abcd"},
      {7, 1, "abcdef"},
      {3, -1, "abbcdef"},  // the pieces overlap
      {0, 2, "bcdef"},
      {0, 0, ""},
      {1, 6, ""},
      {4, -5, "abc"},  // position + count below 1: the left part alone
      {INT_MIN, 5, ""},
      {INT_MIN, INT_MAX, ""},
      {INT_MIN, INT_MIN, ""},
      {INT_MAX, INT_MAX, "abcdef"},
      {INT_MAX, INT_MIN, "abcdef"},
      {2, INT_MAX, "a"},
      {2, INT_MIN, "a"},
      {7, INT_MIN, "abcdef"},
      {INT_MAX, -(INT_MAX - 1), "abcdefabcdef"},  // the sum is exactly 1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("position " + std::to_string(c.position) + ", count " + std::to_string(c.count));
    EXPECT_EQ(toolkit::DeleteSpan("abcdef", c.position, c.count), c.result);
  }
  EXPECT_EQ(toolkit::DeleteSpan("a\0b\0c"s, 2, 2), "a\0c"s);
}

TEST(InsertTextTest, PlacesTheInsertionBeforeThePosition) {
  struct Case {
    std::string text;
    int position;
    std::string result;
  };
  const Case cases[] = {
      {"abc", 2, "aXbc"},      {"abc", 1, "Xabc"}, {"abc", 4, "abcX"},   {"abc", 10, "abcX"},
      {"abc", 0, "X"},         {"abc", -1, "X"},   {"abc", INT_MIN, "X"}, {"abc", INT_MAX, "abcX"},
      {"", 1, "X"},            {"", 0, "X"},       {"a\0b"s, 3, "a\0Xb"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\" at " + std::to_string(c.position));
    EXPECT_EQ(toolkit::InsertText(c.text, "X", c.position), c.result);
  }
  EXPECT_EQ(toolkit::InsertText("abc", "", 2), "abc");
}

TEST(OverwriteTextTest, ChangesTheCallersTextAndReturnsTheSameBytes) {
  struct Case {
    std::string source;
    int position;
    std::string result;
  };
  const Case cases[] = {
      {"XY", 2, "aXYdef"},     {"XYZ", 5, "abcdXY"}, {"XY", 6, "abcdeX"},      {"XY", 0, "abcdef"},
      {"XY", 7, "abcdef"},     {"", 3, "abcdef"},    {"XY", INT_MIN, "abcdef"}, {"XY", INT_MAX, "abcdef"},
      {"\0\0"s, 1, "\0\0cdef"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.source + "\" at " + std::to_string(c.position));
    std::string text = "abcdef";
    EXPECT_EQ(toolkit::OverwriteText(text, c.source, c.position), c.result);
    EXPECT_EQ(text, c.result);
  }
  std::string empty;
  EXPECT_EQ(toolkit::OverwriteText(empty, "XY", 1), "");
  EXPECT_EQ(empty, "");
}

TEST(ReplaceAllTest, ReplacesNonOverlappingOccurrencesOnce) {
  struct Case {
    std::string text;
    std::string pattern;
    std::string replacement;
    std::string result;
  };
  const Case cases[] = {
      {"a.b.c", ".", "/", "a/b/c"},
      {"abcabc", "bc", "", "aa"},
      {"ab", "b", "xyz", "axyz"},
      {"abc", "abc", "", ""},
      {"aaa", "aa", "b", "ba"},            // the overlapping second occurrence stays
      {"x\\\\\\y", "\\\\", "\\", "x\\\\y"},  // three backslashes keep two
      {"abc", "x", "y", "abc"},
      {"abc", "", "y", "abc"},
      {"ab", "abc", "y", "ab"},
      {"", "a", "y", ""},
      {"aXa", "a", "aa", "aaXaa"},  // the replacement is not searched again
      {"..", ".", "<->", "<-><->"},
      {"a\0b\0c"s, "\0"s, "--", "a--b--c"},
      {"a-b", "-", "\0"s, "a\0b"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.pattern + "\" by \"" + c.replacement + "\" in \"" + c.text + "\"");
    EXPECT_EQ(toolkit::ReplaceAll(c.text, c.pattern, c.replacement), c.result);
  }
}

// Far more occurrences than the counting scan remembers, and replacements both
// shorter and longer than the pieces that are copied whole.
TEST(ReplaceAllTest, GrowsAndShrinksLongTextsToTheExactLength) {
  std::string text;
  std::string grown;
  std::string longer;
  std::string digits;
  for (int i = 0; i < 100000; ++i) {
    const std::string number = std::to_string(i);
    digits += number;
    text += number + ",";
    grown += number + "<>";
    longer += number + "<0123456789abcdef>";
  }
  EXPECT_EQ(toolkit::ReplaceAll(text, ",", "<>"), grown);
  EXPECT_EQ(toolkit::ReplaceAll(text, ",", "<0123456789abcdef>"), longer);
  EXPECT_EQ(toolkit::ReplaceAll(grown, "<>", ","), text);
  EXPECT_EQ(toolkit::ReplaceAll(grown, "<>", ""), digits);
  EXPECT_EQ(toolkit::ReplaceAll(std::string(100000, ','), ",", ""), "");
}

TEST(ReverseTextTest, ReversesEveryByte) {
  struct Case {
    std::string text;
    std::string result;
  };
  const Case cases[] = {{"abc", "cba"}, {"a", "a"}, {"", ""}, {"ab\0"s, "\0ba"s}, {"\xff\x01"s, "\x01\xff"s}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(toolkit::ReverseText(c.text), c.result);
  }
}

// Memory that cannot be had gives the empty text instead of an exception.
TEST(EditExhaustionTest, GivesTheEmptyText) {
  const std::string text(4096, ',');
  const std::string x = "X";
  const std::string comma = ",";
  const std::string semicolons = ";;";
  std::string overwritten = text;
  test_support::FailAllocationsAbove(1024);
  const std::string deleted = toolkit::DeleteSpan(text, 1, 1);
  const std::string inserted = toolkit::InsertText(text, x, 5);
  const std::string replaced = toolkit::ReplaceAll(text, comma, semicolons);
  const std::string reversed = toolkit::ReverseText(text);
  const std::string overwriteResult = toolkit::OverwriteText(overwritten, x, 1);
  test_support::FailAllocationsAbove(0);
  EXPECT_EQ(deleted, "");
  EXPECT_EQ(inserted, "");
  EXPECT_EQ(replaced, "");
  EXPECT_EQ(reversed, "");
  EXPECT_EQ(overwriteResult, "");
  EXPECT_EQ(overwritten, "X" + std::string(4095, ','));  // changed in place before the copy failed
}

}  // namespace
