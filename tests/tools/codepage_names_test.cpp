// cpconv's names table: numbers and names in any case, and where each kind of
// code page lets a text be cut.

#include "tools/codepage_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(CodePageNamesTest, ParsesNumbersAndNames) {
  struct Case {
    const char* text;
    bool parsed;
    int number;
  };
  const Case cases[] = {
      {"1251", true, 1251},        {"cp1251", true, 1251},      {"Windows-1251", true, 1251},
      {"CP866", true, 866},        {"ibm866", true, 866},       {"KOI8-R", true, 20866},
      {"koi8-u", true, 21866},     {"iso-8859-5", true, 28595}, {"UTF-8", true, 65001},
      {"utf8", true, 65001},       {"Shift_JIS", true, 932},    {"gbk", true, 936},
      {"big5", true, 950},         {"euc-kr", true, 949},       {"us-ascii", true, 20127},
      {"9999", true, 9999},        {"-5", true, -5},            {"2147483647", true, 2147483647},
      {"2147483648", false, 0},    {"", false, 0},              {" 1251", false, 0},
      {"1251x", false, 0},         {"cp12", false, 0},          {"windows", false, 0},
      {"utf-8 utf8", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int number = 0;
    EXPECT_EQ(ParseCodePage(c.text, number), c.parsed);
    if (c.parsed) {
      EXPECT_EQ(number, c.number);
    }
  }
}

TEST(CodePageNamesTest, EveryNameFindsItsOwnEntry) {
  for (const CodePageName& entry : CodePageNames()) {
    std::string names = entry.names;
    for (std::size_t start = 0; start <= names.size();) {
      const std::size_t end = std::min(names.find(' ', start), names.size());
      const std::string name = names.substr(start, end - start);
      SCOPED_TRACE(name);
      int number = 0;
      EXPECT_TRUE(ParseCodePage(name, number));
      EXPECT_EQ(number, entry.number);
      start = end + 1;
    }
    EXPECT_EQ(FindCodePage(entry.number), &entry);
  }
  EXPECT_EQ(FindCodePage(4), nullptr);
  EXPECT_EQ(EndsOf(4), CharacterEnds::kLineFeed);
}

TEST(CodePageNamesTest, CutsWhereACharacterEnds) {
  struct Case {
    CharacterEnds ends;
    std::string bytes;
    std::size_t cut;
  };
  const Case cases[] = {
      {CharacterEnds::kAnyByte, "ab\ncd", 3},
      {CharacterEnds::kAnyByte, "abcd", 4},
      {CharacterEnds::kUtf8, "ab\ncd", 3},
      {CharacterEnds::kUtf8, "a\xD0\x94", 1},           // before the lead byte D0
      {CharacterEnds::kUtf8, "\xE2\x82\xAC\xE2\x82", 3},  // the second sign is incomplete
      {CharacterEnds::kUtf8, "\x82\xAC", 0},
      {CharacterEnds::kLowAscii, "\x82\xA0 \x82\xA0", 3},  // after the space
      {CharacterEnds::kLowAscii, "\x82\xA0\x82\x0A", 4},
      {CharacterEnds::kLowAscii, "\x81\x30\x81\x30", 0},  // GB18030 four-byte: digits are not ends
      {CharacterEnds::kLineFeed, "\x1B$B!!\x1B(B\nx", 9},
      {CharacterEnds::kLineFeed, "+BBQ- abc", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(CutPoint(c.ends, c.bytes.data(), c.bytes.size()), c.cut);
  }
}

}  // namespace
