// The stream calls both layers share: the C runtime's own stdio on an open
// stream (MSVCRT.DLL's on Windows, the C library's on Linux). Each layer opens
// streams in its own way; everything after the open is the same call there.

#include <cstdio>

#include "platform/table.h"

namespace platform::detail {
namespace {

std::FILE* AsFile(Stream stream) { return static_cast<std::FILE*>(stream); }

}  // namespace

bool SetFullBuffering(Stream stream, std::size_t size) {
  return std::setvbuf(AsFile(stream), nullptr, _IOFBF, size) == 0;
}

std::size_t Read(Stream stream, void* buffer, std::size_t size) { return std::fread(buffer, 1, size, AsFile(stream)); }

bool Seek(Stream stream, long offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::kStart ? SEEK_SET : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
  return std::fseek(AsFile(stream), offset, whence) == 0;
}

long Tell(Stream stream) { return std::ftell(AsFile(stream)); }
bool AtEnd(Stream stream) { return std::feof(AsFile(stream)) != 0; }
bool Failed(Stream stream) { return std::ferror(AsFile(stream)) != 0; }
void Close(Stream stream) { std::fclose(AsFile(stream)); }

}  // namespace platform::detail
