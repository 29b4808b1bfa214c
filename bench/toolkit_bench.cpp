// The toolkit's text routines on large inputs, each beside a plain baseline
// (a std::string::find loop, memmem, a memchr splitter, a copy) and, where one
// exists, the same job done by a general-purpose string library. Every case runs
// at two sizes: equal bytes per second at both shows the time is linear.

#include <benchmark/benchmark.h>

#include <absl/strings/str_replace.h>
#include <absl/strings/str_split.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

constexpr std::int64_t kMiB = 1 << 20;

// A deterministic stream of pseudo-random numbers (xorshift64).
class Random {
 public:
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

 private:
  std::uint64_t state_ = 0x9E3779B97F4A7C15u;
};

// Words of 1 to 10 lower-case letters, separated by `separator`, with "needle"
// standing in for a word about once in 4 KiB.
std::string Words(std::size_t size, char separator) {
  Random random;
  std::string out;
  out.reserve(size + 16);
  while (out.size() < size) {
    if (random.Below(700) == 0) {
      out += "needle";
    } else {
      const std::size_t length = 1 + random.Below(10);
      for (std::size_t i = 0; i < length; ++i) out += static_cast<char>('a' + random.Below(26));
    }
    out += separator;
  }
  out.resize(size);
  return out;
}

// Path-like text: segments "name" or "name.ext" joined by backslashes, with a
// doubled backslash now and then.
std::string PathLike(std::size_t size) {
  Random random;
  std::string out;
  out.reserve(size + 32);
  while (out.size() < size) {
    const std::size_t length = 1 + random.Below(12);
    for (std::size_t i = 0; i < length; ++i) out += static_cast<char>('a' + random.Below(26));
    if (random.Below(4) == 0) out += ".ext";
    out += random.Below(16) == 0 ? "\\\\" : "\\";
  }
  out.resize(size);
  out.back() = 'z';
  return out;
}

// Inputs are built once per kind and size and kept for the whole run.
const std::string& Input(char kind, std::int64_t size) {
  static std::map<std::pair<char, std::int64_t>, std::string> cache;
  auto [it, inserted] = cache.try_emplace({kind, size});
  if (inserted) {
    const auto bytes = static_cast<std::size_t>(size);
    switch (kind) {
      case 'w': it->second = Words(bytes, ' '); break;   // prose
      case 'c': it->second = Words(bytes, ','); break;   // comma-separated fields
      case 'p': it->second = PathLike(bytes); break;     // one very long path
      default: it->second.assign(bytes, 'a'); break;     // one byte repeated
    }
  }
  return it->second;
}

const std::string kNeedle = "needle";
const std::string kComma = ",";
const std::string kAdversarial = std::string(999, 'a') + "b";

void Throughput(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

// ---- Baselines -------------------------------------------------------------

std::size_t CountByFind(const std::string& text, const std::string& pattern) {
  std::size_t count = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1)) ++count;
  return count;
}

std::size_t CountByMemmem(const std::string& text, const std::string& pattern) {
  std::size_t count = 0;
  const char* const end = text.data() + text.size();
  for (const char* from = text.data(); from < end; ++count) {
    const void* hit = memmem(from, static_cast<std::size_t>(end - from), pattern.data(), pattern.size());
    if (hit == nullptr) break;
    from = static_cast<const char*>(hit) + 1;
  }
  return count;
}

std::vector<std::string> SplitByMemchr(const std::string& text, char delimiter) {
  std::vector<std::string> parts;
  const char* from = text.data();
  const char* const end = from + text.size();
  while (const void* hit = std::memchr(from, delimiter, static_cast<std::size_t>(end - from))) {
    parts.emplace_back(from, static_cast<const char*>(hit));
    from = static_cast<const char*>(hit) + 1;
  }
  parts.emplace_back(from, end);
  return parts;
}

std::string ReplaceByFind(const std::string& text, const std::string& pattern, const std::string& replacement) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, from)) {
    out.append(text, from, at - from).append(replacement);
    from = at + pattern.size();
  }
  return out.append(text, from);
}

void BM_Copy(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) {
    std::string copy = text;
    benchmark::DoNotOptimize(copy.data());
  }
  Throughput(state, text.size());
}
BENCHMARK(BM_Copy)->Arg(16 * kMiB)->Arg(64 * kMiB);

// ---- Counting and finding --------------------------------------------------

void BM_CountOccurrences(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::CountOccurrences(text, kNeedle));
  Throughput(state, text.size());
}
BENCHMARK(BM_CountOccurrences)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_CountByMemmem(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(CountByMemmem(text, kNeedle));
  Throughput(state, text.size());
}
BENCHMARK(BM_CountByMemmem)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_CountByFind(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(CountByFind(text, kNeedle));
  Throughput(state, text.size());
}
BENCHMARK(BM_CountByFind)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_CountOneByte(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::CountOccurrences(text, kComma));
  Throughput(state, text.size());
}
BENCHMARK(BM_CountOneByte)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_CountOneByteByMemmem(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(CountByMemmem(text, kComma));
  Throughput(state, text.size());
}
BENCHMARK(BM_CountOneByteByMemmem)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_LastPosition(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) {
    int limit = -1;
    benchmark::DoNotOptimize(toolkit::LastPosition(limit, text, kNeedle));
  }
  Throughput(state, text.size());
}
BENCHMARK(BM_LastPosition)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_FieldAtLast(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::FieldAt(text, kComma, INT32_MAX));
  Throughput(state, text.size());
}
BENCHMARK(BM_FieldAtLast)->Arg(16 * kMiB)->Arg(64 * kMiB);

// ---- Splitting ---------------------------------------------------------------

void BM_SplitText(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) {
    toolkit::StringArray parts;
    benchmark::DoNotOptimize(toolkit::SplitText(text, kComma, parts));
  }
  Throughput(state, text.size());
}
BENCHMARK(BM_SplitText)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_SplitByMemchr(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(SplitByMemchr(text, ',').size());
  Throughput(state, text.size());
}
BENCHMARK(BM_SplitByMemchr)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_SplitByAbsl(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) {
    std::vector<std::string> parts = absl::StrSplit(text, ',');
    benchmark::DoNotOptimize(parts.size());
  }
  Throughput(state, text.size());
}
BENCHMARK(BM_SplitByAbsl)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

// ---- Editing and replacing -----------------------------------------------------

void BM_ReplaceAll(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::ReplaceAll(text, kComma, ";;").data());
  Throughput(state, text.size());
}
BENCHMARK(BM_ReplaceAll)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_ReplaceByFind(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ReplaceByFind(text, kComma, ";;").data());
  Throughput(state, text.size());
}
BENCHMARK(BM_ReplaceByFind)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_ReplaceByAbsl(benchmark::State& state) {
  const std::string& text = Input('c', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(absl::StrReplaceAll(text, {{",", ";;"}}).data());
  Throughput(state, text.size());
}
BENCHMARK(BM_ReplaceByAbsl)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_ReplaceAllWord(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::ReplaceAll(text, kNeedle, "pin").data());
  Throughput(state, text.size());
}
BENCHMARK(BM_ReplaceAllWord)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_ReplaceWordByAbsl(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(absl::StrReplaceAll(text, {{kNeedle, "pin"}}).data());
  Throughput(state, text.size());
}
BENCHMARK(BM_ReplaceWordByAbsl)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

void BM_DeleteSpan(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  const int middle = static_cast<int>(text.size() / 2);
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::DeleteSpan(text, middle, 1000).data());
  Throughput(state, text.size());
}
BENCHMARK(BM_DeleteSpan)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_InsertText(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  const int middle = static_cast<int>(text.size() / 2);
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::InsertText(text, kNeedle, middle).data());
  Throughput(state, text.size());
}
BENCHMARK(BM_InsertText)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_OverwriteText(benchmark::State& state) {
  std::string text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::OverwriteText(text, kNeedle, 1000).data());
  Throughput(state, text.size());
}
BENCHMARK(BM_OverwriteText)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_ReverseText(benchmark::State& state) {
  const std::string& text = Input('w', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::ReverseText(text).data());
  Throughput(state, text.size());
}
BENCHMARK(BM_ReverseText)->Arg(16 * kMiB)->Arg(64 * kMiB);

// ---- Path names on one very long path ----------------------------------------

void BM_PathFileName(benchmark::State& state) {
  const std::string& path = Input('p', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::PathFileName(path).data());
  Throughput(state, path.size());
}
BENCHMARK(BM_PathFileName)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_PathExtension(benchmark::State& state) {
  const std::string& path = Input('p', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::PathExtension(path).data());
  Throughput(state, path.size());
}
BENCHMARK(BM_PathExtension)->Arg(16 * kMiB)->Arg(64 * kMiB);

void BM_PathToForwardSlashes(benchmark::State& state) {
  const std::string& path = Input('p', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::PathToForwardSlashes(path).data());
  Throughput(state, path.size());
}
BENCHMARK(BM_PathToForwardSlashes)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

// ---- The adversarial case: 999 x "a" + "b" in a run of "a" -------------------

void BM_AdversarialCount(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::CountOccurrences(run, kAdversarial));
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialCount)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

void BM_AdversarialByMemmem(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(CountByMemmem(run, kAdversarial));
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialByMemmem)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

// Text times pattern: a memchr and a compare of up to 999 bytes at every offset.
void BM_AdversarialByFind(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(run.find(kAdversarial));
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialByFind)->Arg(4 * kMiB)->Arg(16 * kMiB)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_AdversarialLastPosition(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) {
    int limit = -1;
    benchmark::DoNotOptimize(toolkit::LastPosition(limit, run, kAdversarial));
  }
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialLastPosition)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

void BM_AdversarialFieldAt(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::FieldAt(run, kAdversarial, 2).data());
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialFieldAt)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

void BM_AdversarialSplitText(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) {
    toolkit::StringArray parts;
    benchmark::DoNotOptimize(toolkit::SplitText(run, kAdversarial, parts));
  }
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialSplitText)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

void BM_AdversarialReplaceAll(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::ReplaceAll(run, kAdversarial, "x").data());
  Throughput(state, run.size());
}
BENCHMARK(BM_AdversarialReplaceAll)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

// A self-overlapping pattern that occurs at almost every offset.
void BM_SelfOverlappingCount(benchmark::State& state) {
  const std::string& run = Input('a', state.range(0));
  const std::string pattern(999, 'a');
  for (auto _ : state) benchmark::DoNotOptimize(toolkit::CountOccurrences(run, pattern));
  Throughput(state, run.size());
}
BENCHMARK(BM_SelfOverlappingCount)->Arg(4 * kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

}  // namespace
