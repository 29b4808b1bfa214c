// FileExists over the process's one directory search, and ReadWholeFile,
// FileLength and ReadLines over the file layer.

#include "toolkit/files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "toolkit/file_layer.h"
#include "toolkit/detail.h"

namespace toolkit {
namespace {

// How much of a whole-file read is zeroed, read and searched at a time: small
// enough to stay in the cache between the three steps.
constexpr std::size_t kWholeFileSlice = 128 * 1024;

// The directory search of the process, kept between calls of FileExists.
struct SearchState {
  bool open;
  std::uint32_t allowed;
  platform::FindHandle handle;
  platform::FindRecord record;
};

SearchState search;

bool Counts(std::uint32_t attributes, std::uint32_t allowed) { return (attributes & 0xFFu & ~allowed) == 0; }

void CloseSearch() {
  platform::System().FindClose(search.handle);
  search.open = false;
  search.handle = nullptr;
}

// Makes room ahead for the lines still to come, judged by the bytes the lines
// so far took, so that a large file moves the array a few times rather than at
// every growth. Only the array's capacity changes, never its size; a room that
// cannot be had is simply not made.
void ReserveAhead(StringArray& lines, int number, int count, long long grown) {
  const long long position = file_layer::Position(number);
  const long long length = file_layer::Length(number);
  if (position <= 0 || length <= position) return;
  const long long predicted = count * length / position + count / 16;
  long long target = grown;
  while (target < predicted && target < grown * 8 && target <= INT32_MAX) target += target / 2;
  if (target > INT32_MAX || static_cast<std::size_t>(target) <= lines.capacity()) return;
  detail::Guarded([&] { lines.reserve(static_cast<std::size_t>(target)); return true; }, false);
}

}  // namespace

std::int8_t FileExists(const std::string& path) {
  const platform::Calls& system = platform::System();
  if (!path.empty()) {
    if (search.open) CloseSearch();
    // The pattern crosses to the platform as a C string; one with a zero byte
    // inside would be cut short and match a different name.
    if (path.find('\0') != std::string::npos) return 0;
    // Only whether a counted entry remains is reported, which no order changes,
    // so the search may go in the order that costs least.
    platform::FindHandle handle = system.FindAny(path.c_str(), &search.record);
    if (handle == nullptr) return 0;
    search.open = true;
    search.handle = handle;
    search.allowed = kFileExistsAllowed;
    if (Counts(search.record.attributes, search.allowed)) return 1;
  } else if (!search.open) {
    return 0;
  }
  while (system.FindNext(search.handle, &search.record)) {
    if (Counts(search.record.attributes, search.allowed)) return 1;
  }
  CloseSearch();
  return 0;
}

std::string ReadWholeFile(const std::string& path) {
  int number = file_layer::OpenTextReading(path);
  const int length = file_layer::Length(number);
  file_layer::Close(number);
  // The buffer of length + 1 bytes is the result's own storage, reserved at
  // once and filled in slices: each slice is zeroed, read into and searched for
  // a zero byte while it is still in the cache, which costs little more than a
  // single read of the whole file. The reading stops at the first zero byte,
  // and never goes beyond length + 1 bytes even when the file has grown.
  const std::size_t total = static_cast<std::size_t>(length) + 1;
  std::string buffer;
  if (!detail::Guarded([&] { buffer.reserve(total); return true; }, false)) return std::string();
  number = file_layer::OpenBinaryReading(path);
  if (number == 0) return std::string();
  std::size_t filled = 0;
  while (filled < total) {
    const std::size_t want = std::min(kWholeFileSlice, total - filled);
    buffer.resize(filled + want);  // inside the reserved room: no allocation
    char* slice = buffer.data() + filled;
    const std::size_t got = file_layer::ReadBytes(number, slice, want);
    if (const void* zero = std::memchr(slice, '\0', got)) {
      filled += static_cast<std::size_t>(static_cast<const char*>(zero) - slice);
      break;
    }
    filled += got;
    if (got < want) break;
  }
  file_layer::Close(number);
  buffer.resize(filled);
  return buffer;
}

int FileLength(const std::string& path) {
  const int number = file_layer::OpenTextReading(path);
  const int length = file_layer::Length(number);
  file_layer::Close(number);
  return length;
}

int ReadLines(const std::string& path, StringArray& lines) {
  int capacity = kReadLinesInitialCapacity;
  if (!ResizeDiscarding(lines, capacity - 1)) return 0;
  const int number = file_layer::OpenTextReading(path);
  int count = 0;
  bool failed = false;
  while (!file_layer::AtEnd(number)) {
    if (count >= capacity) {
      const long long grown = static_cast<long long>(capacity) + capacity / 2;
      ReserveAhead(lines, number, count, grown);
      if (grown > INT32_MAX || !ResizePreserving(lines, static_cast<int>(grown) - 1)) {
        failed = true;
        break;
      }
      capacity = static_cast<int>(grown);
    }
    std::string& line = lines[static_cast<std::size_t>(count)];
    if (file_layer::ReadLine(number, line) == file_layer::LineResult::kError) {
      line.clear();  // a line cut short by the failure is not kept
      failed = true;
      break;
    }
    ++count;
  }
  failed = failed || file_layer::ReadFailed(number);
  file_layer::Close(number);
  // Room reserved ahead for lines that never came is given back.
  if (lines.capacity() > 2 * lines.size()) lines.shrink_to_fit();
  return failed ? 0 : count;
}

}  // namespace toolkit
