// What the file tests need from the platform beneath: holding a file so that
// nobody else can open it, and marking a file hidden or system. Chosen by CMake:
// files_test_win32.cpp or files_test_posix.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace files_test {

// Keeps `path` open without sharing for its lifetime, so every other open of
// it fails (under Windows CreateFileA with share mode 0; on Linux, which has no
// share modes, the stand-in refuses the path in the platform's Open).
class ExclusiveHold {
 public:
  explicit ExclusiveHold(const std::string& path);
  ~ExclusiveHold();
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;
  bool Held() const { return state_ != nullptr; }

 private:
  void* state_;
};

// Stores the hidden or system attribute on an existing file. False where the
// file system keeps no such attribute (Linux).
bool MarkHidden(const std::string& path);
bool MarkSystem(const std::string& path);

// The pieces the runtime library's own text mode gives for the file: fgets
// into a 512-byte buffer from an "rt" stream, until it delivers nothing. False
// where the runtime library has no text mode (Linux).
bool RuntimeTextPieces(const std::string& path, std::vector<std::string>& pieces);

}  // namespace files_test
