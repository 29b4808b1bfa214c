// Windows side of the file tests' helpers: a real exclusive open and the
// attributes stored by SetFileAttributesA (Wine keeps hidden and system).

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "toolkit/files_test_support.h"

namespace files_test {

ExclusiveHold::ExclusiveHold(const std::string& path) : state_(nullptr) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) state_ = handle;
}

ExclusiveHold::~ExclusiveHold() {
  if (state_ != nullptr) CloseHandle(static_cast<HANDLE>(state_));
}

bool MarkHidden(const std::string& path) { return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN) != 0; }
bool MarkSystem(const std::string& path) { return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_SYSTEM) != 0; }

bool RuntimeTextPieces(const std::string& path, std::vector<std::string>& pieces) {
  const platform::Calls& native = platform::Native();
  platform::Stream stream = native.Open(path.c_str(), "rt");
  if (stream == nullptr) return false;
  native.SetFullBuffering(stream, 8192);
  // The Windows layer's streams are MSVCRT.DLL's own FILE objects, so its fgets
  // reads them as the runtime library's text mode gives them.
  char piece[512];
  while (fgets(piece, sizeof piece, static_cast<FILE*>(stream)) != nullptr) pieces.emplace_back(piece, std::strlen(piece));
  native.Close(stream);
  return true;
}

}  // namespace files_test
