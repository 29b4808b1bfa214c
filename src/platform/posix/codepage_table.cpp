// POSIX layer, code pages: decoding and encoding from the generated tables
// (codepage_tables.cpp). The tables are constant data: nothing is built at first
// use, so there is no lock, no first-use cost and no failure to remember.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

// Units of `count` single bytes. Four bytes come in one 4-byte load and their
// units go out in one 8-byte store: about three times the speed of a unit at a
// time. Byte by byte loads are no good here: at -O3 gcc 12 turns them into a
// vector emulation of four gathers that runs at a quarter of this speed (0.8
// against 3.3 GB/s, x86-64). (The source and target of one call never overlap:
// they hold different types.)
void DecodeSingles(const char16_t* decode, const unsigned char* __restrict source, int count,
                   char16_t* __restrict target) {
  int i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 4 <= count; i += 4) {
      std::uint32_t bytes;
      std::memcpy(&bytes, source + i, sizeof bytes);
      const std::uint64_t units = std::uint64_t{decode[bytes & 0xFF]} | std::uint64_t{decode[(bytes >> 8) & 0xFF]} << 16 |
                                  std::uint64_t{decode[(bytes >> 16) & 0xFF]} << 32 |
                                  std::uint64_t{decode[bytes >> 24]} << 48;
      std::memcpy(target + i, &units, sizeof units);
    }
  }
  for (; i < count; ++i) target[i] = decode[source[i]];
}

// A single-byte code page writes one unit per byte. When the target is too small
// Windows writes what fits and then fails; so does this.
int DecodeSingleByte(const char16_t* decode, const unsigned char* source, int sourceCount, char16_t* target,
                     int targetCount) {
  if (targetCount == 0) return sourceCount;
  DecodeSingles(decode, source, sourceCount <= targetCount ? sourceCount : targetCount, target);
  return sourceCount <= targetCount ? sourceCount : 0;
}

// Two-byte code pages go 64 bytes at a time. Which bytes begin a pair follows
// from two masks of the block: a pair begins at a lead byte with a byte other
// than zero after it, unless that lead byte is itself the trail of a pair. In a
// run of such lead bytes the pairs therefore begin at the run's first byte and
// every second one after it; a character begins at every byte that is not a
// trail. The characters are then independent loads, where a byte at a time each
// one waits for the one before to say where it starts.
constexpr int kBlock = 64;
constexpr std::uint64_t kEven = 0x5555555555555555u;  // bits 0, 2, 4, ...

struct BlockBits {
  std::uint64_t leads;    // bit k: byte k is a lead byte
  std::uint64_t nonZero;  // bit k: byte k is not zero
};

#if defined(__SSE2__)
// A byte is in first..last when its distance from first, saturated, is within
// last - first: three instructions a range for 16 bytes, for the `Ranges` ranges
// the code page has.
template <std::size_t Ranges>
BlockBits Classify(const TableCodePage& page, const unsigned char* block) {
  __m128i first[Ranges];
  __m128i span[Ranges];
  for (std::size_t r = 0; r < Ranges; ++r) {
    first[r] = _mm_set1_epi8(static_cast<char>(page.leads[r].first));
    span[r] = _mm_set1_epi8(static_cast<char>(page.leads[r].last - page.leads[r].first));
  }
  const __m128i zero = _mm_setzero_si128();
  BlockBits bits{0, 0};
  for (int k = 0; k < kBlock; k += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k));
    __m128i lead = zero;
    for (std::size_t r = 0; r < Ranges; ++r) {
      const __m128i beyond = _mm_subs_epu8(_mm_sub_epi8(bytes, first[r]), span[r]);
      lead = _mm_or_si128(lead, _mm_cmpeq_epi8(beyond, zero));
    }
    bits.leads |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(lead))} << k;
    bits.nonZero |= std::uint64_t{static_cast<std::uint16_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)))} << k;
  }
  return bits;
}

// keys[k]: byte k << 8 | the byte after it when a pair begins at k (else 0), the
// index of the character at k in `pairs`. The bits of `pairStarts` widen to byte
// masks 16 at a time.
void KeysOf(const unsigned char* block, std::uint64_t pairStarts, std::uint16_t* keys) {
  const __m128i bit = _mm_set_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1);
  for (int k = 0; k < kBlock; k += 16) {
    __m128i mask = _mm_cvtsi32_si128(static_cast<int>(pairStarts >> k & 0xFFFF));
    mask = _mm_unpacklo_epi8(mask, mask);    // lo lo hi hi
    mask = _mm_unpacklo_epi16(mask, mask);   // lo x4, hi x4
    mask = _mm_unpacklo_epi32(mask, mask);   // lo x8, hi x8
    mask = _mm_cmpeq_epi8(_mm_and_si128(mask, bit), bit);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k));
    const __m128i trails = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k + 1)), mask);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keys + k), _mm_unpacklo_epi8(trails, bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keys + k + 8), _mm_unpackhi_epi8(trails, bytes));
  }
}
#else
void KeysOf(const unsigned char* block, std::uint64_t pairStarts, std::uint16_t* keys) {
  for (int k = 0; k < kBlock; ++k) {
    keys[k] = static_cast<std::uint16_t>(block[k] << 8 | ((pairStarts >> k & 1) != 0 ? block[k + 1] : 0));
  }
}

template <std::size_t Ranges>
BlockBits Classify(const TableCodePage& page, const unsigned char* block) {
  BlockBits bits{0, 0};
  for (int k = 0; k < kBlock; ++k) {
    bits.leads |= std::uint64_t{page.IsLead(block[k])} << k;
    bits.nonZero |= std::uint64_t{block[k] != 0} << k;
  }
  return bits;
}
#endif

// The bytes of the block at which a pair begins. `nextNonZero`: whether the byte
// after the block is not zero, for a lead byte at the block's end.
//   leads 0b0111 (three lead bytes), all bytes non-zero: pairs begin at 0b0101
std::uint64_t PairStarts(const BlockBits& bits, bool nextNonZero) {
  const std::uint64_t can = bits.leads & (bits.nonZero >> 1 | std::uint64_t{nextNonZero} << 63);
  const std::uint64_t runStarts = can & ~(can << 1);
  // Adding a run's first bit carries through the run and clears it: what is left
  // of `can` after adding the even run starts is the runs that begin at odd bytes.
  const std::uint64_t oddRuns = can & (can + (runStarts & kEven));
  return ((can & ~oddRuns) & kEven) | (oddRuns & ~kEven);
}

template <std::size_t Ranges>
int DecodeMultiByte(const TableCodePage& page, const unsigned char* __restrict source, int sourceCount,
                    char16_t* __restrict target, int targetCount) {
  long long written = 0;  // a size query may count past what an int holds
  int i = 0;
  // A block needs the byte after it, and room for a unit per byte when writing.
  while (sourceCount - i > kBlock && (targetCount == 0 || targetCount - written >= kBlock)) {
    const unsigned char* block = source + i;
    const BlockBits bits = Classify<Ranges>(page, block);
    if (bits.leads == 0) {
      if (targetCount != 0) DecodeSingles(page.singles, block, kBlock, target + written);
      written += kBlock;
      i += kBlock;
      continue;
    }
    const std::uint64_t pairs = PairStarts(bits, block[kBlock] != 0);
    std::uint64_t starts = ~(pairs << 1);
    if (targetCount == 0) {
      written += std::popcount(starts);
    } else {
      alignas(16) std::uint16_t keys[kBlock];
      KeysOf(block, pairs, keys);
      char16_t* out = target + written;
      for (; starts != 0; starts &= starts - 1) *out++ = page.pairs[keys[std::countr_zero(starts)]];
      written = out - target;
    }
    // A pair that begins at the block's last byte takes the next block's first.
    i += kBlock + static_cast<int>(pairs >> 63);
  }
  for (; i < sourceCount; ++written) {
    if (targetCount != 0 && written == targetCount) return 0;  // what fits is written, and the call fails
    const bool pair = page.IsLead(source[i]) && i + 1 < sourceCount && source[i + 1] != 0;
    if (targetCount != 0) target[written] = page.pairs[source[i] << 8 | (pair ? source[i + 1] : 0)];
    i += pair ? 2 : 1;
  }
  return written > INT32_MAX ? 0 : static_cast<int>(written);
}

// The lead-byte ranges a code page really has (the unused ones repeat the last);
// each one costs the block classification three instructions per 16 bytes.
int RangesOf(const TableCodePage& page) {
  const auto same = [](const LeadRange& a, const LeadRange& b) { return a.first == b.first && a.last == b.last; };
  return same(page.leads[0], page.leads[1]) ? 1 : same(page.leads[1], page.leads[2]) ? 2 : 3;
}

// Units go 8 at a time, so that the choice of lookup and the check for a unit
// the code page lacks are made once a group: in mixed text a choice made at
// every unit is mispredicted about once a word. A group with a unit the code
// page lacks is left to the unit-by-unit loop, which knows where to stop.
constexpr int kGroup = 8;

// The bytes of the units of a single-byte code page, group by group, as long as
// every unit of a group is in it; returns the count done.
int EncodeSingleBytes(const TableCodePage& page, const char16_t* __restrict source, int count, char* __restrict target) {
  int i = 0;
  for (; i + kGroup <= count; i += kGroup) {
    char16_t any = 0;
    for (int k = 0; k < kGroup; ++k) any |= source[i + k];
    // The units of most alphabetic text: about three times the speed of the
    // two-level lookup (1251, x86-64).
    if (page.low != nullptr && any < kLowUnits) {
      for (int k = 0; k < kGroup; ++k) target[i + k] = page.low[source[i + k]];
      continue;
    }
    std::uint16_t beyond = 0;
    char bytes[kGroup];
    for (int k = 0; k < kGroup; ++k) {
      const std::uint16_t value = page.Encoded(source[i + k]);
      beyond |= value & 0xFF00;  // only kFails has a high byte here
      bytes[k] = static_cast<char>(value);
    }
    if (beyond != 0) break;
    std::memcpy(target + i, bytes, sizeof bytes);
  }
  return i;
}

// The bytes of the units of a two-byte code page, group by group, while a
// group's 16 bytes at most still fit and every unit of it is in the code page.
// Each unit writes its last byte at written + two and its first at written, so
// that one byte or two take the same path.
void EncodeTwoBytes(const TableCodePage& page, const char16_t* __restrict source, int sourceCount, int& i,
                    char* __restrict target, int targetCount, long long& written) {
  for (; i + kGroup <= sourceCount && targetCount - written >= 2 * kGroup; i += kGroup) {
    std::uint16_t values[kGroup];
    bool lacking = false;
    for (int k = 0; k < kGroup; ++k) values[k] = page.flat[source[i + k]];
    if (page.lacksUnits) {
      for (const std::uint16_t value : values) lacking |= value == kFails;
    }
    if (lacking) return;
    for (const std::uint16_t value : values) {
      // Arithmetic, not a comparison: gcc 12 turns `value > 0xFF ? ... : ...`
      // back into a branch on each unit.
      const unsigned two = (value + 0xFF00u) >> 16;
      target[written + two] = static_cast<char>(value);
      target[written] = static_cast<char>(value >> (two << 3));
      written += 1 + two;
    }
  }
}

}  // namespace

const TableCodePage* FindTableCodePage(int codePage) {
  const TableCodePage* end = kTableCodePages + kTableCodePageCount;
  const TableCodePage* found =
      std::lower_bound(kTableCodePages, end, codePage, [](const TableCodePage& p, int n) { return p.number < n; });
  return found != end && found->number == codePage ? found : nullptr;
}

int DecodeTable(const TableCodePage& page, const char* source, int sourceCount, char16_t* target, int targetCount) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(source);
  return page.pairs == nullptr ? DecodeSingleByte(page.singles, bytes, sourceCount, target, targetCount)
                              : RangesOf(page) == 1 ? DecodeMultiByte<1>(page, bytes, sourceCount, target, targetCount)
                              : RangesOf(page) == 2 ? DecodeMultiByte<2>(page, bytes, sourceCount, target, targetCount)
                                                    : DecodeMultiByte<3>(page, bytes, sourceCount, target, targetCount);
}

int EncodeTable(const TableCodePage& page, const char16_t* source, int sourceCount, char* target, int targetCount) {
  long long written = 0;  // a size query may count past what an int holds
  if (targetCount == 0) {
    for (int i = 0; i < sourceCount; ++i) {
      const std::uint16_t value = page.Encoded(source[i]);
      written += value > 0xFF && value != kFails ? 2 : 1;
    }
    return written > INT32_MAX ? 0 : static_cast<int>(written);
  }
  int i = 0;
  if (page.pairs == nullptr) {
    i = EncodeSingleBytes(page, source, sourceCount < targetCount ? sourceCount : targetCount, target);
    written = i;
  } else {
    EncodeTwoBytes(page, source, sourceCount, i, target, targetCount, written);
  }
  for (; i < sourceCount; ++i) {
    const std::uint16_t value = page.Encoded(source[i]);
    // Measured under Wine (42): a unit the code page lacks ends the call, which
    // fails with the bytes before it written; a size query counts it as one byte.
    if (value == kFails) return 0;
    if (value > 0xFF) {
      // A two-byte character that does not fit whole is not begun.
      if (targetCount - written < 2) return 0;
      target[written++] = static_cast<char>(value >> 8);
    } else if (written == targetCount) {
      return 0;
    }
    target[written++] = static_cast<char>(value & 0xFF);
  }
  return static_cast<int>(written);
}

}  // namespace platform::detail::codepage
