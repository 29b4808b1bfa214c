// The conversion entry of the Linux build against a bare loop that makes the same
// two code-page calls and the same 18 write(2) calls with buffers it keeps, per
// call (trace to /dev/null and to a file) and on 16 MiB; and the code-page
// stand-ins against glibc's iconv on the same text, with their first-call cost.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bare_loop.h"
#include "library/convert.h"
#include "platform/platform.h"

namespace {

using bench::CyrillicText;
using bench::kFrom;
using bench::kTo;
constexpr std::size_t kMiB = std::size_t{1} << 20;

// Puts /dev/null or a fresh file in /tmp in place of descriptor 1 for the life of
// the object; the trace writer writes to descriptor 1, so it follows.
class TraceTarget {
 public:
  explicit TraceTarget(bool toFile) : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    if (toFile) path_ = "/tmp/lotan-convert-bench-" + std::to_string(getpid()) + ".trace";
    const int fd = toFile ? open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600) : open("/dev/null", O_WRONLY);
    ok_ = fd >= 0 && dup2(fd, STDOUT_FILENO) >= 0;
    if (fd >= 0) close(fd);
  }
  ~TraceTarget() {
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    if (!path_.empty()) unlink(path_.c_str());
  }
  TraceTarget(const TraceTarget&) = delete;
  TraceTarget& operator=(const TraceTarget&) = delete;
  bool Ok() const { return ok_; }

 private:
  int saved_;
  std::string path_;
  bool ok_ = false;
};

void WriteAll(std::string_view piece) {
  std::size_t done = 0;
  while (done < piece.size()) {
    const ssize_t n = write(STDOUT_FILENO, piece.data() + done, piece.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// The bare platform of the Linux build: the code-page stand-ins and write(2).
struct BarePlatform {
  int Decode(const char* source, int count, char16_t* wide, int room) {
    return platform::System().MultiByteToWide(kFrom, source, count, wide, room);
  }
  int Encode(const char16_t* wide, int count, char* encoded, int room) {
    return platform::System().WideToMultiByte(kTo, wide, count, encoded, room);
  }
  void Write(std::string_view piece) { WriteAll(piece); }
};

using BareLoop = bench::BareLoop<BarePlatform, char16_t>;

// The per-call text: 100 bytes, the size the platform figures are quoted for.
const std::string& ShortText() {
  static const std::string text = CyrillicText(100);
  return text;
}

void ConvertCall(benchmark::State& state, bool toFile, std::size_t size) {
  const std::string source = size == 100 ? ShortText() : CyrillicText(size);
  std::string out(2 * source.size() + 1, '\0');
  TraceTarget target(toFile);
  if (!target.Ok()) state.SkipWithError("cannot redirect descriptor 1");
  for (auto _ : state) {
    benchmark::DoNotOptimize(library::Convert(source.c_str(), kFrom, kTo, out.data()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}

void BareCall(benchmark::State& state, bool toFile, std::size_t size, bool fresh = false) {
  const std::string source = size == 100 ? ShortText() : CyrillicText(size);
  BarePlatform platform;
  BareLoop bare(platform, source.size(), fresh);
  TraceTarget target(toFile);
  if (!target.Ok()) state.SkipWithError("cannot redirect descriptor 1");
  for (auto _ : state) {
    bare.Run(source);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}

// The first use of a code page builds its tables; every page here is one that no
// other benchmark touches. ./build.sh bench runs it alone in a fresh process, so
// the first of them also pays for the converter's own start-up.
void BM_FirstCall(benchmark::State& state) {
  const int pages[] = {1250, 1252, 437, 850, 20866, 28595, 10007, 1257};
  const std::string text = CyrillicText(100);
  std::vector<char16_t> wide(text.size());
  double slowest = 0;
  for (auto _ : state) {
    for (const int page : pages) {
      const auto start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(platform::System().MultiByteToWide(page, text.data(), 100, wide.data(), 100));
      const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
      slowest = std::max(slowest, took.count());
    }
  }
  state.counters["slowest_us"] = slowest;
}
BENCHMARK(BM_FirstCall)->Iterations(1)->Repetitions(1);

void BM_ConvertCallDevNull(benchmark::State& state) { ConvertCall(state, false, 100); }
void BM_BareCallDevNull(benchmark::State& state) { BareCall(state, false, 100); }
void BM_ConvertCallFile(benchmark::State& state) { ConvertCall(state, true, 100); }
void BM_BareCallFile(benchmark::State& state) { BareCall(state, true, 100); }
void BM_Convert16MiB(benchmark::State& state) { ConvertCall(state, false, 16 * kMiB); }
void BM_Bare16MiB(benchmark::State& state) { BareCall(state, false, 16 * kMiB); }
void BM_BareFresh16MiB(benchmark::State& state) { BareCall(state, false, 16 * kMiB, true); }
BENCHMARK(BM_ConvertCallDevNull)->MinTime(0.2);
BENCHMARK(BM_BareCallDevNull)->MinTime(0.2);
BENCHMARK(BM_ConvertCallFile)->MinTime(0.2);
BENCHMARK(BM_BareCallFile)->MinTime(0.2);
BENCHMARK(BM_Convert16MiB)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Bare16MiB)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_BareFresh16MiB)->Unit(benchmark::kMillisecond)->Iterations(8);

// The stand-ins and iconv on 4 MiB of the same text: single-byte to single-byte
// (decode then encode, against iconv's direct path), to UTF-16 and back.
constexpr std::size_t kThroughputSize = 4 * kMiB;

struct Texts {
  std::string single = CyrillicText(kThroughputSize);
  std::vector<char16_t> wide = std::vector<char16_t>(kThroughputSize);
  Texts() {
    const int n = static_cast<int>(single.size());
    platform::System().MultiByteToWide(kFrom, single.data(), n, wide.data(), n);
  }
};
const Texts& Inputs() {
  static const Texts texts;
  return texts;
}

void Throughput(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kThroughputSize));
}

void BM_StandInSingleToSingle(benchmark::State& state) {
  const Texts& in = Inputs();
  std::vector<char16_t> wide(kThroughputSize);
  std::string out(kThroughputSize, '\0');
  const int n = static_cast<int>(kThroughputSize);
  for (auto _ : state) {
    const int units = platform::System().MultiByteToWide(kFrom, in.single.data(), n, wide.data(), n);
    benchmark::DoNotOptimize(platform::System().WideToMultiByte(kTo, wide.data(), units, out.data(), n));
    benchmark::ClobberMemory();
  }
  Throughput(state);
}

void BM_StandInSingleToUtf16(benchmark::State& state) {
  const Texts& in = Inputs();
  std::vector<char16_t> wide(kThroughputSize);
  const int n = static_cast<int>(kThroughputSize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::System().MultiByteToWide(kFrom, in.single.data(), n, wide.data(), n));
    benchmark::ClobberMemory();
  }
  Throughput(state);
}

void BM_StandInUtf16ToSingle(benchmark::State& state) {
  const Texts& in = Inputs();
  std::string out(kThroughputSize, '\0');
  const int n = static_cast<int>(kThroughputSize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::System().WideToMultiByte(kFrom, in.wide.data(), n, out.data(), n));
    benchmark::ClobberMemory();
  }
  Throughput(state);
}

// One iconv conversion of `bytes` bytes, the descriptor opened once outside the loop.
void IconvRun(benchmark::State& state, const char* to, const char* from, const void* source, std::size_t bytes,
              std::size_t room) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open failed");
    return;
  }
  std::vector<char> out(room);
  for (auto _ : state) {
    char* in = const_cast<char*>(static_cast<const char*>(source));
    std::size_t inLeft = bytes;
    char* at = out.data();
    std::size_t outLeft = room;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(iconv(cd, &in, &inLeft, &at, &outLeft));
    benchmark::ClobberMemory();
  }
  iconv_close(cd);
  Throughput(state);
}

void BM_IconvSingleToSingle(benchmark::State& state) {
  IconvRun(state, "CP866", "CP1251", Inputs().single.data(), kThroughputSize, kThroughputSize);
}
void BM_IconvSingleToUtf16(benchmark::State& state) {
  IconvRun(state, "UTF-16LE", "CP1251", Inputs().single.data(), kThroughputSize, 2 * kThroughputSize);
}
void BM_IconvUtf16ToSingle(benchmark::State& state) {
  IconvRun(state, "CP1251", "UTF-16LE", Inputs().wide.data(), 2 * kThroughputSize, kThroughputSize);
}

BENCHMARK(BM_StandInSingleToSingle)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_IconvSingleToSingle)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_StandInSingleToUtf16)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_IconvSingleToUtf16)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_StandInUtf16ToSingle)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_IconvUtf16ToSingle)->Unit(benchmark::kMillisecond)->MinTime(0.2);

}  // namespace
