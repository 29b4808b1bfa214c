// The conversion edge cases with their exact trace bytes and results, shared by
// the test that links the entry directly and the test that loads the built
// library with its standard output redirected.
#pragma once

#include <string>
#include <string_view>

namespace library_test {

using namespace std::string_view_literals;

struct ConversionCase {
  const char* name;
  std::string_view source;  // the bytes of strIn, up to and including what follows a zero byte
  bool nullSource;
  int fromCodePage;
  int toCodePage;
  bool nullResult;
  std::string_view trace;   // all seven lines
  std::string_view result;  // strOut's bytes before its zero byte
};

// Code page numbers that no platform knows.
inline constexpr int kUnknownCodePage = 12345;

inline constexpr ConversionCase kConversionCases[] = {
    {"latin letters", "abc"sv, false, 1251, 866, false,
     "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=abc---\r\nnRet= 3\r\nstrOut=abc\r\n"sv, "abc"sv},
    {"empty source", ""sv, false, 1251, 866, false,
     "nLen= 0\r\nstrDst=\r\nstrRet=\r\nnRet= 0\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv, ""sv},
    {"null source", ""sv, true, 1251, 866, false,
     "nLen= 0\r\nstrDst=\r\nstrRet=\r\nnRet= 0\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv, ""sv},
    {"null result buffer", "abc"sv, false, 1251, 866, true,
     "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=abc---\r\nnRet= 3\r\nstrOut=\r\n"sv, ""sv},
    {"zero byte inside", "ab\0cd"sv, false, 1251, 866, false,
     "nLen= 2\r\nstrDst=,,,,\r\nstrRet=----\r\nnRet= 2\r\nstrRet=ab--\r\nnRet= 2\r\nstrOut=ab\r\n"sv, "ab"sv},
    {"Cyrillic 1251 to 866", "\xC4\xE0"sv, false, 1251, 866, false,
     "nLen= 2\r\nstrDst=,,,,\r\nstrRet=----\r\nnRet= 2\r\nstrRet=\x84\xA0--\r\nnRet= 2\r\nstrOut=\x84\xA0\r\n"sv,
     "\x84\xA0"sv},
    {"Cyrillic 1251 to UTF-8 fills the scratch exactly", "\xC4\xE0"sv, false, 1251, 65001, false,
     "nLen= 2\r\nstrDst=,,,,\r\nstrRet=----\r\nnRet= 2\r\nstrRet=\xD0\x94\xD0\xB0\r\nnRet= 4\r\n"
     "strOut=\xD0\x94\xD0\xB0\r\n"sv,
     "\xD0\x94\xD0\xB0"sv},
    {"euro sign needs more than twice the length", "\x88"sv, false, 1251, 65001, false,
     "nLen= 1\r\nstrDst=,,\r\nstrRet=--\r\nnRet= 1\r\nstrRet=--\r\nnRet= 0\r\nstrOut=\r\n"sv, ""sv},
    {"unknown source code page", "abc"sv, false, kUnknownCodePage, 866, false,
     "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 0\r\nstrRet=------\r\nnRet= 0\r\nstrOut=\r\n"sv, ""sv},
    {"unknown target code page", "abc"sv, false, 1251, kUnknownCodePage, false,
     "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=------\r\nnRet= 0\r\nstrOut=\r\n"sv, ""sv},
    {"character the target lacks becomes its default character", "a\xC4"sv, false, 1251, 1252, false,
     "nLen= 2\r\nstrDst=,,,,\r\nstrRet=----\r\nnRet= 2\r\nstrRet=a?--\r\nnRet= 2\r\nstrOut=a?\r\n"sv, "a?"sv},
    {"bytes that are not text pass through", "\x01\x07\x7F"sv, false, 1252, 850, false,
     "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=\x01\x07\x7F---\r\nnRet= 3\r\n"
     "strOut=\x01\x07\x7F\r\n"sv,
     "\x01\x07\x7F"sv},
};

// strOut the same buffer as strIn, with room for twice the length and the zero.
inline constexpr std::string_view kSharedBufferTrace =
    "nLen= 2\r\nstrDst=,,,,\r\nstrRet=----\r\nnRet= 2\r\nstrRet=\xD0\x94\xD0\xB0\r\nnRet= 4\r\n"
    "strOut=\xD0\x94\xD0\xB0\r\n"sv;

// The source and buffer of one case, kept alive for the call.
struct CaseBuffers {
  std::string source;
  std::string result;
  explicit CaseBuffers(const ConversionCase& c)
      : source(c.source), result(2 * c.source.size() + 8, '\x55') {}
  const char* Source() const { return source.c_str(); }
};

}  // namespace library_test
