// POSIX layer, code pages: two-byte code pages decoded and encoded in blocks on
// x86-64 processors with SSSE3, BMI1 and POPCNT (every one since about 2013),
// compiled with those instructions. codepage_table.cpp calls it only where the
// processor has them.

#include <tmmintrin.h>

#include "platform/posix/codepage_blocks.h"

namespace platform::detail::codepage {
namespace {

// lanes[m]: the byte lanes of the 16-bit units whose bits are set in the 8-bit
// mask m, in order, then 0x80 (a zero unit): one shuffle packs 8 keys down to
// those the mask picks.
//   m = 0b101: lanes 0 1 4 5, then 0x80
struct Lanes {
  alignas(16) unsigned char of[256][16];
};
constexpr Lanes MakeLanes() {
  Lanes lanes{};
  for (int m = 0; m < 256; ++m) {
    int n = 0;
    for (int k = 0; k < 8; ++k) {
      if ((m >> k & 1) == 0) continue;
      lanes.of[m][n++] = static_cast<unsigned char>(2 * k);
      lanes.of[m][n++] = static_cast<unsigned char>(2 * k + 1);
    }
    while (n < 16) lanes.of[m][n++] = 0x80;
  }
  return lanes;
}
constexpr Lanes kLanes = MakeLanes();

// Writes each block's characters one call late: it packs their keys 8 at a
// time, and looks up their units at the start of the next call (or at Flush),
// before it packs the next block over them.
//   - The portable writer's loop over the bits of `starts` spends a count, a load
//     and a clear of a bit on each character; packing first leaves only the two
//     loads and the store, and two a step halve what the loop itself costs:
//     about a third off decoding Chinese text in 936.
//   - Loads of keys just stored wait on those stores, whose places hang on the
//     counts before them. Looking a block up with the next call, before that
//     block is packed, takes another quarter off; after it is packed, only a
//     fourteenth (x86-64, AMD Zen 4, all six two-byte code pages alike).
//   - A block with an odd count writes one unit more, which whatever follows it
//     writes over.
class PackedWriter {
 public:
  explicit PackedWriter(const TableCodePage& page) : pairs_(page.pairs) {}

  char16_t* Write(const std::uint16_t* keys, std::uint64_t starts, char16_t* out) {
    Flush();
    int count = 0;
    for (int g = 0; g < kBlock / 8; ++g) {
      const unsigned mask = static_cast<unsigned>(starts >> (8 * g)) & 0xFF;
      const __m128i group = _mm_load_si128(reinterpret_cast<const __m128i*>(keys + 8 * g));
      const __m128i lanes = _mm_load_si128(reinterpret_cast<const __m128i*>(kLanes.of[mask]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(packed_ + count), _mm_shuffle_epi8(group, lanes));
      count += __builtin_popcount(mask);
    }
    packed_[count] = 0;  // the key of the unit past the end
    count_ = count;
    out_ = out;
    return out + count;
  }

  void Flush() {
    for (int j = 0; j < count_; j += 2) {
      out_[j] = pairs_[packed_[j]];
      out_[j + 1] = pairs_[packed_[j + 1]];
    }
    count_ = 0;
  }

 private:
  const char16_t* pairs_;
  alignas(16) std::uint16_t packed_[kBlock + 8];  // a group's 16-byte store may reach 7 units past the last key
  int count_ = 0;                                 // of the block not yet written
  char16_t* out_ = nullptr;
};

// bytes[m]: the byte lanes of 8 encoded values, bit k of m set where value k is
// two bytes (its high byte first), then 0x80.
//   m = 0b10: lanes 0, then 3 and 2, then 4, 6, 8, 10, 12, 14, then 0x80
constexpr Lanes MakeBytes() {
  Lanes lanes{};
  for (int m = 0; m < 256; ++m) {
    int n = 0;
    for (int k = 0; k < 8; ++k) {
      if ((m >> k & 1) != 0) lanes.of[m][n++] = static_cast<unsigned char>(2 * k + 1);
      lanes.of[m][n++] = static_cast<unsigned char>(2 * k);
    }
    while (n < 16) lanes.of[m][n++] = 0x80;
  }
  return lanes;
}
constexpr Lanes kBytes = MakeBytes();

}  // namespace

void EncodeGroupsSsse3(const TableCodePage& page, const char16_t* source, int sourceCount, char* target,
                       int targetCount, BlockProgress& progress) {
  int i = progress.read;
  long long written = progress.written;
  const __m128i zero = _mm_setzero_si128();
  for (; sourceCount - i >= 2 * kGroup && targetCount - written >= 4 * kGroup; i += kGroup) {
    alignas(16) std::uint16_t values[kGroup];
    for (int k = 0; k < kGroup; ++k) values[k] = page.flat[source[i + k]];
    const __m128i group = _mm_load_si128(reinterpret_cast<const __m128i*>(values));
    const __m128i single = _mm_cmpeq_epi16(_mm_srli_epi16(group, 8), zero);
    const unsigned two = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(single, zero))) & 0xFF;
    const __m128i lanes = _mm_load_si128(reinterpret_cast<const __m128i*>(kBytes.of[two]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + written), _mm_shuffle_epi8(group, lanes));
    written += kGroup + __builtin_popcount(two);
  }
  progress.read = i;
  progress.written = written;
}

void DecodeBlocksSsse3(const TableCodePage& page, const unsigned char* source, int sourceCount, char16_t* target,
                       int targetCount, BlockProgress& progress) {
  // A block's bytes and room stay after each block, so whatever decodes them
  // first writes over the unit a block may write past its end.
  PackedWriter writer(page);
  DecodeBlocksOf(page, source, sourceCount, target, targetCount, kBlock, progress, writer);
}

}  // namespace platform::detail::codepage
