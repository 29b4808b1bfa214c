// A program of the Windows layer that writes the code-page tables of the Linux
// layer: it asks KERNEL32 which code pages MultiByteToWideChar takes with flags 0,
// and records what both calls make of every byte, pair and UTF-16 unit in each.
//   make_codepage_tables TABLES.cpp LIST.cpp   (run by tools/make_codepage_tables.sh)

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// Code pages with code of their own on Linux, or left out there:
// 0 to 3 name the locale's code pages; 65000 and 65001 are algorithmic; 65010 is
// Wine's own (the Unix code page), unknown to Windows.
bool IsTableShaped(int codePage) {
  return codePage > 3 && codePage != 65000 && codePage != 65001 && codePage != 65010;
}

bool Listed(int codePage) { return codePage > 3 && codePage != 65010; }

int Decode(int codePage, const unsigned char* bytes, int count, char16_t* out, int capacity) {
  return MultiByteToWideChar(static_cast<UINT>(codePage), 0, reinterpret_cast<const char*>(bytes), count,
                             reinterpret_cast<LPWSTR>(out), capacity);
}

int Encode(int codePage, const char16_t* units, int count, unsigned char* out, int capacity) {
  return WideCharToMultiByte(static_cast<UINT>(codePage), 0, reinterpret_cast<LPCWSTR>(units), count,
                             reinterpret_cast<char*>(out), capacity, nullptr, nullptr);
}

bool Accepted(int codePage) {
  const unsigned char a = 'A';
  char16_t unit;
  return Decode(codePage, &a, 1, &unit, 1) == 1;
}

std::string Name(int codePage) {
  if (codePage == 42) return "Symbol";  // Wine gives no name for it
  if (codePage == 54936) return "GB18030 Simplified Chinese (4 byte)";  // nor for this one
  CPINFOEXA info;
  if (!GetCPInfoExA(static_cast<UINT>(codePage), 0, &info)) return std::to_string(codePage);
  std::string name = info.CodePageName;
  // Windows writes "1252  (ANSI - Latin I)" style names for some; keep the words.
  const std::string prefix = std::to_string(codePage) + " ";
  if (name.rfind(prefix, 0) == 0) name = name.substr(prefix.size());
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  if (name.size() > 2 && name.front() == '(' && name.back() == ')') name = name.substr(1, name.size() - 2);
  return name;
}

int gProblems = 0;
void Problem(int codePage, const char* what, int value) {
  if (++gProblems <= 40) std::fprintf(stderr, "code page %d: %s (%04X)\n", codePage, what, static_cast<unsigned>(value));
}

// What one table-shaped code page does.
struct Measured {
  int number = 0;
  char16_t singles[256] = {};
  bool lead[256] = {};
  std::vector<char16_t> pairs;      // 65536 units, [lead << 8 | trail], for lead bytes
  std::vector<std::uint16_t> encoded;  // 65536 values: a byte, or lead << 8 | trail
};

constexpr std::uint16_t kFails = 0xFFFF;  // no lead byte is FF in any table

Measured Measure(int codePage) {
  Measured m;
  m.number = codePage;
  for (int b = 0; b < 256; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    char16_t out[4];
    if (Decode(codePage, &byte, 1, out, 4) != 1) Problem(codePage, "a byte is not one unit", b);
    m.singles[b] = out[0];
  }
  m.pairs.assign(65536, 0);
  for (int l = 0; l < 256; ++l) {
    int paired = 0;
    for (int t = 0; t < 256; ++t) {
      const unsigned char pair[3] = {static_cast<unsigned char>(l), static_cast<unsigned char>(t), 'A'};
      char16_t out[4] = {};
      const int n = Decode(codePage, pair, 2, out, 4);
      if (n == 1) {
        ++paired;
        m.pairs[static_cast<std::size_t>(l << 8 | t)] = out[0];
        // What follows a pair, defined or not, is read on its own.
        char16_t after[4] = {};
        if (Decode(codePage, pair, 3, after, 4) != 2 || after[0] != out[0] || after[1] != 'A') {
          Problem(codePage, "a pair takes what follows", l << 8 | t);
        }
      } else if (n != 2 || out[0] != m.singles[l] || out[1] != m.singles[t]) {
        Problem(codePage, "a pair is neither one unit nor two bytes", l << 8 | t);
      }
    }
    // Measured under Wine: a zero byte is never a trail byte; the lead byte before
    // it stands alone.
    const bool zeroPairs = m.pairs[static_cast<std::size_t>(l << 8)] != 0 || paired == 256;
    if (zeroPairs || (paired != 0 && paired != 255)) Problem(codePage, "a lead byte pairs with some trail bytes only", l);
    m.lead[l] = paired == 255;
  }
  m.encoded.assign(65536, kFails);
  for (unsigned u = 0; u < 65536; ++u) {
    const char16_t unit = static_cast<char16_t>(u);
    unsigned char out[8] = {};
    const int n = Encode(codePage, &unit, 1, out, 8);
    if (n == 1) {
      m.encoded[u] = out[0];
    } else if (n == 2 && out[0] != 0 && out[0] != 0xFF) {
      m.encoded[u] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
    } else if (n != 0) {  // 0: the code page lacks the unit and fails the call (42)
      Problem(codePage, "a unit is written as more than two bytes", static_cast<int>(u));
    }
  }
  // Units are written one by one: a surrogate pair as its two halves, a block
  // in one call as the blocks of each unit.
  for (unsigned block : {0x00u, 0x20u, 0x4Eu, 0xD8u, 0xDCu, 0xFFu}) {
    std::u16string units;
    std::string expected;
    for (unsigned low = 0; low < 256; ++low) {
      const std::uint16_t v = m.encoded[block << 8 | low];
      if (v == kFails) continue;
      units += static_cast<char16_t>(block << 8 | low);
      if (v > 0xFF) expected += static_cast<char>(v >> 8);
      expected += static_cast<char>(v & 0xFF);
    }
    std::string got(expected.size() + 8, '\0');
    const int n = Encode(codePage, units.data(), static_cast<int>(units.size()),
                         reinterpret_cast<unsigned char*>(got.data()), static_cast<int>(got.size()));
    got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (got != expected) Problem(codePage, "a block is not written unit by unit", static_cast<int>(block));
  }
  return m;
}

// ---------------------------------------------------------------------------
// Writing the source
// ---------------------------------------------------------------------------

// A pool of char16_t values written as one u"" literal, mostly as UTF-8 text:
// about three bytes of source for two bytes of table.
class Pool {
 public:
  // The offset of `values` in the pool, sharing an equal run stored before.
  std::size_t Add(const std::vector<char16_t>& values) {
    auto found = index_.find(values);
    if (found != index_.end()) return found->second;
    const std::size_t offset = values_.size();
    values_.insert(values_.end(), values.begin(), values.end());
    index_.emplace(values, offset);
    return offset;
  }
  std::size_t Size() const { return values_.size(); }

  void Write(std::FILE* out, const char* name) const {
    std::fprintf(out, "constexpr char16_t %s[] =\n    u\"", name);
    std::size_t column = 0;
    bool lastWasHex = false;
    for (std::size_t i = 0; i < values_.size(); ++i) {
      const unsigned v = values_[i];
      if (column >= 100) {
        std::fprintf(out, "\"\n    u\"");
        column = 0;
        lastWasHex = false;
      }
      // "??" and one of =/'()!<>- would read as a trigraph, which gcc warns of.
      const bool trigraph = i >= 2 && values_[i - 1] == '?' && values_[i - 2] == '?' && v < 0x80 &&
                            std::strchr("=/'()!<>-", static_cast<int>(v)) != nullptr;
      if (Plain(v) && !trigraph) {
        const bool hexDigit = (v >= '0' && v <= '9') || (v >= 'a' && v <= 'f') || (v >= 'A' && v <= 'F');
        if (lastWasHex && hexDigit) std::fprintf(out, "\" u\"");
        WriteUtf8(out, v);
        lastWasHex = false;
        ++column;
      } else {
        std::fprintf(out, "\\x%X", v);
        lastWasHex = true;
        column += 4;
      }
    }
    std::fprintf(out, "\";\n\n");
  }

 private:
  // Written as itself: printable, not a surrogate, not a format or control mark
  // (gcc warns of bidirectional marks), not a non-character.
  static bool Plain(unsigned v) {
    if (v < 0x20 || v == '"' || v == '\\' || (v >= 0x7F && v < 0xA0) || v == 0xAD) return false;
    if (v >= 0x2000 && v <= 0x206F) return false;
    if (v >= 0xD800 && v <= 0xDFFF) return false;
    if ((v >= 0xFDD0 && v <= 0xFDEF) || v >= 0xFFF0 || v == 0xFEFF) return false;
    if ((v >= 0x0300 && v <= 0x036F) || (v >= 0x0590 && v <= 0x08FF)) return false;  // combining, right to left
    if (v >= 0xFB1D && v <= 0xFEFC) return false;                                       // right-to-left forms
    return true;
  }
  static void WriteUtf8(std::FILE* out, unsigned v) {
    if (v < 0x80) {
      std::fputc(static_cast<int>(v), out);
    } else if (v < 0x800) {
      std::fputc(static_cast<int>(0xC0 | v >> 6), out);
      std::fputc(static_cast<int>(0x80 | (v & 0x3F)), out);
    } else {
      std::fputc(static_cast<int>(0xE0 | v >> 12), out);
      std::fputc(static_cast<int>(0x80 | ((v >> 6) & 0x3F)), out);
      std::fputc(static_cast<int>(0x80 | (v & 0x3F)), out);
    }
  }

  std::vector<char16_t> values_;
  std::map<std::vector<char16_t>, std::size_t> index_;
};

// The unit most pairs of a code page decode to: the one every pair outside a
// lead byte's stored trail range stands for.
constexpr std::size_t kLeadRanges = 3;  // as TableCodePage::leads holds them

// The lead bytes of a two-byte code page as at most kLeadRanges ranges, the last
// one repeated to fill them: {{0x81, 0x9F}, {0xE0, 0xFC}, {0xE0, 0xFC}} for 932.
std::string LeadRanges(const Measured& m) {
  std::vector<std::pair<int, int>> ranges;
  for (int b = 0; b < 256; ++b) {
    if (!m.lead[b]) continue;
    if (!ranges.empty() && ranges.back().second == b - 1) {
      ranges.back().second = b;
    } else {
      ranges.emplace_back(b, b);
    }
  }
  if (ranges.size() > kLeadRanges) Problem(m.number, "lead bytes in more ranges than the tables hold", static_cast<int>(ranges.size()));
  while (ranges.size() < kLeadRanges) ranges.push_back(ranges.back());
  std::string text = "{";
  for (const auto& [first, last] : ranges) {
    char range[32];
    std::snprintf(range, sizeof range, "{0x%02X, 0x%02X}, ", first, last);
    text += range;
  }
  text.resize(text.size() - 2);
  return text + "}";
}

void WriteLocales(std::FILE* out);

constexpr int kLowUnits = 0x800;  // Latin, Greek, Cyrillic, Hebrew, Arabic

// Bytes as one "" literal: printable ones as themselves, the rest in octal.
void WriteBytes(std::FILE* out, const char* name, const std::string& bytes) {
  std::fprintf(out, "constexpr char %s[] =\n    \"", name);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (i != 0 && i % 128 == 0) std::fprintf(out, "\"\n    \"");
    // "??" and one of =/'()!<>- would read as a trigraph, which gcc warns of.
    const bool trigraph = i % 128 >= 2 && bytes[i - 1] == '?' && bytes[i - 2] == '?' && std::strchr("=/'()!<>-", b) != nullptr;
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && !trigraph) {
      std::fputc(b, out);
    } else {
      std::fprintf(out, "\\%03o", b);
    }
  }
  std::fprintf(out, "\";\n\n");
}

struct Written {
  std::size_t singles;
  long low;  // offset in kLow of its bytes of the units below kLowUnits; -1: none
  bool multiByte;
  std::string leads;       // its lead-byte ranges, source text
  bool lacksUnits;         // some unit fails the call
  unsigned plain;          // the bytes and units below it stand for themselves
  std::size_t rowStart;  // index of its first row in kRows
  std::size_t blockStart;  // index of its first block number in kBlocks
};

void WriteTables(std::FILE* out, const std::vector<Measured>& pages) {
  Pool singles;      // run time: each byte on its own
  Pool decode;       // compile time: the rows the pair tables are widened from
  Pool encode;       // run time: the blocks of single-byte code pages
  Pool wideEncode;   // compile time: the blocks the flat encode tables are made from
  std::vector<Written> written;
  std::string rows;    // an offset in kUnits per byte, source text
  std::string wideBlocks;  // block numbers of two-byte code pages, source text
  std::string blocks;  // block numbers, source text
  std::size_t rowCount = 0, blockCount = 0, wideBlockCount = 0;
  std::string low;  // the bytes of the units below kLowUnits, per single-byte code page
  const std::vector<char16_t> emptyBlock(256, 0);
  for (const Measured& m : pages) {
    Written w{};
    w.singles = singles.Add(std::vector<char16_t>(m.singles, m.singles + 256));
    w.multiByte = std::any_of(std::begin(m.lead), std::end(m.lead), [](bool b) { return b; });
    w.rowStart = rowCount;
    w.low = -1;
    w.lacksUnits = std::find(m.encoded.begin(), m.encoded.end(), kFails) != m.encoded.end();
    while (w.plain < 256 && m.singles[w.plain] == w.plain && m.encoded[w.plain] == w.plain) ++w.plain;
    const bool lowAreBytes = std::all_of(m.encoded.begin(), m.encoded.begin() + kLowUnits,
                                         [](std::uint16_t v) { return v <= 0xFF; });
    if (!w.multiByte && lowAreBytes) {
      std::string bytes(m.encoded.begin(), m.encoded.begin() + kLowUnits);
      const std::size_t found = low.find(bytes);
      w.low = static_cast<long>(found != std::string::npos ? found : low.size());
      if (found == std::string::npos) low += bytes;
    }
    if (w.multiByte) {
      // Full rows: a lead byte's row holds its own unit at 0 and its pair with
      // trail t at t; any other byte's row is its place among the singles. So
      // every character is one load, units[row + (pair ? trail : 0)].
      rows += "\n    // " + std::to_string(m.number) + "\n   ";
      for (int l = 0; l < 256; ++l) {
        std::size_t offset = 0;  // a byte alone comes from the singles
        if (m.lead[l]) {
          std::vector<char16_t> row(m.pairs.begin() + (l << 8), m.pairs.begin() + (l << 8) + 256);
          row[0] = m.singles[l];
          offset = decode.Add(row);
        }
        rows += " " + std::to_string(offset) + ",";
        if (l % 16 == 15) rows += "\n   ";
        ++rowCount;
      }
      w.leads = LeadRanges(m);
    }
    std::string& numbers = w.multiByte ? wideBlocks : blocks;
    std::size_t& count = w.multiByte ? wideBlockCount : blockCount;
    w.blockStart = count;
    numbers += "\n    // " + std::to_string(m.number) + "\n   ";
    for (int b = 0; b < 256; ++b) {
      std::vector<char16_t> block(m.encoded.begin() + (b << 8), m.encoded.begin() + (b << 8) + 256);
      const std::size_t offset = (w.multiByte ? wideEncode : encode).Add(block);
      numbers += " " + std::to_string(offset / 256) + ",";
      if (b % 16 == 15) numbers += "\n   ";
      ++count;
    }
    written.push_back(w);
  }
  std::fprintf(out,
               "// POSIX layer, code pages: what the Windows calls with dwFlags 0 make of every byte,\n"
               "// pair and UTF-16 unit of each table-shaped code page. Generated by\n"
               "// tools/make_codepage_tables.sh from the Windows build under Wine; do not edit.\n\n"
               "#include <array>\n\n"
               "#include \"platform/posix/codepage_detail.h\"\n\n"
               "namespace platform::detail::codepage {\nnamespace {\n\n");
  std::fprintf(out, "// Each byte on its own, 256 units per code page.\n");
  singles.Write(out, "kSingles");
  std::fprintf(out, "// Encoded values of single-byte code pages in blocks of 256 units (a byte, or FFFF: fails).\n");
  encode.Write(out, "kEncoded");
  std::fprintf(out, "// The bytes of the units below U+%04X of single-byte code pages, one load each.\n", kLowUnits);
  WriteBytes(out, "kLow", low);
  std::fprintf(out, "constexpr std::uint16_t kBlocks[] = {%s\n};\n\n", blocks.c_str());
  std::fprintf(out,
               "// Two-byte code pages decode and encode from flat tables of 65536 entries, one\n"
               "// load a character, which the compiler makes from the compact forms below: trail\n"
               "// rows of 256 units per lead byte (its own unit at 0; other bytes' rows unused),\n"
               "// and blocks of 256 encoded values (a byte, lead << 8 | trail, or FFFF: fails).\n"
               "// Only the flat tables are in the library.\n");
  decode.Write(out, "kRowUnits");
  std::fprintf(out, "constexpr std::uint32_t kRows[] = {%s\n};\n\n", rows.c_str());
  wideEncode.Write(out, "kWideEncoded");
  std::fprintf(out, "constexpr std::uint16_t kWideBlocks[] = {%s\n};\n\n", wideBlocks.c_str());
  std::fprintf(out,
               "constexpr std::array<char16_t, 65536> Flat(const std::uint16_t* blocks) {\n"
               "  std::array<char16_t, 65536> flat{};\n"
               "  for (std::size_t u = 0; u < flat.size(); ++u) flat[u] = kWideEncoded[blocks[u >> 8] * 256u + (u & 0xFFu)];\n"
               "  return flat;\n"
               "}\n\n");
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (written[i].multiByte) {
      std::fprintf(out, "constexpr std::array<char16_t, 65536> kFlat%d = Flat(kWideBlocks + %zu);\n", pages[i].number,
                   written[i].blockStart);
      std::fprintf(out,
                   "constexpr std::array<char16_t, 65536> kPairs%d =\n    FlatPairs(kRowUnits, kRows + %zu, kSingles + %zu, %s);\n",
                   pages[i].number, written[i].rowStart, written[i].singles, written[i].leads.c_str());
    }
  }
  std::fprintf(out, "\n");
  std::fprintf(out, "}  // namespace\n\nconst TableCodePage kTableCodePages[] = {\n");
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const Written& w = written[i];
    const std::string number = std::to_string(pages[i].number);
    std::fprintf(out, "    {%d, kSingles + %zu, %s, %s, %s, %s, %s, %s, %s, 0x%X},\n", pages[i].number, w.singles,
                 w.multiByte ? ("kPairs" + number + ".data()").c_str() : "nullptr", w.multiByte ? w.leads.c_str() : "{}",
                 w.multiByte ? "nullptr" : "kEncoded",
                 w.multiByte ? "nullptr" : ("kBlocks + " + std::to_string(w.blockStart)).c_str(),
                 w.low < 0 ? "nullptr" : ("kLow + " + std::to_string(w.low)).c_str(),
                 w.multiByte ? ("kFlat" + number + ".data()").c_str() : "nullptr", w.lacksUnits ? "true" : "false",
                 w.plain);
  }
  std::fprintf(out, "};\nconst std::size_t kTableCodePageCount = %zu;\n\n", pages.size());
  WriteLocales(out);
  std::fprintf(out, "}  // namespace platform::detail::codepage\n");
  std::fprintf(stderr, "run time: %zu single units, %zu encoded values; compile time: %zu row units, %zu encoded values\n",
               singles.Size(), encode.Size(), decode.Size(), wideEncode.Size());
}

// ---------------------------------------------------------------------------
// Locales: the code pages 0 to 3 stand for
// ---------------------------------------------------------------------------

struct LocalePages {
  std::string name;
  unsigned ansi, oem, mac;
};

BOOL CALLBACK CollectLocale(LPWSTR name, DWORD, LPARAM context) {
  auto* locales = reinterpret_cast<std::vector<LocalePages>*>(context);
  auto number = [name](LCTYPE type) {
    DWORD value = 0;
    GetLocaleInfoEx(name, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value), sizeof value / sizeof(WCHAR));
    return static_cast<unsigned>(value);
  };
  std::string text;
  for (const WCHAR* p = name; *p != 0; ++p) text += static_cast<char>(*p);
  // Sort orders ("ja-JP_radstr") name no locale a host can set.
  if (!text.empty() && text.find('_') == std::string::npos) {
    locales->push_back({text, number(LOCALE_IDEFAULTANSICODEPAGE), number(LOCALE_IDEFAULTCODEPAGE),
                        number(LOCALE_IDEFAULTMACCODEPAGE)});
  }
  return TRUE;
}

void WriteLocales(std::FILE* out) {
  std::vector<LocalePages> locales;
  EnumSystemLocalesEx(CollectLocale, LOCALE_ALL, reinterpret_cast<LPARAM>(&locales), nullptr);
  std::sort(locales.begin(), locales.end(), [](const LocalePages& a, const LocalePages& b) { return a.name < b.name; });
  std::fprintf(out, "// Each Windows locale's ANSI, OEM and Mac code pages, sorted by name.\nconst LocaleCodePages kLocales[] = {\n");
  for (const LocalePages& l : locales) {
    std::fprintf(out, "    {\"%s\", %u, %u, %u},\n", l.name.c_str(), l.ansi, l.oem, l.mac);
  }
  std::fprintf(out, "};\nconst std::size_t kLocaleCount = %zu;\n\n", locales.size());
}

void WriteList(std::FILE* out, const std::vector<int>& listed) {
  std::fprintf(out,
               "// The code pages the conversion calls take, with their Windows names. Generated by\n"
               "// tools/make_codepage_tables.sh from the Windows build under Wine; do not edit.\n\n"
               "#include \"platform/platform.h\"\n\n"
               "namespace platform {\nnamespace {\n\n"
               "constexpr CodePageName kNames[] = {\n");
  for (int codePage : listed) std::fprintf(out, "    {%d, \"%s\"},\n", codePage, Name(codePage).c_str());
  std::fprintf(out,
               "};\n\n}  // namespace\n\n"
               "CodePageNames KnownCodePages() { return {kNames, sizeof kNames / sizeof kNames[0]}; }\n\n"
               "}  // namespace platform\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_codepage_tables TABLES.cpp LIST.cpp\n");
    return 2;
  }
  std::vector<int> listed;
  std::vector<Measured> pages;
  for (int codePage = 0; codePage < 65536; ++codePage) {
    if (!Accepted(codePage)) continue;
    if (Listed(codePage)) listed.push_back(codePage);
    if (IsTableShaped(codePage)) pages.push_back(Measure(codePage));
  }
  // Windows has GB18030; Wine 8 does not, and the Linux layer has it of its own.
  if (!Accepted(54936)) {
    listed.insert(std::lower_bound(listed.begin(), listed.end(), 54936), 54936);
  }
  std::FILE* tables = std::fopen(argv[1], "wb");
  std::FILE* list = std::fopen(argv[2], "wb");
  if (tables == nullptr || list == nullptr) {
    std::fprintf(stderr, "make_codepage_tables: cannot write the output files\n");
    return 2;
  }
  WriteTables(tables, pages);
  WriteList(list, listed);
  const bool closed = std::fclose(tables) == 0 && std::fclose(list) == 0;
  if (gProblems != 0) std::fprintf(stderr, "%d measurements do not fit the tables\n", gProblems);
  return closed && gProblems == 0 ? 0 : 1;
}
