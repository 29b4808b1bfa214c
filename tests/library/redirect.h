// For tests that load the built library: points the process's standard output at
// a file or a pipe (or removes it) the way a host's redirection does, so that the
// library's trace writer finds it at its first piece. One implementation per
// platform (redirect_win32.cpp, redirect_posix.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace library_test {

enum class Sink { kFile, kPipe };

// Standard output goes to a new temporary file or pipe until Finish (or the
// destructor) puts the previous one back. Finish returns every byte that reached
// the file or pipe.
class OutputRedirect {
 public:
  explicit OutputRedirect(Sink sink);
  ~OutputRedirect();
  OutputRedirect(const OutputRedirect&) = delete;
  OutputRedirect& operator=(const OutputRedirect&) = delete;

  std::string Finish();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// The process has no standard output until destroyed.
class NoStandardOutput {
 public:
  NoStandardOutput();
  ~NoStandardOutput();
  NoStandardOutput(const NoStandardOutput&) = delete;
  NoStandardOutput& operator=(const NoStandardOutput&) = delete;

 private:
  std::intptr_t saved_;
};

// Reads a whole file by path ("" when it cannot be read), through the system
// directly rather than the runtime library's streams.
std::string ReadWholeFile(const std::string& path);

// A path for a temporary file that does not exist yet.
std::string TemporaryPath();

}  // namespace library_test
