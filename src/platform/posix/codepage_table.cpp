// POSIX layer, code pages: decoding and encoding from the generated tables
// (codepage_tables.cpp). The tables are constant data: nothing is built at first
// use, so there is no lock, no first-use cost and no failure to remember.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

// A single-byte code page writes one unit per byte. When the target is too small
// Windows writes what fits and then fails; so does this. (The source and target of
// one call never overlap: they hold different types.)
int DecodeSingleByte(const char16_t* decode, const unsigned char* __restrict source, int sourceCount,
                     char16_t* __restrict target, int targetCount) {
  if (targetCount == 0) return sourceCount;
  const int n = sourceCount <= targetCount ? sourceCount : targetCount;
  int i = 0;
  // Four bytes come in one 4-byte load and their units go out in one 8-byte
  // store: about three times the speed of a unit at a time. Byte by byte loads
  // are no good here: at -O3 gcc 12 turns them into a vector emulation of four
  // gathers that runs at a quarter of this speed (0.8 against 3.3 GB/s, x86-64).
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 4 <= n; i += 4) {
      std::uint32_t bytes;
      std::memcpy(&bytes, source + i, sizeof bytes);
      const std::uint64_t units = std::uint64_t{decode[bytes & 0xFF]} | std::uint64_t{decode[(bytes >> 8) & 0xFF]} << 16 |
                                  std::uint64_t{decode[(bytes >> 16) & 0xFF]} << 32 |
                                  std::uint64_t{decode[bytes >> 24]} << 48;
      std::memcpy(target + i, &units, sizeof units);
    }
  }
  for (; i < n; ++i) target[i] = decode[source[i]];
  return sourceCount <= targetCount ? sourceCount : 0;
}

// Whether the byte at i starts a pair: a lead byte with a byte other than zero after it.
bool StartsPair(const TableCodePage& page, const unsigned char* source, int i, int sourceCount) {
  return page.rows[source[i]].lead && i + 1 < sourceCount && source[i + 1] != 0;
}

int DecodeMultiByte(const TableCodePage& page, const unsigned char* __restrict source, int sourceCount,
                    char16_t* __restrict target, int targetCount) {
  int written = 0;
  int i = 0;
  if (targetCount == 0) {
    while (i < sourceCount) {
      i += StartsPair(page, source, i, sourceCount) ? 2 : 1;
      ++written;
    }
    return written;
  }
  while (i < sourceCount) {
    if (written == targetCount) return 0;  // what fits is written, and the call fails
    if (StartsPair(page, source, i, sourceCount)) {
      target[written++] = page.Pair(source[i], source[i + 1]);
      i += 2;
    } else {
      target[written++] = page.singles[source[i]];
      ++i;
    }
  }
  return written;
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
  return page.rows == nullptr ? DecodeSingleByte(page.singles, bytes, sourceCount, target, targetCount)
                              : DecodeMultiByte(page, bytes, sourceCount, target, targetCount);
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
  if (page.rows == nullptr) {
    // A single-byte code page: a byte per unit while they fit.
    const int n = sourceCount < targetCount ? sourceCount : targetCount;
    // The units of most alphabetic text: about three times the speed of the
    // two-level lookup below (1251, x86-64).
    for (; i < n; ++i) {
      const char16_t unit = source[i];
      if (page.low != nullptr && unit < kLowUnits) {
        target[i] = page.low[unit];
        continue;
      }
      const std::uint16_t value = page.Encoded(unit);
      if (value > 0xFF) break;  // kFails
      target[i] = static_cast<char>(value);
    }
    written = i;
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
