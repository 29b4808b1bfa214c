// The code-page calls of the platform table, as the conversion entry relies on them:
// the count written, 0 on failure, 0 for an input count of 0, 0 when the output does
// not fit, no terminating zero, and the size needed for a target count of 0. Both
// layers must pass (the Windows one under Wine).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/codepage_cases.h"

namespace {

using codepage_cases::Bytes;
using codepage_cases::Check;
using codepage_cases::DecodeCase;
using codepage_cases::EncodeCase;
using codepage_cases::kByteMarker;
using codepage_cases::kUnitMarker;
using codepage_cases::Times;
using codepage_cases::Units;

TEST(CodePageContract, Decodes) {
  const DecodeCase cases[] = {
      {"1251 Cyrillic", 1251, "\xC4\xE0", 8, 2, u"\u0414\u0430"},
      {"1251 byte the table leaves undefined", 1251, "\x98", 8, 1, u"\u0098"},
      {"866 Cyrillic", 866, "\x84\xA0", 8, 2, u"\u0414\u0430"},
      {"1252 euro", 1252, "\x80", 8, 1, u"\u20AC"},
      {"20866 KOI8 letters", 20866, "\xC1\xE1", 8, 2, u"\u0430\u0410"},
      {"437 shade", 437, "\xB0", 8, 1, u"\u2591"},
      {"20127 high bit dropped", 20127, "\xC1", 8, 1, u"A"},
      {"exact fit", 1251, "abc", 3, 3, u"abc"},
      {"too small writes what fits and fails", 1251, "abcde", 3, 0, u"abc"},
      {"size query", 1251, "abcde", 0, 5, u""},
      {"input count 0", 1251, "", 8, 0, u""},
      {"unknown code page", 12345, "abc", 8, 0, u""},
      {"UTF-8 euro", 65001, "\xE2\x82\xAC", 8, 1, u"\u20AC"},
      {"UTF-8 pair", 65001, "\xF0\x9F\x98\x80", 8, 2, u"\xD83D\xDE00"},
      {"UTF-8 size query of a pair", 65001, "\xF0\x9F\x98\x80", 0, 2, u""},
      {"UTF-8 overlong slash", 65001, "\xC0\xAF", 8, 2, u"\uFFFD\uFFFD"},
      {"UTF-8 cut off", 65001, "\xE2\x82", 8, 1, u"\uFFFD"},
      {"UTF-8 cut off swallows the rest", 65001, "\xF0\x41", 8, 1, u"\uFFFD"},
      {"UTF-8 bad continuation kept", 65001, "\xE2\x28\xA1", 8, 3, u"\uFFFD(\uFFFD"},
      {"UTF-8 surrogate form", 65001, "\xED\xA0\x80", 8, 2, u"\uFFFD\uFFFD"},
      {"UTF-8 beyond U+10FFFF", 65001, "\xF4\x90\x80\x80", 8, 3, u"\uFFFD\uFFFD\uFFFD"},
      {"UTF-8 target full before the last character", 65001, "\xF0\x9F\x98\x80\x41", 2, 0, u"\xD83D\xDE00"},
      {"UTF-8 pair does not fit", 65001, "\x41\xF0\x9F\x98\x80\x41", 2, 0, u"A\xD83D"},
      {"932 kana", 932, "\x82\xA0\x41", 8, 2, u"\u3042A"},
      {"932 cut-off pair", 932, "\x82", 8, 1, u"\u30FB"},
      {"932 undefined pair is one unit", 932, "\x85\x40", 8, 1, u"\u30FB"},
      {"932 lead byte before a zero stands alone", 932, Bytes("\x82\0A", 3), 8, 3, Units(u"\u30FB\0A", 3)},
      {"932 katakana, then undefined single bytes", 932, "\xA1\x80\xA0", 8, 3, u"\uFF61\u0080\uF8F0"},
      {"936 user-defined area", 936, "\xAA\xA1\xA1\x40", 8, 2, u"\uE000\uE4C6"},
      {"950 user-defined area", 950, "\x81\x40", 8, 1, u"\uEEB8"},
      // An undefined pair is one '?' and takes nothing after it.
      {"949 undefined pair before ASCII", 949, "\xA2\xE8\x61\x62", 8, 3, u"?ab"},
      {"949 undefined pair before a syllable", 949, "\xA2\xE8\xB0\xA1", 8, 2, u"?\uAC00"},
      {"949 lead byte cut off by the end", 949, "\x61\xB0", 8, 2, u"a?"},
      {"932 pair before a zero byte", 932, Bytes("\x82\xA0\0\x82", 4), 8, 3, Units(u"\u3042\0\u30FB", 3)},
      {"932 size query counts pairs once", 932, "\x82\xA0\x82\xA0\x41", 0, 3, u""},
      {"932 too small writes what fits and fails", 932, "\x82\xA0\x82\xA2\x82\xA4", 2, 0, u"\u3042\u3044"},
      // Long inputs: pairs across the ends of 64-byte stretches, runs of lead bytes
      // (each pairs with the byte after it, lead byte or not), zero bytes among them.
      {"932 pair across a stretch's end", 932, Times(Bytes("A"), 63) + "\x82\xA0" + Times(Bytes("A"), 70), 200, 134,
       Times(Units(u"A"), 63) + u"\u3042" + Times(Units(u"A"), 70)},
      {"932 size query of a long input", 932, Times(Bytes("A"), 63) + "\x82\xA0" + Times(Bytes("A"), 70), 0, 134, u""},
      {"932 long input too small", 932, Times(Bytes("A"), 63) + "\x82\xA0" + Times(Bytes("A"), 70), 100, 0,
       Times(Units(u"A"), 63) + u"\u3042" + Times(Units(u"A"), 36)},
      {"932 run of lead bytes from an odd byte", 932, "A" + Times(Bytes("\x82"), 128) + Times(Bytes("A"), 64), 200, 129,
       u"A" + Times(Units(u"\uFF42"), 64) + Times(Units(u"A"), 64)},
      {"932 odd run of lead bytes before a zero", 932, Times(Bytes("\x82"), 129) + Bytes(1, '\0') + Times(Bytes("A"), 70),
       200, 136, Times(Units(u"\uFF42"), 64) + Units(u"\u30FB\0", 2) + Times(Units(u"A"), 70)},
      {"932 lead bytes before zeros", 932, Times(Bytes("\x82\0", 2), 40), 100, 80, Times(Units(u"\u30FB\0", 2), 40)},
      {"936 long text", 936, Times(Bytes("\xC4\xE3\xBA\xC3"), 40), 100, 80, Times(Units(u"\u4F60\u597D"), 40)},
      // Code pages that only a full enumeration of the Windows calls shows.
      {"720 Arabic", 720, "\x9F\x80", 8, 2, u"\u0627\u0080"},
      {"1361 Johab syllable", 1361, "\x88\x61", 8, 1, u"\uAC00"},
      {"10029 Mac Latin 2", 10029, "\x80", 8, 1, u"\u00C4"},
      {"20932 EUC-JP kana and half-width kana", 20932, "\xA4\xA2\x8E\xB1", 8, 2, u"\u3042\uFF71"},
      {"42 symbol", 42, "\x41\x10", 8, 2, u"\uF041\u0010"},
      {"UTF-7 base64 run", 65000, "+AOkA6Q-x", 8, 3, u"\u00E9\u00E9x"},
      {"UTF-7 plus sign", 65000, "a+-b", 8, 3, u"a+b"},
      {"UTF-7 bits left over are dropped", 65000, "+AOkAOk-x", 8, 3, u"\u00E9\u003Ax"},
      {"UTF-7 run ended by another character", 65000, "+AOk.", 8, 2, u"\u00E9."},
      {"UTF-7 high byte is its own unit", 65000, "\x80", 8, 1, u"\u0080"},
  };
  Check(cases, kUnitMarker, [](const DecodeCase& c, char16_t* target) {
    return platform::System().MultiByteToWide(c.codePage, c.source.data(), static_cast<int>(c.source.size()), target,
                                              c.targetCount);
  });
}

TEST(CodePageContract, Encodes) {
  const EncodeCase cases[] = {
      {"866 Cyrillic", 866, u"\u0414\u0430", 8, 2, "\x84\xA0"},
      {"1251 Cyrillic", 1251, u"\u0414\u0430", 8, 2, "\xC4\xE0"},
      {"unrepresentable is '?' and succeeds", 1251, u"\u3042", 8, 1, "?"},
      {"best fit e acute in 866", 866, u"\u00E9", 8, 1, "e"},
      {"best fit e acute in 1251", 1251, u"\u00E9", 8, 1, "e"},
      {"e acute in 437", 437, u"\u00E9", 8, 1, "\x82"},
      {"best fit no-break space in 20127", 20127, u"\u00A0", 8, 1, " "},
      {"pair in a single-byte code page", 1251, u"\xD83D\xDE00", 8, 2, "??"},
      {"too small writes what fits and fails", 1251, u"ABCD", 2, 0, "AB"},
      {"size query", 1251, u"ABCD", 0, 4, ""},
      {"input count 0", 1251, u"", 8, 0, ""},
      {"unknown code page", 12345, u"abc", 8, 0, ""},
      {"UTF-8 Cyrillic fills the target", 65001, u"\u0414\u0430", 4, 4, "\xD0\x94\xD0\xB0"},
      {"UTF-8 euro does not fit in 2", 65001, u"\u20AC", 2, 0, ""},
      {"UTF-8 only whole characters", 65001, u"AB\u20AC", 4, 0, "AB"},
      {"UTF-8 size query", 65001, u"\u20AC", 0, 3, ""},
      {"UTF-8 pair", 65001, u"\xD83D\xDE00", 8, 4, "\xF0\x9F\x98\x80"},
      {"UTF-8 lone high half", 65001, u"\xD800", 8, 3, "\xEF\xBF\xBD"},
      {"UTF-8 halves in the wrong order", 65001, u"\xDE00\xD83D", 8, 6, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"UTF-8 lone half before a pair", 65001, u"\xD800\xD800\xDC00", 8, 7,
       "\xEF\xBF\xBD\xF0\x90\x80\x80"},
      {"932 kana", 932, u"\u3042A", 8, 3, "\x82\xA0\x41"},
      {"932 pair is two '?'", 932, u"\xD83D\xDE00", 8, 2, "??"},
      {"932 best fit e acute", 932, u"\u00E9", 8, 1, "e"},
      {"936 best fit cent sign", 936, u"\u00A2", 8, 2, "\xA1\xE9"},
      {"936 user-defined area", 936, u"\uE000\uE4C6", 8, 4, "\xAA\xA1\xA1\x40"},
      {"932 undefined single byte written back", 932, u"\uF8F0", 8, 1, "\xA0"},
      // Where Windows has '?' and other converters a near character.
      {"932 em dash", 932, u"\u2014", 8, 1, "?"},
      {"932 double vertical line", 932, u"\u2016", 8, 1, "?"},
      {"932 overline", 932, u"\u203E", 8, 1, "?"},
      {"932 minus sign", 932, u"\u2212", 8, 1, "?"},
      {"932 wave dash", 932, u"\u301C", 8, 1, "?"},
      {"950 box drawing", 950, u"\u2550\u255E\u2561\u256A", 8, 8, "\xF9\xF9\xF9\xE9\xF9\xEB\xF9\xEA"},
      {"932 a pair that does not fit is not begun", 932, u"A\u3042", 2, 0, "A"},
      // Long inputs, a group of units at a time.
      {"932 long mixed text", 932, Times(Units(u"\u3042A"), 20), 80, 60, Times(Bytes("\x82\xA0\x41"), 20)},
      {"932 long text too small", 932, Times(Units(u"\u3042"), 40), 79, 0, Times(Bytes("\x82\xA0"), 39)},
      {"1251 long Cyrillic", 1251, Times(Units(u"\u0414\u0430"), 20), 40, 40, Times(Bytes("\xC4\xE0"), 20)},
      {"1251 long text with a unit it lacks", 1251, Times(Units(u"\u0414\u0414\u0414\u3042"), 6), 40, 24,
       Times(Bytes("\xC4\xC4\xC4?"), 6)},
      {"874 long Thai", 874, Times(Units(u"\u0E01"), 20), 40, 20, Times(Bytes("\xA1"), 20)},
      {"42 long text with a unit it lacks", 42, Times(Units(u"\uF041"), 12) + u"A", 40, 0, Times(Bytes("A"), 12)},
      {"1361 Johab syllable", 1361, u"\uAC00", 8, 2, "\x88\x61"},
      {"720 Arabic", 720, u"\u0627", 8, 1, "\x9F"},
      {"42 symbol", 42, u"\uF041\u0010", 8, 2, "A\x10"},
      {"42 a unit it lacks fails the call", 42, u"\uF041A", 8, 0, "A"},
      {"42 size query counts a unit it lacks", 42, u"\uF041A", 0, 2, ""},
      {"UTF-7 run and plus sign", 65000, u"\u00E9+", 8, 7, "+AOk-+-"},
      {"UTF-7 pair as two units", 65000, u"\xD83D\xDE00", 8, 8, "+2D3eAA-"},
      {"UTF-7 last sextet gives way to the dash", 65000, u"A\u3042B", 5, 0, "A+ME-"},
      {"UTF-7 size query", 65000, u"A\u3042B", 0, 7, ""},
  };
  Check(cases, kByteMarker, [](const EncodeCase& c, char* target) {
    return platform::System().WideToMultiByte(c.codePage, c.source.data(), static_cast<int>(c.source.size()), target,
                                              c.targetCount);
  });
}

TEST(CodePageContract, RejectsBadArguments) {
  char16_t units[4];
  char bytes[4];
  const char16_t wide[] = u"ab";
  EXPECT_EQ(platform::System().MultiByteToWide(1251, nullptr, 3, units, 4), 0);
  EXPECT_EQ(platform::System().MultiByteToWide(1251, "abc", 3, nullptr, 4), 0);
  EXPECT_EQ(platform::System().MultiByteToWide(1251, "abc", 3, units, -1), 0);
  EXPECT_EQ(platform::System().WideToMultiByte(1251, nullptr, 2, bytes, 4), 0);
  EXPECT_EQ(platform::System().WideToMultiByte(1251, wide, 2, nullptr, 4), 0);
  EXPECT_EQ(platform::System().WideToMultiByte(1251, wide, 2, bytes, -1), 0);
}

TEST(CodePageContract, NegativeCountTakesTheTerminatedInput) {
  char16_t units[8] = {};
  EXPECT_EQ(platform::System().MultiByteToWide(1251, "abc", -1, units, 8), 4);
  EXPECT_EQ(Units(units, 4), Units(u"abc\0", 4));
  char bytes[8] = {};
  EXPECT_EQ(platform::System().WideToMultiByte(1251, u"ab", -1, bytes, 8), 3);
  EXPECT_EQ(Bytes(bytes, 3), Bytes("ab\0", 3));
}

// Eight threads convert at once, each starting on code pages no other test has
// used, so that the first use of a code page races too.
TEST(CodePageContract, ConvertsFromEightThreadsAtOnce) {
  const int codePages[] = {28605, 1257, 10007, 852, 936, 65001, 869, 28592};
  std::vector<int> failures(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      const Bytes source = "Lotan 123 abc";  // ASCII: the same in every one of them
      for (int round = 0; round < 2000; ++round) {
        const int codePage = codePages[(t + round) % 8];
        char16_t units[32];
        char back[32];
        const int n = platform::System().MultiByteToWide(codePage, source.data(), static_cast<int>(source.size()),
                                                         units, 32);
        const int m = platform::System().WideToMultiByte(codePage, units, n, back, 32);
        if (n != 13 || m != 13 || Bytes(back, 13) != source) ++failures[static_cast<std::size_t>(t)];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(8, 0));
}

}  // namespace
