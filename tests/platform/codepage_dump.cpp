// Writes what the platform's code-page calls make of a fixed set of inputs, one
// line per call, so that the Linux build and the Windows build (run under Wine) can
// be compared byte for byte. With --best-fit it writes instead the best-fit source
// file of the Linux layer from the calls of the build it runs in (meant for the
// Windows build under Wine, whose calls are the reference).
//   codepage_dump OUT.txt           the comparison dump
//   codepage_dump --best-fit OUT.cpp

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// The code pages compared in full.
const int kComparedCodePages[] = {437, 850, 866, 1251, 1252, 20866, 21866, 28595};

// Every single-byte code page of the Linux layer (the best-fit file covers them).
const int kSingleByteCodePages[] = {437,   737,   775,   850,   852,   855,   857,   860,   861,   862,   863,
                                    864,   865,   866,   869,   874,   1250,  1251,  1252,  1253,  1254,  1255,
                                    1256,  1257,  1258,  10000, 10007, 20127, 20866, 21866, 28591, 28592, 28593,
                                    28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605};

constexpr char16_t kUnitMarker = 0x2C2C;
constexpr char kByteMarker = '-';

class Dump {
 public:
  explicit Dump(std::FILE* out) : out_(out) {}

  // One decode call; the line shows the result and the whole target afterwards.
  void Decode(const char* tag, int codePage, const std::string& bytes, int capacity) {
    std::vector<char16_t> target(static_cast<std::size_t>(capacity) + 1, kUnitMarker);
    const int result = platform::System().MultiByteToWide(codePage, bytes.data(), static_cast<int>(bytes.size()),
                                                          capacity == 0 ? nullptr : target.data(), capacity);
    std::fprintf(out_, "%s %d cap %d [", tag, codePage, capacity);
    for (char b : bytes) std::fprintf(out_, " %02X", static_cast<unsigned char>(b));
    std::fprintf(out_, " ] -> %d:", result);
    for (std::size_t i = 0; i < static_cast<std::size_t>(capacity); ++i) std::fprintf(out_, " %04X", target[i]);
    std::fprintf(out_, "\n");
  }

  void Encode(const char* tag, int codePage, const std::u16string& units, int capacity) {
    std::vector<char> target(static_cast<std::size_t>(capacity) + 1, kByteMarker);
    const int result = platform::System().WideToMultiByte(codePage, units.data(), static_cast<int>(units.size()),
                                                          capacity == 0 ? nullptr : target.data(), capacity);
    std::fprintf(out_, "%s %d cap %d [", tag, codePage, capacity);
    for (char16_t u : units) std::fprintf(out_, " %04X", u);
    std::fprintf(out_, " ] -> %d:", result);
    for (std::size_t i = 0; i < static_cast<std::size_t>(capacity); ++i) {
      std::fprintf(out_, " %02X", static_cast<unsigned char>(target[i]));
    }
    std::fprintf(out_, "\n");
  }

  // One unit's byte, for the sweep of all units (only a byte other than '?' is shown).
  void EncodeOne(int codePage, char16_t unit) {
    char byte = kByteMarker;
    const int result = platform::System().WideToMultiByte(codePage, &unit, 1, &byte, 1);
    if (result != 1 || byte != '?') {
      std::fprintf(out_, "sweep %d %04X -> %d: %02X\n", codePage, unit, result, static_cast<unsigned char>(byte));
    }
  }

 private:
  std::FILE* out_;
};

char16_t DecodeByte(int codePage, unsigned char byte) {
  const char source = static_cast<char>(byte);
  char16_t unit = 0;
  return platform::System().MultiByteToWide(codePage, &source, 1, &unit, 1) == 1 ? unit : char16_t{0};
}

bool IsSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

void DumpSingleByte(Dump& dump) {
  std::set<char16_t> decoded;
  for (int codePage : kComparedCodePages) {
    for (int b = 0; b < 256; ++b) {
      dump.Decode("byte", codePage, std::string(1, static_cast<char>(b)), 1);
      decoded.insert(DecodeByte(codePage, static_cast<unsigned char>(b)));
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    dump.Decode("all", codePage, all, 256);
  }
  // Every unit any of them decodes to, written in each of them: the conversions
  // a host makes between two of these code pages.
  for (int codePage : kComparedCodePages) {
    for (char16_t unit : decoded) dump.Encode("unit", codePage, std::u16string(1, unit), 1);
  }
  for (int codePage : kComparedCodePages) {
    for (unsigned u = 0; u < 0x10000; ++u) {
      if (!IsSurrogate(u)) dump.EncodeOne(codePage, static_cast<char16_t>(u));
    }
  }
}

void DumpUtf8(Dump& dump) {
  for (int a = 0; a < 256; ++a) dump.Decode("utf8", 65001, std::string(1, static_cast<char>(a)), 4);
  for (int a = 0x80; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      dump.Decode("utf8", 65001, {static_cast<char>(a), static_cast<char>(b)}, 4);
    }
  }
  // Bytes at the edges of the valid ranges, after every lead byte.
  const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                 0xC0, 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xFF};
  for (int a = 0xC0; a < 256; ++a) {
    for (unsigned char b : edges) {
      for (unsigned char c : edges) {
        const std::string s = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)};
        dump.Decode("utf8", 65001, s, 4);
        dump.Decode("utf8", 65001, s + "A", 5);
      }
    }
  }
  const unsigned char fewer[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
  for (int a = 0xE0; a < 256; ++a) {
    for (unsigned char b : fewer) {
      for (unsigned char c : fewer) {
        for (unsigned char d : fewer) {
          dump.Decode("utf8", 65001,
                      {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)}, 4);
        }
      }
    }
  }
  // Targets too small, and size queries.
  const std::string tight[] = {"abc", "\xE2\x82\xAC\x41", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80\x41",
                               "\x41\xF0\x9F\x98\x80\x41", "\xC0\xAF\xE2\x82"};
  for (const std::string& s : tight) {
    for (int capacity = 0; capacity <= static_cast<int>(s.size()) + 1; ++capacity) {
      // Left out: Wine writes the first half of a last pair that does not fit and
      // reports success, losing the second half; the Linux layer fails the call.
      if (s == "\xF0\x9F\x98\x80" && capacity == 1) continue;
      dump.Decode("tight", 65001, s, capacity);
      dump.Decode("tight", 1251, s, capacity);
    }
  }
}

void DumpUtf16ToUtf8(Dump& dump) {
  for (unsigned u = 0; u < 0x10000; ++u) dump.Encode("wide", 65001, std::u16string(1, static_cast<char16_t>(u)), 4);
  // Halves of pairs in every order, with and without neighbours.
  const char16_t pieces[] = {0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x0041, 0xFFFD};
  for (char16_t a : pieces) {
    for (char16_t b : pieces) {
      dump.Encode("pair", 65001, {a, b}, 8);
      for (char16_t c : pieces) dump.Encode("pair", 65001, {a, b, c}, 12);
    }
  }
  const std::u16string tight[] = {u"AB\u20AC", u"\xD83D\xDE00", u"A\xD83D\xDE00", u"\xD800\u0414", u"\u0414\u0430"};
  for (const std::u16string& s : tight) {
    for (int capacity = 0; capacity <= 8; ++capacity) {
      dump.Encode("tight", 65001, s, capacity);
      dump.Encode("tight", 1251, s, capacity);
    }
  }
}

int WriteDump(const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "codepage_dump: cannot write %s\n", path);
    return 2;
  }
  Dump dump(out);
  DumpSingleByte(dump);
  DumpUtf8(dump);
  DumpUtf16ToUtf8(dump);
  return std::fclose(out) == 0 ? 0 : 2;
}

// The two-byte code pages whose best-fit choices and user-defined areas are written.
const int kDoubleByteCodePages[] = {932, 936, 949, 950};

void WriteEntries(std::FILE* out, const char* name, int codePage, const std::vector<std::uint32_t>& entries,
                  const char* format) {
  std::fprintf(out, "constexpr std::uint32_t %s%d[] = {", name, codePage);
  if (entries.empty()) std::fprintf(out, "0");  // no empty arrays in C++; the count is 0
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::fprintf(out, "%s", i % 10 == 0 ? "\n    " : " ");
    std::fprintf(out, format, static_cast<unsigned>(entries[i]));
  }
  std::fprintf(out, "\n};\n");
}

// A two-byte code page: its best-fit choices (units that nothing decodes to but
// that are written as something other than '?') and its private-use runs.
void WriteDoubleByte(std::FILE* out, int codePage) {
  auto decodeOne = [codePage](const char* bytes, int count, char16_t* unit) {
    return platform::System().MultiByteToWide(codePage, bytes, count, unit, 1) == 1;
  };
  std::set<char16_t> decoded;
  std::fprintf(out, "constexpr PrivateUseRun kRuns%d[] = {", codePage);
  int runCount = 0;
  for (int lead = 0; lead < 256; ++lead) {
    char16_t unit = 0;
    const char single = static_cast<char>(lead);
    if (decodeOne(&single, 1, &unit)) decoded.insert(unit);
    const char probe[2] = {static_cast<char>(lead), 'A'};
    if (!decodeOne(probe, 2, &unit)) continue;  // 'A' was read on its own: not a lead byte
    int runTrail = -1, runLength = 0;
    char16_t runUnit = 0;
    auto flush = [&] {
      if (runLength == 0) return;
      std::fprintf(out, "%s{0x%02X, 0x%02X, %d, 0x%04X},", runCount % 4 == 0 ? "\n    " : " ", lead, runTrail,
                   runLength, runUnit);
      ++runCount;
      runLength = 0;
    };
    for (int trail = 1; trail < 256; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (!decodeOne(pair, 2, &unit)) {
        flush();
        continue;
      }
      decoded.insert(unit);
      const bool privateUse = unit >= 0xE000 && unit <= 0xF8FF;
      if (privateUse && runLength > 0 && runLength < 255 && trail == runTrail + runLength &&
          unit == runUnit + runLength) {
        ++runLength;
        continue;
      }
      flush();
      if (privateUse) {
        runTrail = trail;
        runUnit = unit;
        runLength = 1;
      }
    }
    flush();
  }
  if (runCount == 0) std::fprintf(out, "{0, 0, 0, 0}");
  std::fprintf(out, "\n};\nconstexpr std::size_t kRunCount%d = %d;\n", codePage, runCount);

  std::vector<std::uint32_t> entries;
  for (unsigned u = 0; u < 0x10000; ++u) {
    const auto unit = static_cast<char16_t>(u);
    if (IsSurrogate(u) || decoded.count(unit) != 0) continue;
    char bytes[2] = {0, 0};
    const int n = platform::System().WideToMultiByte(codePage, &unit, 1, bytes, 2);
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    if (n == 1 && first != '?') entries.push_back((u << 16) | first);
    if (n == 2) entries.push_back((u << 16) | (unsigned{first} << 8) | second);
  }
  WriteEntries(out, "kMulti", codePage, entries, "0x%08X,");
  std::fprintf(out, "constexpr std::size_t kMultiCount%d = %zu;\n\n", codePage, entries.size());
}

// The best-fit choices of the calls in force: every unit that no byte decodes to
// and that is written as something other than '?'.
int WriteBestFit(const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "codepage_dump: cannot write %s\n", path);
    return 2;
  }
  std::fprintf(out,
               "// POSIX layer, code pages: the best-fit choices of the Windows calls with dwFlags 0\n"
               "// (characters written as a near one rather than '?') and the user-defined areas of\n"
               "// the two-byte code pages. Generated by running tests/platform/codepage_dump\n"
               "// --best-fit in the Windows build under Wine; do not edit by hand.\n\n"
               "#include \"platform/posix/codepage_detail.h\"\n\n"
               "namespace platform::detail::codepage {\nnamespace {\n\n");
  for (int codePage : kSingleByteCodePages) {
    std::set<char16_t> decoded;
    for (int b = 0; b < 256; ++b) decoded.insert(DecodeByte(codePage, static_cast<unsigned char>(b)));
    std::vector<std::uint32_t> entries;
    for (unsigned u = 0; u < 0x10000; ++u) {
      const auto unit = static_cast<char16_t>(u);
      if (IsSurrogate(u) || decoded.count(unit) != 0) continue;
      char byte = 0;
      if (platform::System().WideToMultiByte(codePage, &unit, 1, &byte, 1) == 1 && byte != '?') {
        entries.push_back((u << 8) | static_cast<unsigned char>(byte));
      }
    }
    WriteEntries(out, "k", codePage, entries, "0x%06X,");
    std::fprintf(out, "constexpr std::size_t kCount%d = %zu;\n\n", codePage, entries.size());
  }
  for (int codePage : kDoubleByteCodePages) WriteDoubleByte(out, codePage);
  std::fprintf(out, "}  // namespace\n\nBestFitList BestFit(int codePage) {\n  switch (codePage) {\n");
  for (int codePage : kSingleByteCodePages) {
    std::fprintf(out, "    case %d:\n      return {codePage, k%d, kCount%d};\n", codePage, codePage, codePage);
  }
  std::fprintf(out, "    default:\n      return {codePage, nullptr, 0};\n  }\n}\n\n");
  std::fprintf(out, "BestFitList MultiByteBestFit(int codePage) {\n  switch (codePage) {\n");
  for (int codePage : kDoubleByteCodePages) {
    std::fprintf(out, "    case %d:\n      return {codePage, kMulti%d, kMultiCount%d};\n", codePage, codePage, codePage);
  }
  std::fprintf(out, "    default:\n      return {codePage, nullptr, 0};\n  }\n}\n\n");
  std::fprintf(out, "PrivateUseRuns PrivateUseRunsOf(int codePage) {\n  switch (codePage) {\n");
  for (int codePage : kDoubleByteCodePages) {
    std::fprintf(out, "    case %d:\n      return {kRuns%d, kRunCount%d};\n", codePage, codePage, codePage);
  }
  std::fprintf(out, "    default:\n      return {nullptr, 0};\n  }\n}\n\n"
                    "}  // namespace platform::detail::codepage\n");
  return std::fclose(out) == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--best-fit") != 0) return WriteDump(argv[1]);
  if (argc == 3 && std::strcmp(argv[1], "--best-fit") == 0) return WriteBestFit(argv[2]);
  std::fprintf(stderr, "usage: codepage_dump OUT.txt | codepage_dump --best-fit OUT.cpp\n");
  return 2;
}
