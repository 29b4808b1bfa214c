// Standard output redirection for the Windows build: the process's standard
// output handle is replaced with SetStdHandle by a temporary file or an anonymous
// pipe, which is what the library's GetStdHandle then returns.

#include <windows.h>

#include <stdio.h>

#include <thread>

#include "library/redirect.h"

namespace library_test {

struct OutputRedirect::State {
  Sink sink;
  HANDLE saved = nullptr;
  HANDLE file = INVALID_HANDLE_VALUE;  // the temporary file, or the pipe's write end
  HANDLE readEnd = nullptr;
  std::string path;
  std::string piped;
  std::thread reader;
  bool finished = false;
};

OutputRedirect::OutputRedirect(Sink sink) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.sink = sink;
  fflush(stdout);
  s.saved = GetStdHandle(STD_OUTPUT_HANDLE);
  if (sink == Sink::kFile) {
    s.path = TemporaryPath();
    s.file = CreateFileA(s.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  } else {
    if (!CreatePipe(&s.readEnd, &s.file, nullptr, 0)) return;
    s.reader = std::thread([&s] {
      char buffer[4096];
      DWORD n = 0;
      while (ReadFile(s.readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) s.piped.append(buffer, n);
    });
  }
  SetStdHandle(STD_OUTPUT_HANDLE, s.file);
}

OutputRedirect::~OutputRedirect() { Finish(); }

std::string OutputRedirect::Finish() {
  State& s = *state_;
  if (s.finished) return {};
  s.finished = true;
  SetStdHandle(STD_OUTPUT_HANDLE, s.saved);
  CloseHandle(s.file);
  if (s.sink == Sink::kPipe) {
    // Closing the only write end ends the reader's ReadFile.
    if (s.reader.joinable()) s.reader.join();
    CloseHandle(s.readEnd);
    return s.piped;
  }
  std::string bytes = ReadWholeFile(s.path);
  DeleteFileA(s.path.c_str());
  return bytes;
}

NoStandardOutput::NoStandardOutput() : saved_(reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE))) {
  SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
}

NoStandardOutput::~NoStandardOutput() { SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(saved_)); }

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);
  return bytes;
}

std::string TemporaryPath() {
  char directory[MAX_PATH];
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, directory);
  GetTempFileNameA(directory, "ltn", 0, path);
  DeleteFileA(path);
  return path;
}

}  // namespace library_test
