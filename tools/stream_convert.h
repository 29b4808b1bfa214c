// Converts a stream of any size through the library's CONVERT in batches of about
// kBatchUsual bytes (a line up to kBatchMost when no character ends sooner), cut
// where the source code page says a character ends, one library call per batch,
// and writes each result as soon as it is made.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "LotanconvertCP.h"
#include "tools/codepage_names.h"

// Batches of 64 KiB keep the library's working buffers in memory the allocator
// reuses: at 256 KiB and 1 MiB each call's fresh blocks cost page faults that
// made 100 MB take 3 times as long (1.6 s against 0.52 s here).
inline constexpr std::size_t kBatchUsual = std::size_t{1} << 16;
inline constexpr std::size_t kBatchMost = std::size_t{1} << 20;

// Reads up to `most` bytes into `into`, stores their count in `got` (0 at the
// end) and returns false on a read error (errno tells why).
using Reader = std::function<bool(char* into, std::size_t most, std::size_t& got)>;

enum class Outcome {
  kDone,
  kUnknownFrom,    // the library converts nothing from the source code page
  kUnknownTo,      // nor to the target code page
  kNotConverted,   // the text at failedOffset converts no way at all
  kCannotCut,      // no character ends within kBatchMost bytes from failedOffset
  kReadFailed,     // errno tells why
  kWriteFailed,    // errno tells why
};

class StreamConverter {
 public:
  // `flushEachBatch` keeps every result right after its own trace lines.
  StreamConverter(LotanconvertCPFunction convert, int from, int to, std::FILE* output, bool flushEachBatch);

  // Converts everything `read` gives; offsets count from this input's start.
  //   converter.Convert(reader) == Outcome::kDone
  Outcome Convert(const Reader& read);

  // True when both code pages convert at all (checked once, then remembered).
  Outcome CheckCodePages();

  std::size_t FailedOffset() const { return failedOffset_; }

 private:
  bool Write(const char* bytes, std::size_t count);
  Outcome ConvertBatch(const char* bytes, std::size_t count, std::size_t offset);
  Outcome ConvertRun(const char* bytes, std::size_t count, std::size_t offset);
  // One library call on bytes and `pad` spaces; false for an empty result.
  bool Call(const char* bytes, std::size_t count, std::size_t pad, std::size_t& resultCount);
  bool LearnSpaces();

  LotanconvertCPFunction convert_;
  int from_;
  int to_;
  CharacterEnds ends_;
  std::FILE* output_;
  bool flushEachBatch_;
  bool codePagesChecked_ = false;
  bool spacesLearned_ = false;
  char fromSpace_ = 0;  // 0 when no single byte stands for a space in both
  char toSpace_ = 0;
  std::size_t failedOffset_ = 0;
  std::vector<char> source_;
  std::vector<char> result_;
  std::vector<char> buffer_;
};
