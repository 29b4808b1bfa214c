// The conversion entry of the Linux build against a bare loop that makes the same
// two code-page calls and the same 18 write(2) calls with buffers it keeps, per
// call (trace to /dev/null and to a file) and on 16 MiB; round trips through it of
// Japanese, Chinese and Cyrillic text; and the code-page stand-ins against glibc's
// iconv on the same text, every code page iconv has, with their first-call cost.

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

// The first call for every code page, each measured on its own; ./build.sh bench
// runs it alone in a fresh process, so nothing has touched any of them before.
void BM_FirstCall(benchmark::State& state) {
  const platform::CodePageNames known = platform::KnownCodePages();
  const std::string text = "Lotan 123 abc";
  char16_t wide[32];
  double slowest = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < known.count; ++i) {
      const auto start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(
          platform::System().MultiByteToWide(known.entries[i].number, text.data(), 13, wide, 32));
      const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
      slowest = std::max(slowest, took.count());
    }
  }
  state.counters["slowest_us"] = slowest;
  state.counters["code_pages"] = static_cast<double>(known.count);
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

// ---------------------------------------------------------------------------
// Two-byte code pages through CONVERT, and every code page against iconv
// ---------------------------------------------------------------------------

// Text in `codePage` of about `size` bytes (never more): words of 2 to 9 units
// drawn from `alphabet`, a space after each, written by the stand-in.
std::string CodePageText(int codePage, std::u16string_view alphabet, std::size_t size) {
  std::u16string units;
  std::uint32_t state = 12345;
  while (units.size() < size) {
    state = state * 1103515245u + 12345u;
    const std::size_t word = 2 + (state >> 16) % 8;
    for (std::size_t k = 0; k < word; ++k) {
      state = state * 1103515245u + 12345u;
      units += alphabet[(state >> 16) % alphabet.size()];
    }
    units += u' ';
  }
  std::string bytes(2 * units.size(), '\0');
  const int n = platform::System().WideToMultiByte(codePage, units.data(), static_cast<int>(units.size()),
                                                   bytes.data(), static_cast<int>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  bytes.resize(std::min(bytes.size(), bytes.rfind(' ', size)));  // ends after a whole word
  return bytes;
}

constexpr std::u16string_view kJapanese =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
    u"日本語文字変換東京大阪時間今年会社自分事業世界国民政府経済言葉新聞電話学校先生友達";
constexpr std::u16string_view kChinese =
    u"的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会自着去之过家学"
    u"对可她里后小么心多天而能好都然没日于起还发成事只作当想看文无开手十用主行方又如前所本见经头";

// A round trip through CONVERT (the same code page in and out), trace to /dev/null.
void RoundTrip(benchmark::State& state, int codePage, const std::string& source) {
  std::string out(2 * source.size() + 1, '\0');
  TraceTarget target(false);
  if (!target.Ok()) state.SkipWithError("cannot redirect descriptor 1");
  for (auto _ : state) {
    benchmark::DoNotOptimize(library::Convert(source.c_str(), codePage, codePage, out.data()));
    benchmark::ClobberMemory();
  }
  if (std::string_view(out.data(), source.size()) != source) state.SkipWithError("the round trip lost text");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(source.size()));
}

void BM_RoundTrip932(benchmark::State& state) {
  static const std::string text = CodePageText(932, kJapanese, kThroughputSize);
  RoundTrip(state, 932, text);
}
void BM_RoundTrip936(benchmark::State& state) {
  static const std::string text = CodePageText(936, kChinese, kThroughputSize);
  RoundTrip(state, 936, text);
}
void BM_RoundTrip1251(benchmark::State& state) { RoundTrip(state, 1251, Inputs().single); }
BENCHMARK(BM_RoundTrip932)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_RoundTrip936)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_RoundTrip1251)->Unit(benchmark::kMillisecond)->MinTime(0.2);

// glibc's name of a Windows code page, when it has one.
std::string IconvName(int codePage) {
  struct Name {
    int codePage;
    const char* name;
  };
  static constexpr Name kNames[] = {
      {37, "IBM037"},        {500, "IBM500"},          {708, "ISO-8859-6"},        {875, "IBM875"},
      {1026, "IBM1026"},     {1361, "JOHAB"},          {10000, "MACINTOSH"},       {10004, "MAC-ARABIC"},
      {10006, "MAC-GREEK"},  {10007, "MAC-CYRILLIC"},  {10029, "MAC-CENTRALEUROPE"}, {10079, "MAC-IS"},
      {10081, "MAC-TURKISH"}, {10082, "MACCROATIAN"},  {10017, "MAC-UK"},          {20127, "ASCII"},
      {20866, "KOI8-R"},     {20932, "EUC-JP"},        {20949, "EUC-KR"},          {21866, "KOI8-U"},
      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},    {28593, "ISO-8859-3"},      {28594, "ISO-8859-4"},
      {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},    {28597, "ISO-8859-7"},      {28598, "ISO-8859-8"},
      {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"},   {28605, "ISO-8859-15"},     {54936, "GB18030"},
      {65000, "UTF-7"},      {65001, "UTF-8"},
  };
  for (const Name& n : kNames)
    if (n.codePage == codePage) return n.name;
  return "CP" + std::to_string(codePage);
}

// The units of `codePage` that both converters write as the same bytes and read
// back: the text both are timed on.
std::u16string SharedUnits(int codePage, const std::string& iconvName) {
  iconv_t cd = iconv_open(iconvName.c_str(), "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::u16string units;
  for (unsigned u = 0x21; u < 0xFFFE && units.size() < 4000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const char16_t unit = static_cast<char16_t>(u);
    char ours[8];
    const int n = platform::System().WideToMultiByte(codePage, &unit, 1, ours, 8);
    char16_t back = 0;
    if (n <= 0 || platform::System().MultiByteToWide(codePage, ours, n, &back, 1) != 1 || back != unit) continue;
    char theirs[8];
    char* in = const_cast<char*>(reinterpret_cast<const char*>(&unit));
    char* out = theirs;
    std::size_t inLeft = 2, outLeft = sizeof theirs;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) continue;
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    if (std::string_view(theirs, sizeof theirs - outLeft) == std::string_view(ours, static_cast<std::size_t>(n))) {
      units += unit;
    }
  }
  iconv_close(cd);
  return units;
}

// The best of nine runs of each of `a` and `b`, in nanoseconds, the runs taking
// turns, so that a slow spell of a shared machine falls on both.
struct BestTimes {
  double a = 1e18;
  double b = 1e18;
};
template <typename A, typename B>
BestTimes BestOfTurns(A a, B b) {
  const auto time = [](auto& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return took.count();
  };
  BestTimes best;
  for (int k = 0; k < 9; ++k) {
    best.a = std::min(best.a, time(a));
    best.b = std::min(best.b, time(b));
  }
  return best;
}

// Every known code page that iconv has, decoded (or encoded) by the stand-in and
// by iconv on 1 MiB of its own text; the counters give the worst ratio of the
// stand-in's time over iconv's and the code page it was measured on.
void EveryCodePage(benchmark::State& state, bool decode) {
  const platform::CodePageNames known = platform::KnownCodePages();
  double worst = 0;
  int worstCodePage = 0, compared = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < known.count; ++i) {
      const int codePage = known.entries[i].number;
      const std::string name = IconvName(codePage);
      const std::u16string alphabet = SharedUnits(codePage, name);
      if (alphabet.size() < 2) continue;
      const std::string bytes = CodePageText(codePage, alphabet, kMiB);
      std::u16string wide(bytes.size(), u'\0');
      const int units = platform::System().MultiByteToWide(codePage, bytes.data(), static_cast<int>(bytes.size()),
                                                           wide.data(), static_cast<int>(wide.size()));
      wide.resize(static_cast<std::size_t>(units));
      iconv_t cd = decode ? iconv_open("UTF-16LE", name.c_str()) : iconv_open(name.c_str(), "UTF-16LE");
      if (cd == reinterpret_cast<iconv_t>(-1) || units <= 0) continue;
      std::vector<char> out(4 * bytes.size() + 16);
      const char* from = decode ? bytes.data() : reinterpret_cast<const char*>(wide.data());
      const std::size_t fromSize = decode ? bytes.size() : 2 * wide.size();
      const BestTimes best = BestOfTurns(
          [&] {
            char* in = const_cast<char*>(from);
            char* at = out.data();
            std::size_t inLeft = fromSize, outLeft = out.size();
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            benchmark::DoNotOptimize(iconv(cd, &in, &inLeft, &at, &outLeft));
          },
          [&] {
            if (decode) {
              benchmark::DoNotOptimize(platform::System().MultiByteToWide(
                  codePage, bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<char16_t*>(out.data()),
                  static_cast<int>(out.size() / 2)));
            } else {
              benchmark::DoNotOptimize(platform::System().WideToMultiByte(
                  codePage, wide.data(), units, out.data(), static_cast<int>(out.size())));
            }
          });
      iconv_close(cd);
      const double theirs = best.a, ours = best.b;
      ++compared;
      if (ours / theirs > worst) worst = ours / theirs, worstCodePage = codePage;
    }
  }
  state.counters["worst_ratio"] = worst;
  state.counters["worst_code_page"] = worstCodePage;
  state.counters["code_pages"] = compared;
}
void BM_EveryCodePageDecode(benchmark::State& state) { EveryCodePage(state, true); }
void BM_EveryCodePageEncode(benchmark::State& state) { EveryCodePage(state, false); }
BENCHMARK(BM_EveryCodePageDecode)->Iterations(1)->Repetitions(1);
BENCHMARK(BM_EveryCodePageEncode)->Iterations(1)->Repetitions(1);

}  // namespace
