// Standard output redirection for the Linux build: descriptor 1 is pointed at a
// temporary file or a pipe with dup2, as a shell's redirection does.

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <thread>

#include "library/redirect.h"

namespace library_test {

struct OutputRedirect::State {
  Sink sink;
  int saved = -1;
  int file = -1;  // the temporary file, or the pipe's read end
  std::string path;
  std::string piped;
  std::thread reader;
  bool finished = false;
};

OutputRedirect::OutputRedirect(Sink sink) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.sink = sink;
  fflush(stdout);
  s.saved = dup(STDOUT_FILENO);
  if (sink == Sink::kFile) {
    s.path = TemporaryPath();
    s.file = open(s.path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    dup2(s.file, STDOUT_FILENO);
  } else {
    int ends[2] = {-1, -1};
    if (pipe(ends) != 0) return;
    s.file = ends[0];
    dup2(ends[1], STDOUT_FILENO);
    close(ends[1]);
    s.reader = std::thread([&s] {
      char buffer[4096];
      for (ssize_t n; (n = read(s.file, buffer, sizeof buffer)) > 0;)
        s.piped.append(buffer, static_cast<std::size_t>(n));
    });
  }
}

OutputRedirect::~OutputRedirect() { Finish(); }

std::string OutputRedirect::Finish() {
  State& s = *state_;
  if (s.finished) return {};
  s.finished = true;
  fflush(stdout);
  // Putting the old descriptor back closes the pipe's last write end.
  dup2(s.saved, STDOUT_FILENO);
  close(s.saved);
  if (s.sink == Sink::kPipe) {
    if (s.reader.joinable()) s.reader.join();
    close(s.file);
    return s.piped;
  }
  close(s.file);
  std::string bytes = ReadWholeFile(s.path);
  unlink(s.path.c_str());
  return bytes;
}

NoStandardOutput::NoStandardOutput() {
  fflush(stdout);
  saved_ = dup(STDOUT_FILENO);
  close(STDOUT_FILENO);
}

NoStandardOutput::~NoStandardOutput() {
  dup2(static_cast<int>(saved_), STDOUT_FILENO);
  close(static_cast<int>(saved_));
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
  close(fd);
  return bytes;
}

std::string TemporaryPath() {
  char path[] = "/tmp/lotan-test-XXXXXX";
  const int fd = mkstemp(path);
  if (fd >= 0) {
    close(fd);
    unlink(path);
  }
  return path;
}

}  // namespace library_test
