// POSIX layer, code pages: GB18030 (54936), which Windows has and Wine 8 lacks,
// from generated tables (codepage_gb18030_tables.cpp) and the arithmetic of its
// four-byte sequences.

#include <algorithm>

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

constexpr std::uint32_t kBmpSequences = 39420;       // four-byte sequences of the BMP
constexpr std::uint32_t kSupplementaryFirst = 189000;  // the number of 90 30 81 30
constexpr unsigned char kUndefined = '?';

bool InRange(unsigned char b, unsigned char first, unsigned char last) { return b >= first && b <= last; }

// The unit of a four-byte sequence of the BMP, or '?' for one past their end.
char16_t BmpUnit(std::uint32_t index) {
  if (index >= kBmpSequences) return kUndefined;
  const FourByteRange* end = kGb18030Ranges + kGb18030RangeCount;
  const FourByteRange* next = std::upper_bound(kGb18030Ranges, end, index,
                                               [](std::uint32_t i, const FourByteRange& r) { return i < r.index; });
  const FourByteRange& range = next[-1];
  return static_cast<char16_t>(range.unit + (index - range.index));
}

std::uint32_t BmpIndex(char16_t unit) {
  const FourByteRange* end = kGb18030Ranges + kGb18030RangeCount;
  const FourByteRange* next =
      std::upper_bound(kGb18030Ranges, end, unit, [](char16_t u, const FourByteRange& r) { return u < r.unit; });
  const FourByteRange& range = next[-1];
  return range.index + (unit - range.unit);
}

}  // namespace

// A lead byte (81-FE) with 30-39 after it begins a four-byte sequence, with any
// other trail byte (40-7E, 80-FE) a pair; an undefined pair or sequence is one
// '?'. A lead byte followed by anything else, or cut off by the end, is one '?'
// and what follows is read on its own, so nothing after a broken sequence is lost.
int DecodeGb18030(const char* source, int sourceCount, char16_t* target, int targetCount) {
  const auto* b = reinterpret_cast<const unsigned char*>(source);
  Output<char16_t> out(target, targetCount);
  int i = 0;
  while (i < sourceCount) {
    const unsigned char lead = b[i];
    if (!InRange(lead, 0x81, 0xFE)) {
      if (!out.Put(kGb18030.singles[lead])) return 0;
      ++i;
      continue;
    }
    const int left = sourceCount - i;
    if (left >= 2 && (InRange(b[i + 1], 0x40, 0x7E) || InRange(b[i + 1], 0x80, 0xFE))) {
      if (!out.Put(kGb18030.Pair(lead, b[i + 1]))) return 0;
      i += 2;
      continue;
    }
    if (left >= 4 && InRange(b[i + 1], 0x30, 0x39) && InRange(b[i + 2], 0x81, 0xFE) && InRange(b[i + 3], 0x30, 0x39)) {
      const std::uint32_t index = (((lead - 0x81u) * 10 + (b[i + 1] - 0x30u)) * 126 + (b[i + 2] - 0x81u)) * 10 +
                                  (b[i + 3] - 0x30u);
      i += 4;
      if (index >= kSupplementaryFirst && index - kSupplementaryFirst < 0x100000) {
        const std::uint32_t v = index - kSupplementaryFirst;
        if (!out.Put(static_cast<char16_t>(0xD800 + (v >> 10))) || !out.Put(static_cast<char16_t>(0xDC00 + (v & 0x3FF)))) {
          return 0;
        }
      } else if (!out.Put(BmpUnit(index))) {
        return 0;
      }
      continue;
    }
    if (!out.Put(kUndefined)) return 0;
    ++i;
  }
  return out.Result();
}

// Every unit has a sequence but a lone half of a surrogate pair, which is '?'. A
// character that does not fit whole is not begun, and the call fails.
int EncodeGb18030(const char16_t* source, int sourceCount, char* target, int targetCount) {
  Output<char> out(target, targetCount);
  for (int i = 0; i < sourceCount; ++i) {
    const char16_t unit = source[i];
    unsigned char bytes[4];
    int count = 1;
    std::uint32_t index = 0;
    bool four = false;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < sourceCount && source[i + 1] >= 0xDC00 && source[i + 1] <= 0xDFFF) {
      index = kSupplementaryFirst + ((unit - 0xD800u) << 10) + (source[i + 1] - 0xDC00u);
      four = true;
      ++i;
    } else {
      const std::uint16_t value = kGb18030.Encoded(unit);
      if (value == kFourBytes) {
        index = BmpIndex(unit);
        four = true;
      } else if (value > 0xFF) {
        bytes[0] = static_cast<unsigned char>(value >> 8);
        bytes[1] = static_cast<unsigned char>(value & 0xFF);
        count = 2;
      } else {
        bytes[0] = static_cast<unsigned char>(value);
      }
    }
    if (four) {
      bytes[3] = static_cast<unsigned char>(0x30 + index % 10);
      index /= 10;
      bytes[2] = static_cast<unsigned char>(0x81 + index % 126);
      index /= 126;
      bytes[1] = static_cast<unsigned char>(0x30 + index % 10);
      bytes[0] = static_cast<unsigned char>(0x81 + index / 10);
      count = 4;
    }
    if (out.Room() >= 0 && out.Room() < count) return 0;
    for (int k = 0; k < count; ++k) out.Put(static_cast<char>(bytes[k]));
  }
  return out.Result();
}

}  // namespace platform::detail::codepage
