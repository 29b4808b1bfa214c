// The cutting rules at their edges: empty texts, zero bytes, and positions and
// counts at the 32-bit extremes.

#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using namespace std::string_literals;

struct CutCase {
  std::string text;
  int argument;
  std::string expected;
};

TEST(LeftPartTest, TakesTheFirstBytesWithinTheText) {
  const CutCase cases[] = {
      {"abcdef", 2, "ab"},   {"abcdef", 6, "abcdef"}, {"abcdef", 7, "abcdef"}, {"abcdef", 0, ""},
      {"abcdef", -1, ""},    {"abc", INT_MAX, "abc"}, {"abc", INT_MIN, ""},    {"", 3, ""},
      {"a\0b"s, 2, "a\0"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + std::to_string(c.argument));
    EXPECT_EQ(text::LeftPart(c.text, c.argument), c.expected);
  }
}

TEST(RightPartTest, TakesTheLastBytesWithinTheText) {
  const CutCase cases[] = {
      {"abcdef", 2, "ef"},  {"abcdef", 6, "abcdef"}, {"abcdef", 99, "abcdef"}, {"abcdef", 0, ""},
      {"abcdef", -3, ""},   {"abc", INT_MAX, "abc"}, {"abc", INT_MIN, ""},     {"", 1, ""},
      {"a\0b"s, 2, "\0b"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + std::to_string(c.argument));
    EXPECT_EQ(text::RightPart(c.text, c.argument), c.expected);
  }
}

TEST(RestFromTest, IsEmptyOutsideTheText) {
  const CutCase cases[] = {
      {"abcdef", 1, "abcdef"}, {"abcdef", 3, "cdef"}, {"abcdef", 6, "f"}, {"abcdef", 7, ""},
      {"abcdef", 0, ""},       {"abcdef", -1, ""},    {"abc", INT_MAX, ""}, {"abc", INT_MIN, ""},
      {"", 1, ""},             {"\0\0x"s, 2, "\0x"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + std::to_string(c.argument));
    EXPECT_EQ(text::RestFrom(c.text, c.argument), c.expected);
  }
}

TEST(SubstringTest, CutsALengthFromAPosition) {
  struct Case {
    std::string text;
    int position;
    int length;
    std::string expected;
  };
  const Case cases[] = {
      {"abcdef", 2, 3, "bcd"},
      {"abcdef", 1, 6, "abcdef"},
      {"abcdef", 5, 9, "ef"},         // runs past the end: the rest
      {"abcdef", 2, -1, "bcdef"},     // negative length: the rest
      {"abcdef", 2, INT_MIN, "bcdef"},
      {"abcdef", 3, INT_MAX, "cdef"},  // position + length would overflow 32 bits
      {"abcdef", INT_MAX, INT_MAX, ""},
      {"abcdef", 2, 0, ""},
      {"abcdef", 0, 3, ""},
      {"abcdef", 7, 1, ""},
      {"abcdef", INT_MIN, 5, ""},
      {"", 1, 1, ""},
      {"a\0b\0"s, 2, 2, "\0b"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + std::to_string(c.position) + " / " + std::to_string(c.length));
    EXPECT_EQ(text::Substring(c.text, c.position, c.length), c.expected);
  }
}

TEST(OverwriteInPlaceTest, NeverChangesTheLength) {
  struct Case {
    std::string text;
    std::string source;
    int position;
    std::string expected;
  };
  const Case cases[] = {
      {"abcdef", "XY", 2, "aXYdef"},
      {"abcdef", "XYZ", 5, "abcdXY"},
      {"abcdef", "XY", 6, "abcdeX"},
      {"abcdef", "XY", 1, "XYcdef"},
      {"abcdef", "XY", 0, "abcdef"},
      {"abcdef", "XY", 7, "abcdef"},
      {"abcdef", "XY", INT_MAX, "abcdef"},
      {"abcdef", "XY", INT_MIN, "abcdef"},
      {"abcdef", "", 2, "abcdef"},
      {"", "XY", 1, ""},
      {"abc", "\0\0"s, 2, "a\0\0"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.source + " / " + std::to_string(c.position));
    std::string text = c.text;
    text::OverwriteInPlace(text, c.source, c.position);
    EXPECT_EQ(text, c.expected);
  }
}

TEST(OverwriteInPlaceTest, AcceptsASourceThatOverlapsTheText) {
  std::string text = "abcdef";
  text::OverwriteInPlace(text, std::string_view(text).substr(0, 4), 3);
  EXPECT_EQ(text, "ababcd");
}

TEST(FillTest, RepeatsOneByte) {
  EXPECT_EQ(text::Fill(3, '-'), "---");
  EXPECT_EQ(text::Fill(1, '\0'), "\0"s);
  EXPECT_EQ(text::Fill(0, '-'), "");
  EXPECT_EQ(text::Fill(-1, '-'), "");
  EXPECT_EQ(text::Fill(INT_MIN, '-'), "");
}

TEST(EqualTest, ComparesLengthAndBytes) {
  EXPECT_TRUE(text::Equal("", ""));
  EXPECT_TRUE(text::Equal("a\0b"s, "a\0b"s));
  EXPECT_FALSE(text::Equal("a", "a\0"s));
  EXPECT_FALSE(text::Equal("ab", "ac"));
}

TEST(SearchRuleTest, FindsTheFirstOccurrenceAtOrAfterTheStart) {
  struct Case {
    std::string text;
    std::string pattern;
    int start;
    int expected;
  };
  const Case cases[] = {
      {"abcabc", "bc", 1, 2},
      {"abcabc", "bc", 2, 2},
      {"abcabc", "bc", 3, 5},
      {"abcabc", "bc", 6, 0},     // would not lie wholly inside the text
      {"abcabc", "c", 6, 6},
      {"abcabc", "abc", 1, 1},
      {"abcabc", "abcabc", 1, 1},
      {"abcabc", "abcabcd", 1, 0},  // longer than the text
      {"abcabc", "x", 1, 0},
      {"abcabc", "", 1, 0},
      {"", "a", 1, 0},
      {"", "", 1, 0},
      {"abcabc", "a", 0, 0},      // a start below 1 is not taken as 1
      {"abcabc", "a", -1, 0},
      {"abcabc", "a", 7, 0},
      {"abcabc", "a", INT_MAX, 0},
      {"abcabc", "a", INT_MIN, 0},
      {"a\0b\0c"s, "\0c"s, 1, 4},
      {"a\0b\0c"s, "\0"s, 3, 4},
      {"aaa", "aa", 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.pattern + " / " + std::to_string(c.start));
    EXPECT_EQ(text::Search(c.text, c.pattern, c.start), c.expected);
  }
}

}  // namespace
