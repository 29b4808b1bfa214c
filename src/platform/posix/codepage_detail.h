// POSIX layer, code pages: the converters behind MultiByteToWide and WideToMultiByte.
// Every converter here takes checked arguments (a source of at least one unit; a
// target count of 0 meaning "how much room is needed") and answers as the Windows
// calls do with dwFlags 0: the count written, or 0 when the output does not fit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform::detail::codepage {

// The unit that stands in for an invalid UTF-8 sequence.
inline constexpr char16_t kReplacement = 0xFFFD;

// Where a converter's output goes: written while it fits into a target of
// `capacity` units, or only counted when the capacity is 0 (a size query).
//   Output<char> out(buffer, 1);  out.Put('a') == true;  out.Put('b') == false
template <typename Unit>
class Output {
 public:
  Output(Unit* target, int capacity) : target_(target), capacity_(capacity) {}
  bool Put(Unit unit) {
    if (capacity_ != 0) {
      if (written_ >= capacity_) return false;
      target_[written_] = unit;
    }
    ++written_;
    return true;
  }
  // What still fits; -1 when only counting.
  long long Room() const { return capacity_ == 0 ? -1 : capacity_ - written_; }
  // The count a call returns: 0 when it does not fit an int.
  int Result() const { return written_ > 0x7FFFFFFF ? 0 : static_cast<int>(written_); }

 private:
  Unit* target_;
  int capacity_;
  long long written_ = 0;
};

// UTF-8 (65001).
//   DecodeUtf8("\xC0\xAF", 2, out, 8) == 2 with out = FFFD FFFD
//   DecodeUtf8("\xE2\x82", 2, out, 8) == 1 with out = FFFD
//   EncodeUtf8({0xD800}, 1, out, 8) == 3 with out = EF BF BD
int DecodeUtf8(const char* source, int sourceCount, char16_t* target, int targetCount);
int EncodeUtf8(const char16_t* source, int sourceCount, char* target, int targetCount);

// A code page that tables describe whole (every one the Windows calls take but
// 0 to 3, UTF-7, UTF-8 and GB18030). Measured under Wine: a byte is one unit; a
// lead byte and any byte but zero after it are one unit, defined or not, and the
// byte after them is read on its own; a lead byte before a zero byte or at the end
// of the input stands alone as its single-byte unit. Every unit is written by
// itself as one byte or a lead and a trail byte.
//
// Decoding is one load a character: pairs[b << 8 | t], with t the trail byte of
// a pair and 0 otherwise; pairs[b << 8] is byte b alone, lead byte or not. The
// row of a byte that is no lead byte holds its unit at every t, so that a block
// can take the byte after every character as its t.
//   932: pairs[0x82A0] == U+3042;  pairs[0x4100] == 'A';  pairs[0x4182] == 'A'
struct LeadRange {
  unsigned char first;
  unsigned char last;
};
inline constexpr int kLeadRanges = 3;  // the most any two-byte table code page has
constexpr bool InRanges(const LeadRange (&ranges)[kLeadRanges], unsigned byte) {
  bool in = false;
  for (const LeadRange& range : ranges) in |= byte >= range.first && byte <= range.last;
  return in;
}
struct TableCodePage {
  int number;
  const char16_t* singles;   // 256 units: each byte on its own
  const char16_t* pairs;     // 65536 units as above; nullptr for a single-byte code page
  LeadRange leads[kLeadRanges];  // the lead bytes; unused ranges repeat the last one
  const char16_t* encoded;   // values in blocks of 256 units: a byte, lead << 8 | trail, or
                             // kFails: the code page lacks the unit and the call fails (42);
                             // nullptr, as `blocks`, where `flat` holds them
  const std::uint16_t* blocks;  // 256 block numbers, one per high byte of a unit
  const char* low;           // the byte of each unit below kLowUnits, in one load; nullptr
                             // for a two-byte code page or one with kFails among them
  const char16_t* flat;      // the encoded value of every unit, in one load: 65536 values;
                             // nullptr for a single-byte code page
  bool lacksUnits;           // some unit is kFails: the call can fail
  unsigned plain;            // the bytes below it decode to the units of their value, and
                             // those units encode to them: 0x80 in most code pages, 0x100
                             // in 28591, 0 in EBCDIC ones

  bool IsLead(unsigned char byte) const { return InRanges(leads, byte); }
  // The unit of lead byte `lead` with trail byte `trail`, trail not 0.
  char16_t Pair(unsigned char lead, unsigned char trail) const { return pairs[lead << 8 | trail]; }
  std::uint16_t Encoded(char16_t unit) const {
    return flat != nullptr ? flat[unit] : encoded[blocks[unit >> 8] * 256u + (unit & 0xFFu)];
  }
};

// The generated sources keep the pairs as rows of 256 units in `units`, one for
// each lead byte (its own unit at 0); the compiler widens them into the table
// above, so the sources stay small and the rows stay out of the library.
constexpr std::array<char16_t, 65536> FlatPairs(const char16_t* units, const std::uint32_t* rows, const char16_t* singles,
                                                const LeadRange (&leads)[kLeadRanges]) {
  std::array<char16_t, 65536> pairs{};
  for (std::size_t b = 0; b < 256; ++b) {
    const bool lead = InRanges(leads, static_cast<unsigned>(b));
    for (std::size_t t = 0; t < 256; ++t) {
      pairs[b << 8 | t] = lead ? units[rows[b] + t] : singles[b];
    }
  }
  return pairs;
}
inline constexpr std::uint16_t kFails = 0xFFFF;
inline constexpr char16_t kLowUnits = 0x800;

// Sorted by number (generated, codepage_tables.cpp).
extern const TableCodePage kTableCodePages[];
extern const std::size_t kTableCodePageCount;

// The table of `codePage`; nullptr when tables do not describe it.
//   FindTableCodePage(1251)->singles[0xC4] == 0x0414;  FindTableCodePage(65001) == nullptr
const TableCodePage* FindTableCodePage(int codePage);

// The calls for a table code page. A target too small holds what fits, and the
// call fails; a two-byte character that does not fit whole is not begun.
//   DecodeTable(*FindTableCodePage(949), "\xA2\xE8\x61", 3, out, 8) == 2 with out = '?' 'a'
//   EncodeTable(*FindTableCodePage(932), u"A\u3042", 2, out, 2) == 0 with out = 'A'
int DecodeTable(const TableCodePage& page, const char* source, int sourceCount, char16_t* target, int targetCount);
int EncodeTable(const TableCodePage& page, const char16_t* source, int sourceCount, char* target, int targetCount);

// How a call takes its input: one character or unit at a time (what decoding
// inputs of 64 bytes or fewer takes), or in blocks (64 bytes, 8 units), portably
// or with the SSSE3, BMI1 and POPCNT instructions of newer x86-64 processors,
// which only two-byte code pages use. DecodeTable and EncodeTable pick the
// fastest the processor runs; every method gives the same result, the count and
// every unit or byte of the target, for any target size.
//   DecodeTableWith(Method::kOneAtATime, *FindTableCodePage(936), "\xC4\xE3", 2, out, 4) == 1 with out = U+4F60
enum class Method { kOneAtATime, kBlocks, kBlocksSsse3 };
// Whether this build and processor have what `method` needs: kBlocksSsse3 only
// on x86-64 processors with those instructions. Name a method only where it runs:
// on an x86-64 processor without them kBlocksSsse3 faults (in builds for other
// processors it is kBlocks).
bool Runs(Method method);
int DecodeTableWith(Method method, const TableCodePage& page, const char* source, int sourceCount, char16_t* target,
                    int targetCount);
int EncodeTableWith(Method method, const TableCodePage& page, const char16_t* source, int sourceCount, char* target,
                    int targetCount);

// The code pages 0 (ANSI), 1 (OEM), 2 (Mac) and 3 (the thread's ANSI) stand for,
// as Wine picks them from the environment: the locale of LC_ALL, else LC_CTYPE,
// else LANG ("ru_RU.UTF-8" is Windows' ru-RU, "sr_RS@latin" is sr-Latn-RS), else
// of its language alone; a locale Windows gives no ANSI code page is UTF-8
// throughout; anything else unknown is en-US (1252, 437, 10000).
//   with LANG=ja_JP.UTF-8: LocaleCodePage(1) == 932;  with LANG=C.UTF-8: LocaleCodePage(2) == 10000
int LocaleCodePage(int alias);

// Each Windows locale's code pages, sorted by name (generated).
struct LocaleCodePages {
  const char* name;  // "ru-RU"
  int ansi;          // 0: the locale has none (Unicode only)
  int oem;
  int mac;
};
extern const LocaleCodePages kLocales[];
extern const std::size_t kLocaleCount;

// UTF-7 (65000), as Wine writes and reads it.
//   DecodeUtf7("+AOk-x", 6, out, 4) == 2 with out = 00E9 'x'
//   EncodeUtf7(u"+", 1, out, 4) == 2 with out = "+-"
int DecodeUtf7(const char* source, int sourceCount, char16_t* target, int targetCount);
int EncodeUtf7(const char16_t* source, int sourceCount, char* target, int targetCount);

// GB18030 (54936): one, two or four bytes a character. The one- and two-byte
// part is a table code page (a unit with a four-byte sequence encodes as
// kFourBytes); the four-byte sequences of the BMP, numbered from 81 30 81 30 on,
// go to the units left over in increasing order, in ranges; the last range is an
// end mark. The supplementary planes follow from 90 30 81 30 (U+10000) on.
//   DecodeGb18030("\x81\x30\x81\x30", 4, out, 2) == 1 with out = 0080
inline constexpr std::uint16_t kFourBytes = 0xFFFF;
struct FourByteRange {
  std::uint32_t unit;  // the first unit of the range (0x10000 in the end mark)
  std::uint32_t index; // the number of its four-byte sequence
};
extern const TableCodePage kGb18030;
extern const FourByteRange kGb18030Ranges[];
extern const std::size_t kGb18030RangeCount;
int DecodeGb18030(const char* source, int sourceCount, char16_t* target, int targetCount);
int EncodeGb18030(const char16_t* source, int sourceCount, char* target, int targetCount);

}  // namespace platform::detail::codepage
