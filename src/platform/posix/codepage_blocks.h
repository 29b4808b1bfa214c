// POSIX layer, code pages: text taken in blocks, 64 bytes or 8 units at a time.
// This header is compiled twice, into codepage_table.cpp for any processor and
// into codepage_blocks_ssse3.cpp for those with SSSE3, BMI1 and POPCNT;
// every function it defines has internal linkage, so no copy made for the newer
// processors can stand in for the other one at link time.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {

// Where the block-wise decoders and encoders leave off: what they have read and
// what they have written (or counted, for a size query) so far.
struct BlockProgress {
  int read = 0;
  long long written = 0;  // a size query may count past what an int holds
};

// The blocks of `source` that the SSSE3 decoder takes, as the portable one does,
// while a block's bytes and room remain after them: each may write a unit past
// its end, for what follows to write over (codepage_blocks_ssse3.cpp; only where
// the build has it). The portable decoder takes the rest.
void DecodeBlocksSsse3(const TableCodePage& page, const unsigned char* source, int sourceCount, char16_t* target,
                       int targetCount, BlockProgress& progress);
// The units of a two-byte code page that lacks none, 8 at a time, while 8 more
// follow and 32 bytes fit (a group's store reaches 8 bytes past its end, which
// the next group overwrites); the rest is left to the portable encoder.
void EncodeGroupsSsse3(const TableCodePage& page, const char16_t* source, int sourceCount, char* target,
                       int targetCount, BlockProgress& progress);

namespace {

// Runs of plain bytes and units (below TableCodePage::plain) are looked for
// kPlainRun at a time, and widened or narrowed as they are.
constexpr int kPlainRun = 32;

// Whether the kPlainRun bytes at `source` are all below `plain`.
inline bool AllBelow(const unsigned char* source, unsigned plain) {
  if (plain == 0) return false;
#if defined(__SSE2__)
  __m128i most = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
  for (int k = 16; k < kPlainRun; k += 16) {
    most = _mm_max_epu8(most, _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k)));
  }
  // Below plain when taking plain - 1 away saturates to 0.
  const __m128i beyond = _mm_subs_epu8(most, _mm_set1_epi8(static_cast<char>(plain - 1)));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(beyond, _mm_setzero_si128())) == 0xFFFF;
#else
  unsigned char most = 0;
  for (int k = 0; k < kPlainRun; ++k) most = source[k] > most ? source[k] : most;
  return most < plain;
#endif
}

// Whether the kPlainRun units at `source` are all below `plain`.
inline bool AllBelow(const char16_t* source, unsigned plain) {
  if (plain == 0) return false;
#if defined(__SSE2__)
  __m128i any = _mm_setzero_si128();  // each lane's units or'ed: none is above it
  for (int k = 0; k < kPlainRun; k += 8) {
    any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k)));
  }
  const __m128i beyond = _mm_subs_epu16(any, _mm_set1_epi16(static_cast<short>(plain - 1)));
  return _mm_movemask_epi8(_mm_cmpeq_epi16(beyond, _mm_setzero_si128())) == 0xFFFF;
#else
  char16_t any = 0;
  for (int k = 0; k < kPlainRun; ++k) any |= source[k];
  return any < plain;
#endif
}

// The kPlainRun units of plain bytes.
inline void WidenPlain(const unsigned char* source, char16_t* target) {
#if defined(__SSE2__)
  for (int k = 0; k < kPlainRun; k += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k + 8), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
  }
#else
  for (int k = 0; k < kPlainRun; ++k) target[k] = source[k];
#endif
}

// The bytes of kPlainRun plain units.
inline void NarrowPlain(const char16_t* source, char* target) {
#if defined(__SSE2__)
  for (int k = 0; k < kPlainRun; k += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k), _mm_packus_epi16(low, high));
  }
#else
  for (int k = 0; k < kPlainRun; ++k) target[k] = static_cast<char>(source[k]);
#endif
}

// The units of 8 single bytes: one load, and two 8-byte stores.
inline void DecodeEight(const char16_t* decode, const unsigned char* source, char16_t* target) {
  std::uint64_t eight;
  std::memcpy(&eight, source, sizeof eight);
  for (int half = 0; half < 2; ++half) {
    const std::uint64_t units = std::uint64_t{decode[eight & 0xFF]} | std::uint64_t{decode[(eight >> 8) & 0xFF]} << 16 |
                                std::uint64_t{decode[(eight >> 16) & 0xFF]} << 32 |
                                std::uint64_t{decode[(eight >> 24) & 0xFF]} << 48;
    std::memcpy(target + 4 * half, &units, sizeof units);
    eight >>= 32;
  }
}

// Units of `count` single bytes of `page`. Runs of plain bytes, most of text in
// Latin letters, widen kPlainRun at a time (about eight times as fast); other
// bytes come eight to a load: about three times the speed of a unit at a time,
// and 7% faster than four bytes a load. Byte by byte loads are no good here: at
// -O3 gcc 12 turns them into a vector emulation of four gathers that runs at a
// quarter of this speed (0.8 against 3.3 GB/s, x86-64). (The source and target
// of one call never overlap: they hold different types.)
inline void DecodeSingles(const TableCodePage& page, const unsigned char* __restrict source, int count,
                          char16_t* __restrict target) {
  int i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + kPlainRun <= count; i += kPlainRun) {
      if (AllBelow(source + i, page.plain)) {
        WidenPlain(source + i, target + i);
      } else {
        for (int k = 0; k < kPlainRun; k += 8) DecodeEight(page.singles, source + i + k, target + i + k);
      }
    }
    for (; i + 8 <= count; i += 8) DecodeEight(page.singles, source + i, target + i);
  }
  for (; i < count; ++i) target[i] = page.singles[source[i]];
}

// Which bytes begin a pair follows from two masks of the block: a pair begins at
// a lead byte with a byte other than zero after it, unless that lead byte is
// itself the trail of a pair. In a run of such lead bytes the pairs therefore
// begin at the run's first byte and every second one after it; a character
// begins at every byte that is not a trail. The characters are then independent
// loads, where a byte at a time each one waits for the one before to say where
// it starts.
constexpr int kBlock = 64;
constexpr int kGroup = 8;  // units a group when encoding
constexpr std::uint64_t kEven = 0x5555555555555555u;  // bits 0, 2, 4, ...

struct BlockBits {
  std::uint64_t leads;    // bit k: byte k is a lead byte
  std::uint64_t nonZero;  // bit k: byte k is not zero
};

// The lead-byte ranges a code page really has (the unused ones repeat the last);
// each one costs the block classification three instructions per 16 bytes.
inline int RangesOf(const TableCodePage& page) {
  const auto same = [](const LeadRange& a, const LeadRange& b) { return a.first == b.first && a.last == b.last; };
  return same(page.leads[0], page.leads[1]) ? 1 : same(page.leads[1], page.leads[2]) ? 2 : 3;
}

#if defined(__SSE2__)
// A byte is in first..last when its distance from first, saturated, is within
// last - first: three instructions a range for 16 bytes, for the `Ranges` ranges
// the code page has. The range vectors are made once a call, not once a block.
template <std::size_t Ranges>
class LeadBytes {
 public:
  explicit LeadBytes(const TableCodePage& page) {
    for (std::size_t r = 0; r < Ranges; ++r) {
      first_[r] = _mm_set1_epi8(static_cast<char>(page.leads[r].first));
      span_[r] = _mm_set1_epi8(static_cast<char>(page.leads[r].last - page.leads[r].first));
    }
  }

  BlockBits Classify(const unsigned char* block) const {
    const __m128i zero = _mm_setzero_si128();
    BlockBits bits{0, 0};
    for (int k = 0; k < kBlock; k += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k));
      __m128i lead = zero;
      for (std::size_t r = 0; r < Ranges; ++r) {
        const __m128i beyond = _mm_subs_epu8(_mm_sub_epi8(bytes, first_[r]), span_[r]);
        lead = _mm_or_si128(lead, _mm_cmpeq_epi8(beyond, zero));
      }
      bits.leads |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(lead))} << k;
      bits.nonZero |= std::uint64_t{static_cast<std::uint16_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)))} << k;
    }
    return bits;
  }

 private:
  __m128i first_[Ranges];
  __m128i span_[Ranges];
};

// keys[k]: byte k << 8 | byte k + 1, the index in `pairs` of the character that
// begins at k: the row of a byte that is no lead byte repeats its unit, and a lead
// byte that begins no pair has a zero byte after it.
inline void KeysOf(const unsigned char* block, std::uint16_t* keys) {
  for (int k = 0; k < kBlock; k += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k + 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keys + k), _mm_unpacklo_epi8(next, bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keys + k + 8), _mm_unpackhi_epi8(next, bytes));
  }
}
#else
template <std::size_t Ranges>
class LeadBytes {
 public:
  explicit LeadBytes(const TableCodePage& page) : page_(page) {}
  BlockBits Classify(const unsigned char* block) const {
    BlockBits bits{0, 0};
    for (int k = 0; k < kBlock; ++k) {
      bits.leads |= std::uint64_t{InRanges(page_.leads, block[k])} << k;
      bits.nonZero |= std::uint64_t{block[k] != 0} << k;
    }
    return bits;
  }

 private:
  const TableCodePage& page_;
};

inline void KeysOf(const unsigned char* block, std::uint16_t* keys) {
  for (int k = 0; k < kBlock; ++k) keys[k] = static_cast<std::uint16_t>(block[k] << 8 | block[k + 1]);
}
#endif

// The bytes of the block at which a pair begins. `nextNonZero`: whether the byte
// after the block is not zero, for a lead byte at the block's end.
//   leads 0b0111 (three lead bytes), all bytes non-zero: pairs begin at 0b0101
inline std::uint64_t PairStarts(const BlockBits& bits, bool nextNonZero) {
  const std::uint64_t can = bits.leads & (bits.nonZero >> 1 | std::uint64_t{nextNonZero} << 63);
  const std::uint64_t runStarts = can & ~(can << 1);
  // Adding a run's first bit carries through the run and clears it: what is left
  // of `can` after adding the even run starts is the runs that begin at odd bytes.
  const std::uint64_t oddRuns = can & (can + (runStarts & kEven));
  return ((can & ~oddRuns) & kEven) | (oddRuns & ~kEven);
}

// Decodes whole blocks of `source` while there is one with a byte after it and,
// when writing, room for a unit per byte, and `reserve` bytes of source and
// units of room beyond those. `writer.Write(keys, starts, out)` takes the
// characters that begin at the bits of `starts` and returns the end of their
// units; it may write them later, by its next `Flush()`, which comes before
// anything else is written. Bit counts use the compiler's builtins, not <bit>: a
// <bit> function compiled out of line for the newer processors could be the one
// the linker keeps for both copies.
template <std::size_t Ranges, typename Writer>
void DecodeBlocks(const TableCodePage& page, const unsigned char* __restrict source, int sourceCount,
                  char16_t* __restrict target, int targetCount, int reserve, BlockProgress& progress,
                  Writer& writer) {
  const LeadBytes<Ranges> leadBytes(page);
  int i = progress.read;
  long long written = progress.written;
  while (sourceCount - i > kBlock + reserve && (targetCount == 0 || targetCount - written >= kBlock + reserve)) {
    const unsigned char* block = source + i;
    const BlockBits bits = leadBytes.Classify(block);
    if (bits.leads == 0) {
      if (targetCount != 0) {
        writer.Flush();
        DecodeSingles(page, block, kBlock, target + written);
      }
      written += kBlock;
      i += kBlock;
      continue;
    }
    const std::uint64_t pairs = PairStarts(bits, block[kBlock] != 0);
    const std::uint64_t starts = ~(pairs << 1);
    if (targetCount == 0) {
      written += __builtin_popcountll(starts);
    } else {
      alignas(16) std::uint16_t keys[kBlock];
      KeysOf(block, keys);
      written = writer.Write(keys, starts, target + written) - target;
    }
    // A pair that begins at the block's last byte takes the next block's first.
    i += kBlock + static_cast<int>(pairs >> 63);
  }
  writer.Flush();
  progress.read = i;
  progress.written = written;
}

// DecodeBlocks for the ranges the code page has.
template <typename Writer>
void DecodeBlocksOf(const TableCodePage& page, const unsigned char* source, int sourceCount, char16_t* target,
                    int targetCount, int reserve, BlockProgress& progress, Writer& writer) {
  switch (RangesOf(page)) {
    case 1: return DecodeBlocks<1>(page, source, sourceCount, target, targetCount, reserve, progress, writer);
    case 2: return DecodeBlocks<2>(page, source, sourceCount, target, targetCount, reserve, progress, writer);
    default: return DecodeBlocks<3>(page, source, sourceCount, target, targetCount, reserve, progress, writer);
  }
}

}  // namespace
}  // namespace platform::detail::codepage
