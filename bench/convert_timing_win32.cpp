// Times CONVERT@16 through the real DLL against a bare host loop that makes the
// same MultiByteToWideChar and WideCharToMultiByte calls and the same 18 WriteFile
// calls with buffers it keeps, under Wine: per call on 100 bytes and once on
// 16 MiB, with the trace on NUL or in a file. Batches of both alternate, timed with
// QueryPerformanceCounter, and the median of each is printed as "name ns-per-call".
//   convert_timing_win32.exe nul [repetitions]   per call and 16 MiB, trace on NUL
//   convert_timing_win32.exe file [repetitions]  per call, trace in a temporary file

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "LotanconvertCP.h"

namespace {

constexpr int kFrom = 1251;
constexpr int kTo = 866;

// The same Windows-1251 text as the Linux benchmark: Cyrillic words of 2 to 9
// letters between single spaces.
std::string CyrillicText(std::size_t size) {
  std::string text(size, ' ');
  std::uint32_t state = 12345;
  std::size_t i = 0;
  while (i < size) {
    state = state * 1103515245u + 12345u;
    const std::size_t word = 2 + (state >> 16) % 8;
    for (std::size_t k = 0; k < word && i < size; ++k, ++i) {
      state = state * 1103515245u + 12345u;
      text[i] = static_cast<char>(0xC0 + (state >> 16) % 64);
    }
    ++i;
  }
  return text;
}

void Write(HANDLE output, std::string_view piece) {
  while (!piece.empty()) {
    DWORD written = 0;
    if (!WriteFile(output, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) || written == 0) return;
    piece.remove_prefix(written);
  }
}

// What a host does with no library in between: the two conversion calls, the
// copy, and the same 18 pieces written (lines 2 and 3 from its buffers, whatever
// they hold). Its buffers are made once, or, with `fresh`, taken from malloc on
// every call and left unfilled, as a host that keeps nothing would.
class BareLoop {
 public:
  BareLoop(HANDLE output, std::size_t length, bool fresh)
      : output_(output),
        fresh_(fresh),
        wide_(fresh ? 0 : length),
        encoded_(fresh ? 0 : 2 * length),
        out_(2 * length + 1, '\0') {}

  void Run(const std::string& source) {
    const std::size_t length = source.size();
    if (!fresh_) {
      Convert(source, wide_.data(), encoded_.data());
      return;
    }
    auto* wide = static_cast<wchar_t*>(std::malloc(2 * length));
    auto* encoded = static_cast<char*>(std::malloc(2 * length));
    if (wide != nullptr && encoded != nullptr) Convert(source, wide, encoded);
    std::free(encoded);
    std::free(wide);
  }

 private:
  void Convert(const std::string& source, wchar_t* wide, char* encoded) {
    const int n = static_cast<int>(source.size());
    const auto scratch = 2 * source.size();
    WriteNumber("nLen=", n);
    WriteLine("strDst=", std::string_view(reinterpret_cast<const char*>(wide), scratch));
    WriteLine("strRet=", std::string_view(encoded, scratch));
    const int decoded = MultiByteToWideChar(kFrom, 0, source.data(), n, wide, n);
    WriteNumber("nRet=", decoded);
    const int count = WideCharToMultiByte(kTo, 0, wide, decoded, encoded, 2 * n, nullptr, nullptr);
    WriteLine("strRet=", std::string_view(encoded, scratch));
    WriteNumber("nRet=", count);
    const auto bytes = static_cast<std::size_t>(count > 0 ? count : 0);
    std::memcpy(out_.data(), encoded, bytes);
    out_[bytes] = '\0';
    WriteLine("strOut=", std::string_view(out_.data(), bytes));
  }
  void WriteLine(std::string_view label, std::string_view value) {
    Write(output_, label);
    Write(output_, value);
    Write(output_, "\r\n");
  }
  void WriteNumber(std::string_view label, int value) {
    char piece[16];
    const int length = std::snprintf(piece, sizeof piece, "% d\r\n", value);
    Write(output_, label);
    Write(output_, std::string_view(piece, static_cast<std::size_t>(length)));
  }

  HANDLE output_;
  bool fresh_;
  std::vector<wchar_t> wide_;
  std::vector<char> encoded_;
  std::string out_;
};

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(end.QuadPart - start.QuadPart) / frequency;
}

// Nanoseconds per call of `run` over a batch of `calls`.
template <typename Run>
double TimeBatch(int calls, Run run) {
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < calls; ++i) run();
  QueryPerformanceCounter(&end);
  return Seconds(start, end) * 1e9 / calls;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Alternating batches of the library, the bare loop with buffers kept and, for
// `fresh`, the bare loop taking its buffers on every call; prints the medians.
void Compare(HANDLE results, const std::string& name, LotanconvertCPFunction convert, HANDLE output,
             std::size_t size, int calls, int repetitions, bool fresh) {
  const std::string source = CyrillicText(size);
  std::string out(2 * size + 1, '\0');
  BareLoop bare(output, size, false);
  BareLoop bareFresh(output, size, true);
  // One untimed call of each: the code pages' first use and the heap's growth.
  convert(source.c_str(), kFrom, kTo, out.data());
  bare.Run(source);
  std::vector<double> library;
  std::vector<double> baseline;
  std::vector<double> freshBaseline;
  // The order turns round every repetition, so that neither side always runs
  // after the other (a trace file that has just grown, a heap just given back).
  for (int r = 0; r < repetitions; ++r) {
    const auto timeLibrary = [&] {
      library.push_back(TimeBatch(calls, [&] { convert(source.c_str(), kFrom, kTo, out.data()); }));
    };
    if (r % 2 == 0) timeLibrary();
    baseline.push_back(TimeBatch(calls, [&] { bare.Run(source); }));
    if (fresh) freshBaseline.push_back(TimeBatch(calls, [&] { bareFresh.Run(source); }));
    if (r % 2 == 1) timeLibrary();
  }
  char line[256];
  int length = std::snprintf(line, sizeof line, "win32_convert_%s %.1f\nwin32_bare_%s %.1f\n", name.c_str(),
                             Median(library), name.c_str(), Median(baseline));
  if (fresh) {
    length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length),
                            "win32_barefresh_%s %.1f\n", name.c_str(), Median(freshBaseline));
  }
  Write(results, std::string_view(line, static_cast<std::size_t>(length)));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string target = argc > 1 ? argv[1] : "";
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 9;
  if ((target != "nul" && target != "file") || repetitions < 1) {
    std::fprintf(stderr, "usage: convert_timing_win32.exe nul|file [repetitions]\n");
    return 2;
  }
  const HANDLE results = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE output;
  if (target == "nul") {
    output = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    char directory[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    const std::string path = std::string(directory, length) + "lotan-convert-timing.trace";
    output = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  }
  if (output == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open the trace target\n");
    return 1;
  }
  // The library takes the standard output handle at its first trace line, so it
  // is replaced before the library is loaded.
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  const HMODULE module = LoadLibraryA("LotanconvertCP.dll");
  const auto convert =
      module != nullptr ? reinterpret_cast<LotanconvertCPFunction>(
                              reinterpret_cast<void*>(GetProcAddress(module, "CONVERT@16")))
                        : nullptr;
  if (convert == nullptr) {
    std::fprintf(stderr, "cannot load CONVERT@16 from LotanconvertCP.dll\n");
    return 1;
  }
  Compare(results, "call_" + target, convert, output, 100, 2000, repetitions, false);
  if (target == "nul") Compare(results, "16mib_nul", convert, output, std::size_t{16} << 20, 1, repetitions, true);
  FreeLibrary(module);
  CloseHandle(output);
  return 0;
}
