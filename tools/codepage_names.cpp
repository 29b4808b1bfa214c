// The names table of cpconv and the cutting rules of its code pages. A listed
// code page is offered by -l only when the build's library converts it, so the
// table may name more code pages than one platform has.

#include "tools/codepage_names.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using enum CharacterEnds;

constexpr CodePageName kTable[] = {
    {37, "ibm037 cp037", "IBM EBCDIC (US-Canada)", kAnyByte},
    {437, "ibm437 cp437", "OEM United States", kAnyByte},
    {500, "ibm500 cp500", "IBM EBCDIC (International)", kAnyByte},
    {720, "dos-720 cp720", "Arabic (DOS)", kAnyByte},
    {737, "ibm737 cp737", "Greek (DOS)", kAnyByte},
    {775, "ibm775 cp775", "Baltic (DOS)", kAnyByte},
    {850, "ibm850 cp850", "Western European (DOS)", kAnyByte},
    {852, "ibm852 cp852", "Central European (DOS)", kAnyByte},
    {855, "ibm855 cp855", "Cyrillic (DOS)", kAnyByte},
    {857, "ibm857 cp857", "Turkish (DOS)", kAnyByte},
    {858, "ibm00858 cp858", "Western European with euro (DOS)", kAnyByte},
    {860, "ibm860 cp860", "Portuguese (DOS)", kAnyByte},
    {861, "ibm861 cp861", "Icelandic (DOS)", kAnyByte},
    {862, "dos-862 ibm862 cp862", "Hebrew (DOS)", kAnyByte},
    {863, "ibm863 cp863", "French Canadian (DOS)", kAnyByte},
    {864, "ibm864 cp864", "Arabic (864)", kAnyByte},
    {865, "ibm865 cp865", "Nordic (DOS)", kAnyByte},
    {866, "cp866 ibm866", "Cyrillic (DOS, Russian)", kAnyByte},
    {869, "ibm869 cp869", "Modern Greek (DOS)", kAnyByte},
    {874, "windows-874 cp874", "Thai (Windows)", kAnyByte},
    {875, "cp875", "IBM EBCDIC (Greek Modern)", kAnyByte},
    {932, "shift_jis sjis cp932 windows-31j", "Japanese (Shift-JIS)", kLowAscii},
    {936, "gbk gb2312 cp936", "Chinese Simplified (GBK)", kLowAscii},
    {949, "euc-kr cp949 ks_c_5601-1987", "Korean (Unified Hangul)", kLowAscii},
    {950, "big5 cp950", "Chinese Traditional (Big5)", kLowAscii},
    {1026, "ibm1026 cp1026", "IBM EBCDIC (Turkish Latin-5)", kAnyByte},
    {1047, "ibm01047 cp1047", "IBM EBCDIC (Latin 1, Open Systems)", kAnyByte},
    {1250, "windows-1250 cp1250", "Central European (Windows)", kAnyByte},
    {1251, "windows-1251 cp1251", "Cyrillic (Windows)", kAnyByte},
    {1252, "windows-1252 cp1252", "Western European (Windows)", kAnyByte},
    {1253, "windows-1253 cp1253", "Greek (Windows)", kAnyByte},
    {1254, "windows-1254 cp1254", "Turkish (Windows)", kAnyByte},
    {1255, "windows-1255 cp1255", "Hebrew (Windows)", kAnyByte},
    {1256, "windows-1256 cp1256", "Arabic (Windows)", kAnyByte},
    {1257, "windows-1257 cp1257", "Baltic (Windows)", kAnyByte},
    {1258, "windows-1258 cp1258", "Vietnamese (Windows)", kAnyByte},
    {1361, "johab cp1361", "Korean (Johab)", kLowAscii},
    {10000, "macintosh x-mac-roman", "Western European (Mac)", kAnyByte},
    {10007, "x-mac-cyrillic mac-cyrillic", "Cyrillic (Mac)", kAnyByte},
    {20127, "us-ascii ascii", "US-ASCII", kAnyByte},
    {20866, "koi8-r cp20866", "Cyrillic (KOI8-R)", kAnyByte},
    {21866, "koi8-u cp21866", "Cyrillic (KOI8-U)", kAnyByte},
    {28591, "iso-8859-1 latin1", "Western European (ISO)", kAnyByte},
    {28592, "iso-8859-2 latin2", "Central European (ISO)", kAnyByte},
    {28593, "iso-8859-3 latin3", "Latin 3 (ISO)", kAnyByte},
    {28594, "iso-8859-4 latin4", "Baltic (ISO)", kAnyByte},
    {28595, "iso-8859-5", "Cyrillic (ISO)", kAnyByte},
    {28596, "iso-8859-6", "Arabic (ISO)", kAnyByte},
    {28597, "iso-8859-7", "Greek (ISO)", kAnyByte},
    {28598, "iso-8859-8", "Hebrew (ISO, visual)", kAnyByte},
    {28599, "iso-8859-9 latin5", "Turkish (ISO)", kAnyByte},
    {28603, "iso-8859-13", "Estonian (ISO)", kAnyByte},
    {28605, "iso-8859-15 latin-9", "Latin 9 (ISO)", kAnyByte},
    {50220, "iso-2022-jp", "Japanese (JIS)", kLineFeed},
    {50225, "iso-2022-kr", "Korean (ISO-2022)", kLineFeed},
    {51932, "euc-jp", "Japanese (EUC)", kLowAscii},
    {52936, "hz-gb-2312", "Chinese Simplified (HZ)", kLineFeed},
    {54936, "gb18030", "Chinese Simplified (GB18030)", kLowAscii},
    {65000, "utf-7 utf7", "Unicode (UTF-7)", kLineFeed},
    {65001, "utf-8 utf8", "Unicode (UTF-8)", kUtf8},
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool HasName(const CodePageName& entry, std::string_view name) {
  std::string_view names = entry.names;
  while (!names.empty()) {
    const std::size_t space = names.find(' ');
    if (SameName(names.substr(0, space), name)) return true;
    if (space == std::string_view::npos) break;
    names.remove_prefix(space + 1);
  }
  return false;
}

bool ParseNumber(std::string_view text, int& number) {
  if (text.empty() || !(text[0] == '-' || text[0] == '+' || (text[0] >= '0' && text[0] <= '9'))) return false;
  const std::string copy(text);
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(copy.c_str(), &end, 10);
  if (*end != '\0' || end == copy.c_str() || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
  number = static_cast<int>(value);
  return true;
}

}  // namespace

std::span<const CodePageName> CodePageNames() { return kTable; }

const CodePageName* FindCodePage(int number) {
  for (const CodePageName& entry : kTable) {
    if (entry.number == number) return &entry;
  }
  return nullptr;
}

bool ParseCodePage(std::string_view text, int& number) {
  if (ParseNumber(text, number)) return true;
  for (const CodePageName& entry : kTable) {
    if (HasName(entry, text)) {
      number = entry.number;
      return true;
    }
  }
  return false;
}

CharacterEnds EndsOf(int number) {
  const CodePageName* entry = FindCodePage(number);
  return entry != nullptr ? entry->ends : kLineFeed;
}

std::size_t CutPoint(CharacterEnds ends, const char* bytes, std::size_t size) {
  for (std::size_t i = size; i > 0; --i) {
    if (bytes[i - 1] == '\n') return i;
  }
  switch (ends) {
    case kAnyByte:
      return size;
    case kUtf8:
      for (std::size_t i = size; i > 0; --i) {
        if ((static_cast<unsigned char>(bytes[i - 1]) & 0xC0) != 0x80) return i - 1;
      }
      return 0;
    case kLowAscii:
      for (std::size_t i = size; i > 0; --i) {
        if (static_cast<unsigned char>(bytes[i - 1]) < 0x30) return i;
      }
      return 0;
    case kLineFeed:
      return 0;
  }
  return 0;
}
