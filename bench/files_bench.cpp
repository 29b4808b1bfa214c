// The file routines against plain baselines over one 200 MB file of 10 million
// short lines, made once in /tmp and deleted at exit: ReadLines against an
// fread + memchr splitter and against std::getline, ReadWholeFile against
// ftell + malloc + fread.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

constexpr int kLines = 10'000'000;
constexpr int kLineBytes = 20;  // 19 bytes and an LF

class BigFile {
 public:
  BigFile()
      : path_("/tmp/lotan-files-bench-" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".txt") {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) return;
    // One byte more than the lines, for the zero that snprintf adds after the last.
    std::vector<char> block(static_cast<std::size_t>(kLineBytes) * 100000 + 1);
    for (int line = 0; line < kLines;) {
      char* at = block.data();
      for (int i = 0; i < 100000; ++i, ++line, at += kLineBytes) {
        std::snprintf(at, kLineBytes + 1, "%010d payload!\n", line);
      }
      std::fwrite(block.data(), 1, block.size() - 1, file);
    }
    ok_ = std::fclose(file) == 0;
  }
  ~BigFile() { std::remove(path_.c_str()); }
  BigFile(const BigFile&) = delete;
  BigFile& operator=(const BigFile&) = delete;

  const std::string& Path() const { return path_; }
  bool Ok() const { return ok_; }

 private:
  std::string path_;
  bool ok_ = false;
};

// Made at the first benchmark that needs it; its destructor removes the file
// when the program ends.
const BigFile& File(benchmark::State& state) {
  static const BigFile file;
  if (!file.Ok()) state.SkipWithError("cannot write the 200 MB file in /tmp");
  return file;
}

void ReadLines(benchmark::State& state) {
  const BigFile& file = File(state);
  for (auto _ : state) {
    toolkit::StringArray lines;
    const int count = toolkit::ReadLines(file.Path(), lines);
    if (count != kLines) state.SkipWithError("ReadLines lost lines");
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLines) * kLineBytes);
}

void SplitterFreadMemchr(benchmark::State& state) {
  const BigFile& file = File(state);
  std::vector<char> buffer(1 << 16);
  for (auto _ : state) {
    std::vector<std::string> lines;
    std::FILE* in = std::fopen(file.Path().c_str(), "rb");
    std::string partial;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) != 0) {
      const char* at = buffer.data();
      const char* end = at + got;
      while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
        const char* lineFeed = static_cast<const char*>(found);
        if (partial.empty()) {
          lines.emplace_back(at, lineFeed);
        } else {
          partial.append(at, lineFeed);
          lines.push_back(std::move(partial));
          partial.clear();
        }
        at = lineFeed + 1;
      }
      partial.append(at, end);
    }
    if (!partial.empty()) lines.push_back(std::move(partial));
    std::fclose(in);
    if (lines.size() != kLines) state.SkipWithError("the splitter lost lines");
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLines) * kLineBytes);
}

void Getline(benchmark::State& state) {
  const BigFile& file = File(state);
  for (auto _ : state) {
    std::vector<std::string> lines;
    std::ifstream in(file.Path(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    if (lines.size() != kLines) state.SkipWithError("getline lost lines");
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLines) * kLineBytes);
}

void ReadWholeFile(benchmark::State& state) {
  const BigFile& file = File(state);
  for (auto _ : state) {
    const std::string content = toolkit::ReadWholeFile(file.Path());
    if (content.size() != static_cast<std::size_t>(kLines) * kLineBytes) state.SkipWithError("short content");
    benchmark::DoNotOptimize(content.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLines) * kLineBytes);
}

void FtellMallocFread(benchmark::State& state) {
  const BigFile& file = File(state);
  for (auto _ : state) {
    std::FILE* in = std::fopen(file.Path().c_str(), "rb");
    std::fseek(in, 0, SEEK_END);
    const long length = std::ftell(in);
    std::fseek(in, 0, SEEK_SET);
    char* content = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    const std::size_t got = std::fread(content, 1, static_cast<std::size_t>(length), in);
    content[got] = '\0';
    std::fclose(in);
    if (got != static_cast<std::size_t>(kLines) * kLineBytes) state.SkipWithError("short read");
    benchmark::DoNotOptimize(content);
    std::free(content);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLines) * kLineBytes);
}

// A few iterations each: every one reads 200 MB, and the machine is shared.
BENCHMARK(ReadLines)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(SplitterFreadMemchr)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(Getline)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(ReadWholeFile)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(FtellMallocFread)->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
