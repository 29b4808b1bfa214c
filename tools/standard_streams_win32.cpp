// The runtime library's standard streams start in text mode; _setmode switches
// them to binary. The library takes the standard output handle at its first trace
// line and keeps it, while the runtime library keeps writing to the handle it
// started with: so the handle is swapped for NUL before the first call.

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>
#include <windows.h>

#include "tools/standard_streams.h"

void UseBinaryStandardInput() { _setmode(_fileno(stdin), _O_BINARY); }
void UseBinaryStandardOutput() {
  fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

void KeepBrokenPipesQuiet() {}

// Seen under Wine: a write to a pipe whose reader has gone leaves errno EINVAL
// and the system's error ERROR_PIPE_NOT_CONNECTED; Windows reports ERROR_NO_DATA.
bool WriteHitClosedPipe() {
  const DWORD error = GetLastError();
  return errno == EPIPE || error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED;
}

std::FILE* SetTraceAside() {
  // Never closed: the library writes to it for as long as it is loaded.
  HANDLE nul =
      CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (nul == INVALID_HANDLE_VALUE || !SetStdHandle(STD_OUTPUT_HANDLE, nul)) {
    errno = EBADF;
    return nullptr;
  }
  UseBinaryStandardOutput();
  return stdout;
}

std::FILE* CreateFileBeside(const std::string& path, std::string& temporary) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string name =
        path + ".cpconv-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    const int fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd == -1) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
      _close(fd);
      _unlink(name.c_str());
      return nullptr;
    }
    temporary = name;
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

bool ReplaceWith(const std::string& temporary, const std::string& path) {
  if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}
