// POSIX streams carry bytes unchanged already. The library writes each trace line
// to descriptor 1 as it is at that moment, so descriptor 1 becomes /dev/null and
// the result goes to a duplicate of the original.

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tools/standard_streams.h"

void UseBinaryStandardInput() {}
void UseBinaryStandardOutput() {}

void KeepBrokenPipesQuiet() { signal(SIGPIPE, SIG_IGN); }

bool WriteHitClosedPipe() { return errno == EPIPE; }

std::FILE* SetTraceAside() {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  if (saved == -1) return nullptr;
  const int null = open("/dev/null", O_WRONLY);
  if (null == -1 || dup2(null, STDOUT_FILENO) == -1) {
    const int error = errno;
    if (null != -1) close(null);
    close(saved);
    errno = error;
    return nullptr;
  }
  close(null);
  std::FILE* result = fdopen(saved, "wb");
  if (result == nullptr) close(saved);
  return result;
}

std::FILE* CreateFileBeside(const std::string& path, std::string& temporary) {
  std::string name = path + ".cpconv-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd == -1) return nullptr;
  // mkstemp makes the file private; the result gets the mode of the file it
  // replaces, or the mode a new file would get.
  struct stat existing;
  mode_t mode;
  if (stat(path.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    unlink(name.c_str());
    errno = error;
    return nullptr;
  }
  temporary = name;
  return file;
}

bool ReplaceWith(const std::string& temporary, const std::string& path) {
  return rename(temporary.c_str(), path.c_str()) == 0;
}
