// POSIX layer, code pages: UTF-7 (65000) written out by hand, with the rules of
// the Windows build as measured under Wine (see the comments at each direction).

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The sextet of a base64 character, or -1.
int Sextet(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Units written as themselves (measured: the set D of RFC 2152 with space, tab,
// CR, LF and NUL; "!", "~" and the other optional characters are encoded).
bool Direct(char16_t unit) {
  if ((unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z') || (unit >= '0' && unit <= '9')) return true;
  switch (unit) {
    case 0x00: case '\t': case '\n': case '\r': case ' ': case '\'': case '(': case ')':
    case ',': case '-': case '.': case '/': case ':': case '?':
      return true;
    default:
      return false;
  }
}

}  // namespace

// Measured under Wine: a byte other than "+" is the unit of the same number (0x80
// is U+0080). "+-" is "+". After "+", base64 characters give a unit for every 16
// bits; the first other character ends the run, and is dropped when it is "-";
// bits left over are dropped. A "+" with no base64 after it gives nothing.
int DecodeUtf7(const char* source, int sourceCount, char16_t* target, int targetCount) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(source);
  Output<char16_t> out(target, targetCount);
  int i = 0;
  while (i < sourceCount) {
    if (bytes[i] != '+') {
      if (!out.Put(bytes[i])) return 0;
      ++i;
      continue;
    }
    ++i;
    if (i < sourceCount && bytes[i] == '-') {
      if (!out.Put('+')) return 0;
      ++i;
      continue;
    }
    unsigned long bits = 0;
    int bitCount = 0;
    while (i < sourceCount) {
      const int sextet = Sextet(bytes[i]);
      if (sextet < 0) {
        if (bytes[i] == '-') ++i;
        break;
      }
      bits = (bits << 6 | static_cast<unsigned long>(sextet)) & 0x3FFFFF;
      bitCount += 6;
      ++i;
      if (bitCount >= 16) {
        bitCount -= 16;
        if (!out.Put(static_cast<char16_t>(bits >> bitCount))) return 0;
      }
    }
  }
  return out.Result();
}

// Measured under Wine: "+" is "+-"; any run of other units outside the direct set
// is "+", their bits in base64 (the last sextet padded with zero bits), and "-",
// whatever follows. The halves of a surrogate pair are units like any other. When
// the target is too small the characters that fit are written and the call fails.
//   EncodeUtf7(u"A\u3042B", 3, out, 8) == 7 with out = "A+MEI-B"
int EncodeUtf7(const char16_t* source, int sourceCount, char* target, int targetCount) {
  Output<char> out(target, targetCount);
  int i = 0;
  while (i < sourceCount) {
    const char16_t unit = source[i];
    if (Direct(unit)) {
      if (!out.Put(static_cast<char>(unit))) return 0;
      ++i;
      continue;
    }
    if (unit == '+') {
      if (!out.Put('+') || !out.Put('-')) return 0;
      ++i;
      continue;
    }
    if (!out.Put('+')) return 0;
    unsigned long bits = 0;
    int bitCount = 0;
    for (; i < sourceCount && !Direct(source[i]) && source[i] != '+'; ++i) {
      bits = (bits << 16 | source[i]) & 0x3FFFFF;
      bitCount += 16;
      while (bitCount >= 6) {
        bitCount -= 6;
        if (!out.Put(kBase64[(bits >> bitCount) & 0x3F])) return 0;
      }
    }
    // Measured under Wine: with room for one more character only, the last,
    // padded sextet gives way to the "-" (then the call fails).
    if (bitCount > 0 && (out.Room() == 1 || !out.Put(kBase64[(bits << (6 - bitCount)) & 0x3F]))) {
      out.Put('-');
      return 0;
    }
    if (!out.Put('-')) return 0;
  }
  return out.Result();
}

}  // namespace platform::detail::codepage
