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
#include "bare_loop.h"

namespace {

using bench::CyrillicText;
using bench::kFrom;
using bench::kTo;

void WriteAll(HANDLE output, std::string_view piece) {
  while (!piece.empty()) {
    DWORD written = 0;
    if (!WriteFile(output, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) || written == 0) return;
    piece.remove_prefix(written);
  }
}

// The bare platform of the Windows build: KERNEL32's own calls, straight.
struct BarePlatform {
  HANDLE output;
  int Decode(const char* source, int count, wchar_t* wide, int room) {
    return MultiByteToWideChar(kFrom, 0, source, count, wide, room);
  }
  int Encode(const wchar_t* wide, int count, char* encoded, int room) {
    return WideCharToMultiByte(kTo, 0, wide, count, encoded, room, nullptr, nullptr);
  }
  void Write(std::string_view piece) { WriteAll(output, piece); }
};

using BareLoop = bench::BareLoop<BarePlatform, wchar_t>;

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
  BarePlatform platform{output};
  BareLoop bare(platform, size, false);
  BareLoop bareFresh(platform, size, true);
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
  WriteAll(results, std::string_view(line, static_cast<std::size_t>(length)));
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
