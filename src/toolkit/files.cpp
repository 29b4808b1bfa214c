// FileExists over the process's one directory search, and ReadWholeFile,
// FileLength and ReadLines over the file layer.

#include "toolkit/files.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/platform.h"
#include "toolkit/file_layer.h"

namespace toolkit {
namespace {

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

}  // namespace

std::int8_t FileExists(const std::string& path) {
  const platform::Calls& system = platform::System();
  if (!path.empty()) {
    if (search.open) CloseSearch();
    // The pattern crosses to the platform as a C string; one with a zero byte
    // inside would be cut short and match a different name.
    if (path.find('\0') != std::string::npos) return 0;
    platform::FindHandle handle = system.FindFirst(path.c_str(), &search.record);
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
  std::string buffer;
  try {
    buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
  } catch (const std::bad_alloc&) {
    return std::string();
  } catch (const std::length_error&) {
    return std::string();
  }
  number = file_layer::OpenBinaryReading(path);
  if (number == 0) return std::string();
  file_layer::ReadBytes(number, buffer.data(), buffer.size());
  file_layer::Close(number);
  // The buffer ends in a zero byte unless the file grew since it was measured;
  // then the result is the whole buffer and never more.
  if (const void* zero = std::memchr(buffer.data(), '\0', buffer.size())) {
    buffer.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.data()));
  }
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
  return failed ? 0 : count;
}

}  // namespace toolkit
