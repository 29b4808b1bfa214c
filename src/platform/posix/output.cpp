// POSIX layer, output: file descriptors stand in for the standard handles and
// write(2) for WriteFile. There is no console here, so every console query fails
// and the trace writer always works in file mode.

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "platform/table.h"

namespace platform::detail {
namespace {

// A handle is the descriptor plus one, so that descriptor 0 is not a null handle.
Handle FromDescriptor(int fd) { return reinterpret_cast<Handle>(static_cast<std::intptr_t>(fd) + 1); }
int ToDescriptor(Handle handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1); }

Handle GetStandardHandle(StandardHandleKind kind) {
  const int fd = kind == StandardHandleKind::kInput ? STDIN_FILENO : STDOUT_FILENO;
  // A closed descriptor is a missing handle, as in a windowed Windows host.
  if (fcntl(fd, F_GETFD) == -1) return nullptr;
  return FromDescriptor(fd);
}

bool NoConsoleMode(Handle, std::uint32_t*) { return false; }
bool NoSetConsoleMode(Handle, std::uint32_t) { return false; }
bool NoConsoleInfo(Handle, ConsoleInfo*) { return false; }

// A write to a pipe or socket whose reader has gone raises SIGPIPE, which would
// end the process; WriteFile on Windows just fails there. The descriptor is looked
// at on every write, since the host may have put something else in its place, by
// the cheapest call that tells: lseek succeeds on files and devices, which are
// written plainly, and fails on pipes, sockets and terminals (fstat would cost
// twice a write to /dev/null, measured). Of those, sockets take MSG_NOSIGNAL; for
// the rest SIGPIPE is blocked for this thread during the write and one raised by
// it taken back before the old mask returns (unless the host already had one
// pending, which then stays its own).
ssize_t WriteOnce(int fd, const void* bytes, std::uint32_t count) {
  ssize_t n;
  do {
    n = write(fd, bytes, count);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t WriteToPipe(int fd, const void* bytes, std::uint32_t count) {
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigset_t saved;
  if (pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved) != 0) return WriteOnce(fd, bytes, count);
  // While SIGPIPE was deliverable to this thread none can be pending for it; only
  // when the host blocks it itself may one be waiting already.
  bool wasPending = false;
  if (sigismember(&saved, SIGPIPE) == 1) {
    sigset_t pending;
    sigemptyset(&pending);
    wasPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  }
  const ssize_t n = WriteOnce(fd, bytes, count);
  const int error = errno;
  if (n < 0 && error == EPIPE && !wasPending) {
    const timespec noWait{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
    }
  }
  if (sigismember(&saved, SIGPIPE) != 1) pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  errno = error;
  return n;
}

bool WriteFile(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  *written = 0;
  if (handle == nullptr) return false;
  const int fd = ToDescriptor(handle);
  ssize_t n;
  if (lseek(fd, 0, SEEK_CUR) >= 0) {
    n = WriteOnce(fd, bytes, count);
  } else {
    do {
      n = send(fd, bytes, count, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == ENOTSOCK) n = WriteToPipe(fd, bytes, count);
  }
  if (n < 0) return false;
  *written = static_cast<std::uint32_t>(n);
  return true;
}

bool NoCells(Handle, const char*, int, std::uint16_t, int, int) { return false; }
bool NoScroll(Handle, ConsoleRect, int, int, char, std::uint16_t) { return false; }
bool NoFillCharacter(Handle, char, int, int, int) { return false; }
bool NoFillAttribute(Handle, std::uint16_t, int, int, int) { return false; }
bool NoCursor(Handle, int, int) { return false; }
bool NoWindow(Handle, ConsoleRect) { return false; }
bool NoBeep(int, int) { return false; }

}  // namespace

void FillOutputCalls(Calls& calls) {
  calls.GetStandardHandle = GetStandardHandle;
  calls.GetConsoleMode = NoConsoleMode;
  calls.SetConsoleMode = NoSetConsoleMode;
  calls.GetConsoleInfo = NoConsoleInfo;
  calls.WriteFile = WriteFile;
  calls.WriteConsoleCells = NoCells;
  calls.ScrollConsole = NoScroll;
  calls.FillConsoleCharacter = NoFillCharacter;
  calls.FillConsoleAttribute = NoFillAttribute;
  calls.SetConsoleCursor = NoCursor;
  calls.SetConsoleWindow = NoWindow;
  calls.Beep = NoBeep;
}

}  // namespace platform::detail
