// POSIX layer, output: file descriptors stand in for the standard handles and
// write(2) for WriteFile. There is no console here, so every console query fails
// and the trace writer always works in file mode.

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
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

// A write to a pipe whose reader has gone raises SIGPIPE, which would end the
// process; WriteFile on Windows just fails there. So SIGPIPE is blocked for this
// thread during the write, and one raised by it is taken back before the old mask
// returns (unless one was already pending, which then stays the host's).
bool WriteFile(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  *written = 0;
  if (handle == nullptr) return false;
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigset_t saved;
  const bool masked = pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved) == 0;
  sigset_t pending;
  sigemptyset(&pending);
  const bool wasPending = masked && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  ssize_t n;
  do {
    n = write(ToDescriptor(handle), bytes, count);
  } while (n < 0 && errno == EINTR);
  const int error = errno;
  if (masked) {
    if (n < 0 && error == EPIPE && !wasPending) {
      const timespec noWait{0, 0};
      while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
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
