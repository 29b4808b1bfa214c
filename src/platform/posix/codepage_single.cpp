// POSIX layer, code pages: the single-byte code pages. Each one's 256-entry decode
// table and 64K-entry encode table are built once, at its first use, from glibc's
// iconv (the platform's own converter), mended where the Windows tables differ.

#include <iconv.h>

#include <array>
#include <bit>
#include <cstring>
#include <mutex>

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

struct SingleByteCodePage {
  int number;
  const char* iconvName;  // nullptr: built by hand (20127)
};

constexpr std::array<SingleByteCodePage, 41> kCodePages = {{
    {437, "CP437"},          {737, "CP737"},         {775, "CP775"},         {850, "CP850"},
    {852, "CP852"},          {855, "CP855"},         {857, "CP857"},         {860, "CP860"},
    {861, "CP861"},          {862, "CP862"},         {863, "CP863"},         {864, "CP864"},
    {865, "CP865"},          {866, "CP866"},         {869, "CP869"},         {874, "CP874"},
    {1250, "CP1250"},        {1251, "CP1251"},       {1252, "CP1252"},       {1253, "CP1253"},
    {1254, "CP1254"},        {1255, "CP1255"},       {1256, "CP1256"},       {1257, "CP1257"},
    {1258, "CP1258"},        {10000, "MACINTOSH"},   {10007, "MAC-CYRILLIC"}, {20127, nullptr},
    {20866, "KOI8-R"},       {21866, "KOI8-U"},      {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},   {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},   {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},  {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
}};

// Bytes whose Windows unit differs from glibc's (compared under Wine).
struct ByteFix {
  int codePage;
  unsigned char byte;
  char16_t unit;
};
constexpr ByteFix kFixes[] = {
    {864, 0x25, 0x0025},    // glibc: U+066A ARABIC PERCENT SIGN
    {1255, 0xCA, 0x05BA},   // glibc leaves it undefined
    {10000, 0xBD, 0x2126},  // glibc: U+03A9, U+0394 (the Greek letters, not the signs)
    {10000, 0xC6, 0x2206},
    {10007, 0xA2, 0x00A2},  // glibc: U+0490, U+0491 (the Ukrainian variant)
    {10007, 0xB6, 0x2202},
    {21866, 0xAE, 0x045E},  // glibc: box drawing; Windows has the Belarusian letters
    {21866, 0xBE, 0x040E},
    {28597, 0xA1, 0x02BD},  // glibc follows the 2003 edition
    {28597, 0xA2, 0x02BC},
    {28598, 0xAF, 0x203E},
};

// Bytes Windows gives consecutive private-use units, starting at `first`, where
// glibc has none (or, for 28597 A4 A5 AA and 28598 FD FE, later additions).
struct PrivateRun {
  int codePage;
  char16_t first;
  const char* bytes;
};
constexpr PrivateRun kPrivateRuns[] = {
    {857, 0xF8BB, "\xD5\xE7\xF2"},
    {864, 0xF8BE, "\xA6\xA7\xFF"},
    {874, 0xF8C1, "\xDB\xDC\xDD\xDE\xFC\xFD\xFE\xFF"},
    {1253, 0xF8F9, "\xAA\xD2\xFF"},
    {1255, 0xF88D, "\xD9\xDA\xDB\xDC\xDD\xDE\xDF\xFB\xFC\xFF"},
    {1257, 0xF8FC, "\xA1\xA5"},
    {10000, 0xF8FF, "\xF0"},
    {28593, 0xF7F5, "\xA5\xAE\xBE\xC3\xD0\xE3\xF0"},
    {28596, 0xF7C8,
     "\xA1\xA2\xA3\xA5\xA6\xA7\xA8\xA9\xAA\xAB\xAE\xAF\xB0\xB1\xB2\xB3\xB4\xB5\xB6\xB7\xB8\xB9\xBA\xBC\xBD\xBE"
     "\xC0\xDB\xDC\xDD\xDE\xDF\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF"},
    {28597, 0xF7C2, "\xA4\xA5\xAA\xAE\xD2\xFF"},
    {28598, 0xF79C,
     "\xA1\xBF\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7"
     "\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xFB\xFC\xFD\xFE\xFF"},
};

// A byte that neither glibc nor the lists above give a unit. Windows decodes such
// a byte to the unit of the same number (1251 0x98 is U+0098).
constexpr char32_t kUndefined = 0xFFFFFFFF;

// Decodes every byte with glibc, one byte per call so that an undefined byte
// costs only itself. CP1258 holds a base letter back for a combining mark that
// may follow, so each byte is flushed on its own; Windows never combines.
bool DecodeWithIconv(const char* name, char32_t (&units)[256]) {
  constexpr bool kLittle = std::endian::native == std::endian::little;
  iconv_t cd = iconv_open(kLittle ? "UTF-16LE" : "UTF-16BE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char16_t out[4];
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    const std::size_t produced = sizeof out - outLeft;
    units[b] = (r != static_cast<std::size_t>(-1) && produced == sizeof(char16_t)) ? out[0] : kUndefined;
  }
  iconv_close(cd);
  return true;
}

bool Build(const SingleByteCodePage& page, SingleByteTable& table) {
  char32_t units[256];
  if (page.iconvName == nullptr) {
    // US-ASCII as Windows has it: a byte with the high bit set loses that bit.
    for (int b = 0; b < 256; ++b) units[b] = static_cast<char32_t>(b & 0x7F);
  } else if (!DecodeWithIconv(page.iconvName, units)) {
    return false;
  }
  for (const ByteFix& fix : kFixes) {
    if (fix.codePage == page.number) units[fix.byte] = fix.unit;
  }
  for (const PrivateRun& run : kPrivateRuns) {
    if (run.codePage != page.number) continue;
    char16_t unit = run.first;
    for (const char* p = run.bytes; *p != '\0'; ++p) units[static_cast<unsigned char>(*p)] = unit++;
  }
  for (int b = 0; b < 256; ++b) {
    table.decode[b] = static_cast<char16_t>(units[b] == kUndefined ? static_cast<char32_t>(b) : units[b]);
  }

  std::memset(table.encode, kDefaultByte, sizeof table.encode);
  const BestFitList bestFit = BestFit(page.number);
  for (std::size_t i = 0; i < bestFit.count; ++i) {
    table.encode[bestFit.entries[i] >> 8] = static_cast<unsigned char>(bestFit.entries[i] & 0xFF);
  }
  // A unit that two bytes decode to is written as the lower byte (20127's 0x41
  // and 0xC1 both read as 'A'; 'A' is written 0x41).
  for (int b = 255; b >= 0; --b) table.encode[table.decode[b]] = static_cast<unsigned char>(b);
  return true;
}

struct Slot {
  std::once_flag once;
  bool built = false;
};

// Tables live in static storage (zero pages until a code page is first used), so
// building one never allocates and cannot fail for want of memory.
SingleByteTable gTables[kCodePages.size()];
Slot gSlots[kCodePages.size()];

}  // namespace

const SingleByteTable* FindSingleByteTable(int codePage) {
  for (std::size_t i = 0; i < kCodePages.size(); ++i) {
    if (kCodePages[i].number != codePage) continue;
    Slot& slot = gSlots[i];
    std::call_once(slot.once, [&] { slot.built = Build(kCodePages[i], gTables[i]); });
    return slot.built ? &gTables[i] : nullptr;
  }
  return nullptr;
}

}  // namespace platform::detail::codepage
