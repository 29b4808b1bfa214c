// POSIX layer, output: file descriptors stand in for the standard handles and
// write(2) for WriteFile. There is no console here, so every console query fails
// and the trace writer always works in file mode.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "platform/posix/entries.h"

namespace platform::detail {
namespace {

// A handle is the descriptor plus one, so that descriptor 0 is not a null handle.
Handle FromDescriptor(int fd) { return reinterpret_cast<Handle>(static_cast<std::intptr_t>(fd) + 1); }
int ToDescriptor(Handle handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1); }

}  // namespace

Handle GetStandardHandle(StandardHandleKind kind) {
  const int fd = kind == StandardHandleKind::kInput ? STDIN_FILENO : STDOUT_FILENO;
  // A closed descriptor is a missing handle, as in a windowed Windows host.
  if (fcntl(fd, F_GETFD) == -1) return nullptr;
  return FromDescriptor(fd);
}

bool NoConsoleMode(Handle, std::uint32_t*) { return false; }
bool NoSetConsoleMode(Handle, std::uint32_t) { return false; }
bool NoConsoleInfo(Handle, ConsoleInfo*) { return false; }

namespace {

// Two signals a write can raise where WriteFile on Windows just fails, and either
// ends the process by default: SIGPIPE on a pipe or socket whose reader has gone
// (the write fails with EPIPE), SIGXFSZ on a file at the process's size limit,
// RLIMIT_FSIZE (EFBIG; the write that reaches the limit is cut short there and
// the next one fails). Both are raised for the writing thread, so blocking them
// for that thread holds them back: they stay pending, and the writer takes back
// the ones its own writes raised before the old mask returns. A signal the host
// already had pending (it blocks the signal itself) stays its own, and so does
// the host's disposition, which is never looked at.
// Inside an output span the signals are held back from the span's start to its
// end: two mask changes for all the pieces of one call. Outside a span each
// write is a span of its own.
constexpr int kShieldedSignals[] = {SIGPIPE, SIGXFSZ};

sigset_t ShieldedSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kShieldedSignals) sigaddset(&set, signal);
  return set;
}

// The shielded signal a failed write raised, or 0.
int RaisedBy(int error) { return error == EPIPE ? SIGPIPE : error == EFBIG ? SIGXFSZ : 0; }

// The signals held back from this thread between BlockWriteSignals and RestoreWriteSignals.
struct Shield {
  bool up = false;       // both are blocked for this thread (by us or the host)
  sigset_t unblock;      // the ones BlockWriteSignals blocked, which RestoreWriteSignals unblocks
  sigset_t hostPending;  // the host's own, pending before BlockWriteSignals
  sigset_t raised;       // the ones writes under the shield raised
};

Shield BlockWriteSignals() {
  Shield shield;
  sigemptyset(&shield.unblock);
  sigemptyset(&shield.hostPending);
  sigemptyset(&shield.raised);
  const sigset_t signals = ShieldedSignals();
  sigset_t saved;
  if (pthread_sigmask(SIG_BLOCK, &signals, &saved) != 0) return shield;
  shield.up = true;
  // While a signal was deliverable to this thread none of it can be pending for
  // it; only one the host blocks itself may be waiting already.
  bool hostBlocks = false;
  for (const int signal : kShieldedSignals) {
    if (sigismember(&saved, signal) == 1) {
      hostBlocks = true;
    } else {
      sigaddset(&shield.unblock, signal);
    }
  }
  sigset_t pending;
  sigemptyset(&pending);
  if (hostBlocks && sigpending(&pending) == 0) {
    for (const int signal : kShieldedSignals) {
      if (sigismember(&saved, signal) == 1 && sigismember(&pending, signal) == 1) {
        sigaddset(&shield.hostPending, signal);
      }
    }
  }
  return shield;
}

void Note(Shield& shield, int error) {
  if (const int signal = RaisedBy(error); signal != 0) sigaddset(&shield.raised, signal);
}

void RestoreWriteSignals(const Shield& shield) {
  if (!shield.up) return;
  const int error = errno;
  for (const int signal : kShieldedSignals) {
    if (sigismember(&shield.raised, signal) != 1 || sigismember(&shield.hostPending, signal) == 1) continue;
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    const timespec noWait{0, 0};
    while (sigtimedwait(&one, nullptr, &noWait) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_UNBLOCK, &shield.unblock, nullptr);
  errno = error;
}

// A descriptor left non-blocking by the host (a pipe its parent shares, say)
// refuses a write with EAGAIN while it is full; that is no failure, so the write
// waits until the descriptor takes bytes again and goes on. One that never does
// holds the caller, as a full blocking descriptor would.
ssize_t WriteWaiting(int fd, const void* bytes, std::uint32_t count) {
  for (;;) {
    const ssize_t n = write(fd, bytes, count);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return n;
    pollfd writable{fd, POLLOUT, 0};
    while (poll(&writable, 1, -1) < 0) {
      if (errno != EINTR) return -1;
    }
  }
}

// This thread's output span. Constant-initialised, so it costs nothing to set up.
struct Span {
  int depth = 0;
  Shield shield;
};
thread_local Span span;

}  // namespace

void BeginOutputSpan() {
  if (span.depth++ > 0) return;
  span.shield = BlockWriteSignals();
}

void EndOutputSpan() {
  if (span.depth <= 0 || --span.depth > 0) return;
  RestoreWriteSignals(span.shield);
  span.shield = Shield{};
}

bool WriteFile(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  *written = 0;
  if (handle == nullptr) return false;
  const int fd = ToDescriptor(handle);
  ssize_t n;
  if (span.depth > 0 && span.shield.up) {
    n = WriteWaiting(fd, bytes, count);
    if (n < 0) Note(span.shield, errno);
  } else {
    Shield shield = BlockWriteSignals();
    n = WriteWaiting(fd, bytes, count);
    if (n < 0) Note(shield, errno);
    RestoreWriteSignals(shield);
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

}  // namespace platform::detail
