// POSIX layer, code pages: UTF-8 (65001) written out by hand, with the invalid-input
// rules of the Windows build as measured under Wine (see DecodeUtf8 below).

#include "platform/posix/codepage_detail.h"

#include <climits>

namespace platform::detail::codepage {
namespace {

// Continuation bytes that follow each lead byte. C0, C1 and F5-FF lead nothing:
// they are invalid on their own, as is a stray continuation byte.
int FollowingBytes(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

// Reads one sequence whose lead byte is at bytes[*at] and whose continuation bytes
// all lie inside the input. Returns the code point, or -1 for an invalid sequence;
// *at then stands after the bytes taken. Measured under Wine: a sequence ends at
// the first byte that shows it invalid, and that byte is read again as the start
// of the next one: "E0 80 AF" is two U+FFFD (E0 80 as one, AF alone), "ED A0 80"
// is two (the surrogate range shows at A0), "F4 90 80 80" is three (F4 90 is
// beyond U+10FFFF, and each 80 is stray).
long ReadSequence(const unsigned char* bytes, int* at) {
  int i = *at;
  const unsigned char lead = bytes[i++];
  const int following = FollowingBytes(lead);
  unsigned long value = lead & (following == 1 ? 0x1Fu : following == 2 ? 0x0Fu : 0x07u);
  auto take = [&](unsigned long& v) {
    const unsigned char bits = static_cast<unsigned char>(bytes[i] ^ 0x80);
    if (bits >= 0x40) return false;
    v = (v << 6) | bits;
    return true;
  };
  long result = -1;
  switch (following) {
    case 3:
      if (!take(value)) break;
      ++i;
      if (value < 0x10) break;  // overlong four-byte form
      [[fallthrough]];
    case 2:
      if (!take(value)) break;
      if (value >= (0x110000 >> 6)) break;  // beyond U+10FFFF: this byte is not taken
      ++i;
      if (value < 0x20) break;                                     // overlong three-byte form
      if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) break;  // a surrogate
      [[fallthrough]];
    case 1:
      if (!take(value)) break;
      ++i;
      result = static_cast<long>(value);
      break;
    default:
      break;
  }
  *at = i;
  return result;
}

// Both directions are written once for a size query (kWrite false: only count)
// and once for a conversion into a target of `capacity` units or bytes.
template <bool kWrite>
int Decode(const unsigned char* bytes, int sourceCount, char16_t* target, int capacity) {
  int written = 0;
  // Stores one unit; false once the target is full.
  auto put = [&](char16_t unit) {
    if constexpr (kWrite) {
      if (written >= capacity) return false;
      target[written] = unit;
    }
    ++written;
    return true;
  };
  int i = 0;
  while (i < sourceCount) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      // A run of ASCII, the common case, without the checks below.
      int end = sourceCount;
      if constexpr (kWrite) end = i + (capacity - written < sourceCount - i ? capacity - written : sourceCount - i);
      while (i < end && bytes[i] < 0x80) {
        if constexpr (kWrite) target[written] = bytes[i];
        ++written;
        ++i;
      }
      if (i < sourceCount && bytes[i] < 0x80) return 0;  // the target is full
      continue;
    }
    const int following = FollowingBytes(lead);
    if (following == 0) {
      if (!put(kReplacement)) return 0;
      ++i;
      continue;
    }
    if (following > sourceCount - i - 1) {
      // Measured under Wine: a sequence cut off by the end of the input is one
      // U+FFFD for all the bytes left, whatever they are ("F0 41" gives one).
      if (!put(kReplacement)) return 0;
      break;
    }
    const long value = ReadSequence(bytes, &i);
    if (value < 0) {
      if (!put(kReplacement)) return 0;
    } else if (value < 0x10000) {
      if (!put(static_cast<char16_t>(value))) return 0;
    } else {
      // A pair that does not fit fails the call. (Wine, when the pair is the
      // last character, keeps its first half and reports success; the second
      // half would be lost, so this layer does not copy that.)
      const unsigned long v = static_cast<unsigned long>(value) - 0x10000;
      if (!put(static_cast<char16_t>(0xD800 + (v >> 10)))) return 0;
      if (!put(static_cast<char16_t>(0xDC00 + (v & 0x3FF)))) return 0;
    }
  }
  return written;
}

template <bool kWrite>
int Encode(const char16_t* source, int sourceCount, char* target, int capacity) {
  long long written = 0;  // a size query may count past what an int holds
  for (int i = 0; i < sourceCount; ++i) {
    unsigned long value = source[i];
    if (value < 0x80) {
      if constexpr (kWrite) {
        if (written >= capacity) return 0;
        target[written] = static_cast<char>(value);
      }
      ++written;
      continue;
    }
    if (value >= 0xD800 && value <= 0xDBFF && i + 1 < sourceCount && source[i + 1] >= 0xDC00 &&
        source[i + 1] <= 0xDFFF) {
      value = 0x10000 + ((value - 0xD800) << 10) + (static_cast<unsigned long>(source[i + 1]) - 0xDC00);
      ++i;
    } else if (value >= 0xD800 && value <= 0xDFFF) {
      value = kReplacement;  // a lone half of a pair
    }
    unsigned char bytes[4];
    int length;
    if (value < 0x800) {
      bytes[0] = static_cast<unsigned char>(0xC0 | (value >> 6));
      bytes[1] = static_cast<unsigned char>(0x80 | (value & 0x3F));
      length = 2;
    } else if (value < 0x10000) {
      bytes[0] = static_cast<unsigned char>(0xE0 | (value >> 12));
      bytes[1] = static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | (value & 0x3F));
      length = 3;
    } else {
      bytes[0] = static_cast<unsigned char>(0xF0 | (value >> 18));
      bytes[1] = static_cast<unsigned char>(0x80 | ((value >> 12) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F));
      bytes[3] = static_cast<unsigned char>(0x80 | (value & 0x3F));
      length = 4;
    }
    if constexpr (kWrite) {
      // Only whole characters are written; one that does not fit ends the call.
      if (length > capacity - written) return 0;
      for (int k = 0; k < length; ++k) target[written + k] = static_cast<char>(bytes[k]);
    }
    written += length;
  }
  return written > INT_MAX ? 0 : static_cast<int>(written);
}

}  // namespace

int DecodeUtf8(const char* source, int sourceCount, char16_t* target, int targetCount) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(source);
  return targetCount == 0 ? Decode<false>(bytes, sourceCount, nullptr, 0)
                          : Decode<true>(bytes, sourceCount, target, targetCount);
}

int EncodeUtf8(const char16_t* source, int sourceCount, char* target, int targetCount) {
  return targetCount == 0 ? Encode<false>(source, sourceCount, nullptr, 0)
                          : Encode<true>(source, sourceCount, target, targetCount);
}

}  // namespace platform::detail::codepage
