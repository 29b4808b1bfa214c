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
// end the process; WriteFile on Windows just fails there. The signal is kept away
// in one of two ways:
// - Inside an output span, SIGPIPE is blocked for this thread from the span's
//   start to its end, every write is plain, and a SIGPIPE raised meanwhile is
//   taken back before the old mask returns: two mask changes for all the pieces
//   of one call.
// - Outside a span, the descriptor is looked at on every write, since the host may
//   have put something else in its place, by the cheapest call that tells: lseek
//   succeeds on files and devices, which are written plainly, and fails on pipes,
//   sockets and terminals (fstat would cost twice a write to /dev/null, measured).
//   Of those, sockets take MSG_NOSIGNAL, and the rest are written with the signal
//   blocked around the single write.
// A SIGPIPE the host already had pending (it blocks the signal itself) stays its own.
ssize_t WriteOnce(int fd, const void* bytes, std::uint32_t count) {
  ssize_t n;
  do {
    n = write(fd, bytes, count);
  } while (n < 0 && errno == EINTR);
  return n;
}

sigset_t PipeSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  return set;
}

// SIGPIPE held back from this thread between Raise and Lower.
struct PipeShield {
  bool up = false;          // SIGPIPE is blocked for this thread (by us or the host)
  bool unblock = false;     // blocked by Raise, so Lower unblocks it
  bool hostPending = false; // one of the host's was waiting before Raise
};

PipeShield Raise() {
  PipeShield shield;
  const sigset_t pipeSignal = PipeSignal();
  sigset_t saved;
  if (pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved) != 0) return shield;
  shield.up = true;
  shield.unblock = sigismember(&saved, SIGPIPE) != 1;
  // While SIGPIPE was deliverable to this thread none can be pending for it; only
  // when the host blocks it itself may one be waiting already.
  if (!shield.unblock) {
    sigset_t pending;
    sigemptyset(&pending);
    shield.hostPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  }
  return shield;
}

void Lower(const PipeShield& shield, bool raisedPipeSignal) {
  if (!shield.up) return;
  const int error = errno;
  const sigset_t pipeSignal = PipeSignal();
  if (raisedPipeSignal && !shield.hostPending) {
    const timespec noWait{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
    }
  }
  if (shield.unblock) pthread_sigmask(SIG_UNBLOCK, &pipeSignal, nullptr);
  errno = error;
}

// This thread's output span. Constant-initialised, so it costs nothing to set up.
struct Span {
  int depth = 0;
  PipeShield shield;
  bool brokenPipe = false;  // a write inside the span failed with EPIPE
};
thread_local Span span;

void BeginOutputSpan() {
  if (span.depth++ > 0) return;
  span.shield = Raise();
  span.brokenPipe = false;
}

void EndOutputSpan() {
  if (span.depth <= 0 || --span.depth > 0) return;
  Lower(span.shield, span.brokenPipe);
  span.shield = PipeShield{};
}

ssize_t WriteShielded(int fd, const void* bytes, std::uint32_t count) {
  const PipeShield shield = Raise();
  const ssize_t n = WriteOnce(fd, bytes, count);
  Lower(shield, n < 0 && errno == EPIPE);
  return n;
}

bool WriteFile(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  *written = 0;
  if (handle == nullptr) return false;
  const int fd = ToDescriptor(handle);
  ssize_t n;
  if (span.depth > 0 && span.shield.up) {
    n = WriteOnce(fd, bytes, count);
    if (n < 0 && errno == EPIPE) span.brokenPipe = true;
  } else if (lseek(fd, 0, SEEK_CUR) >= 0) {
    n = WriteOnce(fd, bytes, count);
  } else {
    do {
      n = send(fd, bytes, count, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == ENOTSOCK) n = WriteShielded(fd, bytes, count);
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
  calls.BeginOutputSpan = BeginOutputSpan;
  calls.EndOutputSpan = EndOutputSpan;
  calls.WriteConsoleCells = NoCells;
  calls.ScrollConsole = NoScroll;
  calls.FillConsoleCharacter = NoFillCharacter;
  calls.FillConsoleAttribute = NoFillAttribute;
  calls.SetConsoleCursor = NoCursor;
  calls.SetConsoleWindow = NoWindow;
  calls.Beep = NoBeep;
}

}  // namespace platform::detail
