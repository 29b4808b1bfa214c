// The trace writer over the Linux stand-ins with standard output a real pipe or
// socket: the pieces arrive unchanged, also through a non-blocking one that a
// slow reader leaves full; a channel that nobody reads any more, or a file at
// the process's size limit, loses the trace without ending the process.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>

#include "trace/trace.h"
#include "trace/writer.h"

namespace {

using namespace std::string_literals;

// Puts `descriptor` in place of standard output for the lifetime of the object.
// Nothing may print in between: a test's findings are checked after it ends.
class StandardOutputOnto {
 public:
  explicit StandardOutputOnto(int descriptor) : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    dup2(descriptor, STDOUT_FILENO);
    trace::detail::ResetWriterForTests();
  }
  ~StandardOutputOnto() {
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    trace::detail::ResetWriterForTests();
  }
  StandardOutputOnto(const StandardOutputOnto&) = delete;
  StandardOutputOnto& operator=(const StandardOutputOnto&) = delete;

 private:
  int saved_;
};

// The two kinds of descriptor where a write can raise SIGPIPE.
enum class Channel { kPipe, kSocket };

const char* Name(Channel channel) { return channel == Channel::kPipe ? "pipe" : "socket"; }

bool MakeChannel(Channel channel, int (&ends)[2]) {
  return channel == Channel::kPipe ? pipe(ends) == 0 : socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0;
}

// Each case runs with its pieces alone and inside an output span (as the
// conversion entry writes them), which take different paths in the layer.
struct Case {
  Channel channel;
  bool inSpan;
};

constexpr Case kCases[] = {
    {Channel::kPipe, false}, {Channel::kPipe, true}, {Channel::kSocket, false}, {Channel::kSocket, true}};

std::string Describe(const Case& c) { return std::string(Name(c.channel)) + (c.inSpan ? ", in a span" : ", alone"); }

// Writes a few items, nested spans included when asked for.
void WriteItems(bool inSpan, std::string_view text) {
  if (!inSpan) {
    trace::TraceText(text, true);
    trace::TraceInteger(INT_MIN, true);
    return;
  }
  const trace::OutputSpan outer;
  trace::TraceText(text, true);
  const trace::OutputSpan inner;
  trace::TraceInteger(INT_MIN, true);
}

bool SignalPending(int signal) {
  sigset_t pending;
  sigemptyset(&pending);
  return sigpending(&pending) == 0 && sigismember(&pending, signal) == 1;
}

bool SignalBlocked(int signal) {
  sigset_t mask;
  return pthread_sigmask(SIG_BLOCK, nullptr, &mask) == 0 && sigismember(&mask, signal) == 1;
}

TEST(TracePipeTest, PiecesArriveUnchanged) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(Describe(c));
    int ends[2];
    ASSERT_TRUE(MakeChannel(c.channel, ends));
    {
      StandardOutputOnto redirect(ends[1]);
      trace::TraceText("nLen=", false);
      WriteItems(c.inSpan, "a\0b\xFF\n"s);
      trace::TraceText("", false);
    }
    close(ends[1]);
    std::string received;
    char buffer[64];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<size_t>(n));
    close(ends[0]);
    EXPECT_EQ(received, "nLen=a\0b\xFF\n\r\n-2147483648\r\n"s);
  }
}

// A parent may hand its child a non-blocking pipe; a write to it while it is full
// fails with EAGAIN, which must not cost the rest of the piece. The channel is
// made small and the reader starts late and reads little at a time, so the
// writer finds it full again and again.
TEST(TracePipeTest, NonBlockingChannelWithASlowReaderReceivesEveryByte) {
  const std::string text(512 * 1024, 'x');
  for (const Case& c : kCases) {
    SCOPED_TRACE(Describe(c));
    int ends[2];
    ASSERT_TRUE(MakeChannel(c.channel, ends));
    const int small = 4096;
    if (c.channel == Channel::kPipe) {
      fcntl(ends[1], F_SETPIPE_SZ, small);
    } else {
      setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    }
    ASSERT_EQ(fcntl(ends[1], F_SETFL, O_NONBLOCK), 0);
    std::string received;
    std::thread reader([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      char buffer[1024];
      for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<size_t>(n));
    });
    {
      StandardOutputOnto redirect(ends[1]);
      WriteItems(c.inSpan, text);
    }
    close(ends[1]);
    reader.join();
    close(ends[0]);
    EXPECT_EQ(received.size(), text.size() + 15);
    EXPECT_EQ(received, text + "\r\n-2147483648\r\n");
  }
}

// Sets the action of both signals a write can raise to the default, which ends
// the process, for the lifetime of the object: surviving the writes shows that
// the layer kept the signals away.
constexpr int kWriteSignals[] = {SIGPIPE, SIGXFSZ};

class DefaultSignalActions {
 public:
  DefaultSignalActions() {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int i = 0; i < 2; ++i) sigaction(kWriteSignals[i], &byDefault, &original_[i]);
  }
  ~DefaultSignalActions() {
    for (int i = 0; i < 2; ++i) sigaction(kWriteSignals[i], &original_[i], nullptr);
  }
  DefaultSignalActions(const DefaultSignalActions&) = delete;
  DefaultSignalActions& operator=(const DefaultSignalActions&) = delete;

 private:
  struct sigaction original_[2] = {};
};

// The process's file-size limit (RLIMIT_FSIZE) lowered to `bytes` for the
// lifetime of the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_ = {};
};

// Descriptors that refuse a write with a signal: a channel whose reader has gone
// (SIGPIPE), a file at the size limit (SIGXFSZ; the write that reaches the
// limit is cut short there).
enum class Refusing { kPipe, kSocket, kFileAtLimit };

struct RefusingCase {
  Refusing refusing;
  bool inSpan;
};

constexpr RefusingCase kRefusingCases[] = {
    {Refusing::kPipe, false},        {Refusing::kPipe, true},        {Refusing::kSocket, false},
    {Refusing::kSocket, true},       {Refusing::kFileAtLimit, false}, {Refusing::kFileAtLimit, true}};

std::string Describe(const RefusingCase& c) {
  const char* name = c.refusing == Refusing::kPipe     ? "pipe without reader"
                     : c.refusing == Refusing::kSocket ? "socket without reader"
                                                       : "file at its size limit";
  return std::string(name) + (c.inSpan ? ", in a span" : ", alone");
}

constexpr rlim_t kLimit = 8;

// Writes a few items to the refusing descriptor; returns what reached the file.
std::string WriteRefused(const RefusingCase& c) {
  std::string reached;
  if (c.refusing != Refusing::kFileAtLimit) {
    int ends[2];
    if (!MakeChannel(c.refusing == Refusing::kPipe ? Channel::kPipe : Channel::kSocket, ends)) return "no channel";
    close(ends[0]);
    {
      StandardOutputOnto redirect(ends[1]);
      WriteItems(c.inSpan, "lost");
    }
    close(ends[1]);
    return reached;
  }
  char path[] = "/tmp/lotan-limit-XXXXXX";
  const int file = mkstemp(path);
  if (file < 0) return "no file";
  unlink(path);
  {
    StandardOutputOnto redirect(file);
    const FileSizeLimit limit(kLimit);
    WriteItems(c.inSpan, "lost");
  }
  char buffer[64];
  const ssize_t n = pread(file, buffer, sizeof buffer, 0);
  if (n > 0) reached.assign(buffer, static_cast<size_t>(n));
  close(file);
  return reached;
}

TEST(TracePipeTest, RefusingDescriptorLosesTheTraceOnly) {
  const DefaultSignalActions actions;
  for (const RefusingCase& c : kRefusingCases) {
    SCOPED_TRACE(Describe(c));
    // The pieces before the limit arrive whole, the one that reaches it is cut
    // there, and the rest is lost.
    EXPECT_EQ(WriteRefused(c), c.refusing == Refusing::kFileAtLimit ? "lost\r\n-2" : "");
    for (const int signal : kWriteSignals) {
      SCOPED_TRACE(signal);
      EXPECT_FALSE(SignalPending(signal));
      EXPECT_FALSE(SignalBlocked(signal));
    }
  }
}

TEST(TracePipeTest, HostsBlockedAndPendingSignalIsLeftAsItWas) {
  const DefaultSignalActions actions;
  sigset_t writeSignals;
  sigemptyset(&writeSignals);
  for (const int signal : kWriteSignals) sigaddset(&writeSignals, signal);
  sigset_t saved;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &writeSignals, &saved), 0);
  for (const bool hostPending : {false, true}) {
    for (const RefusingCase& c : kRefusingCases) {
      SCOPED_TRACE(Describe(c) + (hostPending ? ", host's signals pending" : ", none pending"));
      if (hostPending) {
        for (const int signal : kWriteSignals) pthread_kill(pthread_self(), signal);
      }
      WriteRefused(c);
      // The layer takes back only the signals its own writes raised.
      for (const int signal : kWriteSignals) {
        SCOPED_TRACE(signal);
        EXPECT_EQ(SignalPending(signal), hostPending);
        EXPECT_TRUE(SignalBlocked(signal));
      }
      const timespec noWait{0, 0};
      while (sigtimedwait(&writeSignals, nullptr, &noWait) > 0) {
      }
    }
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

}  // namespace
