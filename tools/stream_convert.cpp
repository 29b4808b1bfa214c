// The batch loop of cpconv. The library offers 2 x n bytes for the result of n
// bytes; a batch whose result needs more is converted again with spaces added
// for room (taken off the result), or cut smaller, so that nothing is lost.

#include "tools/stream_convert.h"

#include <cerrno>
#include <cstring>

namespace {

// Below this size a batch that still lacks room gets a larger pad instead of
// being cut again: one character may need 4 bytes (GB18030) or more (UTF-7).
constexpr std::size_t kSmallBatch = 4096;
constexpr std::size_t kSmallPad = 7;

}  // namespace

StreamConverter::StreamConverter(LotanconvertCPFunction convert, int from, int to, std::FILE* output,
                                 bool flushEachBatch)
    : convert_(convert), from_(from), to_(to), ends_(EndsOf(from)), output_(output), flushEachBatch_(flushEachBatch) {}

bool StreamConverter::Write(const char* bytes, std::size_t count) {
  if (count > 0 && std::fwrite(bytes, 1, count, output_) != count) return false;
  return !flushEachBatch_ || std::fflush(output_) == 0;
}

bool StreamConverter::Call(const char* bytes, std::size_t count, std::size_t pad, std::size_t& resultCount) {
  source_.resize(count + pad + 1);
  std::memcpy(source_.data(), bytes, count);
  std::memset(source_.data() + count, fromSpace_, pad);
  source_[count + pad] = '\0';
  result_.resize(2 * (count + pad) + 1);
  result_[0] = '\0';
  convert_(source_.data(), from_, to_, result_.data());
  std::size_t n = std::strlen(result_.data());
  if (n == 0 || n < pad) return false;
  for (std::size_t i = n - pad; i < n; ++i) {
    if (result_[i] != toSpace_) return false;
  }
  resultCount = n - pad;
  return true;
}

Outcome StreamConverter::CheckCodePages() {
  if (codePagesChecked_) return Outcome::kDone;
  char result[8] = {};
  convert_("A", from_, 65001, result);
  if (result[0] == '\0') return Outcome::kUnknownFrom;
  convert_("A", 65001, to_, result);
  if (result[0] == '\0') return Outcome::kUnknownTo;
  codePagesChecked_ = true;
  return Outcome::kDone;
}

// The byte of a space in the source code page and what it becomes in the target,
// when each is one byte.
bool StreamConverter::LearnSpaces() {
  if (!spacesLearned_) {
    spacesLearned_ = true;
    char space[8] = {};
    convert_(" ", 65001, from_, space);
    char converted[8] = {};
    if (space[0] != '\0' && space[1] == '\0') convert_(space, from_, to_, converted);
    if (converted[0] != '\0' && converted[1] == '\0') {
      fromSpace_ = space[0];
      toSpace_ = converted[0];
    }
  }
  return fromSpace_ != '\0';
}

// A run of bytes without a zero byte.
Outcome StreamConverter::ConvertRun(const char* bytes, std::size_t count, std::size_t offset) {
  if (count == 0) return Outcome::kDone;
  std::size_t n = 0;
  if (Call(bytes, count, 0, n)) return Write(result_.data(), n) ? Outcome::kDone : Outcome::kWriteFailed;
  if (const Outcome known = CheckCodePages(); known != Outcome::kDone) return known;
  const bool pads = LearnSpaces();
  if (pads && Call(bytes, count, count, n)) return Write(result_.data(), n) ? Outcome::kDone : Outcome::kWriteFailed;
  std::size_t cut = CutPoint(ends_, bytes, (count + 1) / 2);
  if (cut == 0) cut = CutPoint(ends_, bytes, count - 1);
  if (count <= kSmallBatch && pads && Call(bytes, count, kSmallPad * count, n)) {
    return Write(result_.data(), n) ? Outcome::kDone : Outcome::kWriteFailed;
  }
  if (cut == 0 || cut >= count) {
    failedOffset_ = offset;
    return Outcome::kNotConverted;
  }
  if (const Outcome first = ConvertRun(bytes, cut, offset); first != Outcome::kDone) return first;
  return ConvertRun(bytes + cut, count - cut, offset + cut);
}

// The library reads up to a zero byte, so zero bytes are passed on between runs.
Outcome StreamConverter::ConvertBatch(const char* bytes, std::size_t count, std::size_t offset) {
  std::size_t start = 0;
  while (start < count) {
    const void* zero = std::memchr(bytes + start, '\0', count - start);
    const std::size_t end = zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : count;
    if (const Outcome run = ConvertRun(bytes + start, end - start, offset + start); run != Outcome::kDone) return run;
    if (end < count && !Write("", 1)) return Outcome::kWriteFailed;
    start = end + 1;
  }
  return Outcome::kDone;
}

// The buffer holds up to kBatchMost bytes from `begin` on; it is topped up when
// less than a usual batch is left, or when a long line needs the whole window.
Outcome StreamConverter::Convert(const Reader& read) {
  buffer_.resize(kBatchMost);
  std::size_t begin = 0;
  std::size_t filled = 0;
  std::size_t offset = 0;
  bool atEnd = false;
  const auto topUp = [&]() {
    std::memmove(buffer_.data(), buffer_.data() + begin, filled - begin);
    filled -= begin;
    begin = 0;
    while (!atEnd && filled < buffer_.size()) {
      std::size_t got = 0;
      if (!read(buffer_.data() + filled, buffer_.size() - filled, got)) return false;
      if (got == 0) atEnd = true;
      filled += got;
    }
    return true;
  };
  for (;;) {
    if (!atEnd && filled - begin < kBatchUsual && !topUp()) return Outcome::kReadFailed;
    const std::size_t left = filled - begin;
    if (left == 0) return Outcome::kDone;
    std::size_t cut = atEnd && left <= kBatchUsual ? left : CutPoint(ends_, buffer_.data() + begin, kBatchUsual);
    if (cut == 0 && !atEnd && left < kBatchMost) {
      if (!topUp()) return Outcome::kReadFailed;
      continue;
    }
    if (cut == 0) cut = atEnd ? left : CutPoint(ends_, buffer_.data() + begin, left);
    if (cut == 0) {
      failedOffset_ = offset;
      return Outcome::kCannotCut;
    }
    if (const Outcome batch = ConvertBatch(buffer_.data() + begin, cut, offset); batch != Outcome::kDone) return batch;
    begin += cut;
    offset += cut;
  }
}
