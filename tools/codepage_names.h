// The code pages cpconv knows by name: one table of numbers, names and short
// descriptions, shared by the name lookup and by -l, with the rule each code page
// gives for where a text in it may be cut into batches that convert on their own.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// Where a text may be cut so that every batch ends with a whole character.
enum class CharacterEnds {
  kAnyByte,   // single-byte code pages: every byte is a character (EBCDIC included)
  kUtf8,      // UTF-8: before any byte that does not continue a sequence
  kLowAscii,  // two- to four-byte code pages whose later bytes are all 0x30 or more:
              // after any byte below 0x30
  kLineFeed,  // stateful code pages (ISO-2022, HZ, UTF-7) and unlisted numbers:
              // after a line feed only, where such texts are back in their start state
};

struct CodePageName {
  int number;
  const char* names;  // labels separated by single spaces, the usual one first
  const char* description;
  CharacterEnds ends;
};

// The whole table, in the order -l prints it.
std::span<const CodePageName> CodePageNames();

// The entry of `number`; nullptr when the table has none.
//   FindCodePage(1251)->names == "windows-1251 cp1251";  FindCodePage(4) == nullptr
const CodePageName* FindCodePage(int number);

// A code page given as a decimal number (any 32-bit signed value, listed or not)
// or as one of the table's names, compared without regard to case.
//   ParseCodePage("CP1251", n) and ParseCodePage("1251", n) give n == 1251;
//   ParseCodePage("cp12x", n) and ParseCodePage(" 1251", n) are false
bool ParseCodePage(std::string_view text, int& number);

// How `number` may be cut: its entry's rule, kLineFeed for an unlisted number.
CharacterEnds EndsOf(int number);

// The length of the longest start of bytes[0, size) that ends with a whole
// character: up to the last line feed when there is one, else as `ends` allows;
// 0 when no such start exists (then the text cannot be cut within `size`).
//   CutPoint(kUtf8, "ab\ncd", 5) == 3;  CutPoint(kUtf8, "a\xD0\x94", 3) == 1;
//   CutPoint(kLineFeed, "abc", 3) == 0
std::size_t CutPoint(CharacterEnds ends, const char* bytes, std::size_t size);
