// POSIX layer, code pages: the pieces behind MultiByteToWide and WideToMultiByte.
// Every converter here takes checked arguments (a source of at least one unit; a
// target count of 0 meaning "how much room is needed") and answers as the Windows
// calls do with dwFlags 0: the count written, or 0 when the output does not fit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::detail::codepage {

// The byte that stands in for a character a code page cannot represent.
inline constexpr unsigned char kDefaultByte = 0x3F;  // '?'
// The unit that stands in for an invalid UTF-8 sequence.
inline constexpr char16_t kReplacement = 0xFFFD;

// UTF-8 (65001).
//   DecodeUtf8("\xC0\xAF", 2, out, 8) == 2 with out = FFFD FFFD
//   DecodeUtf8("\xE2\x82", 2, out, 8) == 1 with out = FFFD
//   EncodeUtf8({0xD800}, 1, out, 8) == 3 with out = EF BF BD
int DecodeUtf8(const char* source, int sourceCount, char16_t* target, int targetCount);
int EncodeUtf8(const char16_t* source, int sourceCount, char* target, int targetCount);

// One single-byte code page: the unit of every byte and the byte of every unit
// (the code page's own byte, else its best-fit byte, else kDefaultByte).
struct SingleByteTable {
  char16_t decode[256];
  unsigned char encode[65536];
};

// The table of a single-byte code page, built at its first use; nullptr when
// `codePage` is not single-byte or its table cannot be built.
//   FindSingleByteTable(1251)->decode[0xC4] == 0x0414;  FindSingleByteTable(932) == nullptr
const SingleByteTable* FindSingleByteTable(int codePage);

// The best-fit choices of single-byte code pages: a character outside the code
// page that is written as a near one instead of kDefaultByte (e with an acute
// accent as 'e' in 866). Each entry is (unit << 8) | byte, sorted by unit.
struct BestFitList {
  int codePage;
  const std::uint32_t* entries;
  std::size_t count;
};
// The list of `codePage`; an empty list when it has none.
//   BestFit(866) holds 0x00E965 (U+00E9 -> 'e')
BestFitList BestFit(int codePage);

// The same for the two-byte code pages 932, 936, 949 and 950: each entry is
// (unit << 16) | bytes, one byte (below 0x100) or a lead byte and a trail byte.
//   MultiByteBestFit(932) holds 0x00E90065 (U+00E9 -> 'e')
BestFitList MultiByteBestFit(int codePage);

// Two-byte sequences that Windows decodes to private-use units where glibc has
// none (user-defined areas): `count` trail bytes from `trail` after `lead` give
// the units from `unit` on, one each.
struct PrivateUseRun {
  unsigned char lead;
  unsigned char trail;
  unsigned char count;
  char16_t unit;
};
struct PrivateUseRuns {
  const PrivateUseRun* runs;
  std::size_t count;
};
//   PrivateUseRunsOf(936) holds {0xAA, 0xA1, 94, 0xE000}: AA A1 is U+E000
PrivateUseRuns PrivateUseRunsOf(int codePage);

// Multi-byte code pages (932, 936, 949, 950, 54936) through iconv.
bool IsMultiByte(int codePage);
int DecodeMultiByte(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount);
int EncodeMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount);

}  // namespace platform::detail::codepage
