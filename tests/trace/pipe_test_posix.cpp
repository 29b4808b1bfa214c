// The trace writer over the Linux stand-ins with standard output a real pipe: the
// pieces arrive unchanged, and a pipe that nobody reads any more loses the trace
// without ending the process.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

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

bool PipeSignalPending() {
  sigset_t pending;
  sigemptyset(&pending);
  return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

bool PipeSignalBlocked() {
  sigset_t mask;
  return pthread_sigmask(SIG_BLOCK, nullptr, &mask) == 0 && sigismember(&mask, SIGPIPE) == 1;
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

// Sets SIGPIPE's action to the default, which ends the process, for the lifetime
// of the object: surviving the writes shows that the layer kept the signal away.
class DefaultPipeAction {
 public:
  DefaultPipeAction() {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(SIGPIPE, &byDefault, &original_);
  }
  ~DefaultPipeAction() { sigaction(SIGPIPE, &original_, nullptr); }
  DefaultPipeAction(const DefaultPipeAction&) = delete;
  DefaultPipeAction& operator=(const DefaultPipeAction&) = delete;

 private:
  struct sigaction original_ = {};
};

// Writes to a channel whose reader has gone.
void WriteWithoutReader(const Case& c) {
  int ends[2];
  ASSERT_TRUE(MakeChannel(c.channel, ends));
  close(ends[0]);
  {
    StandardOutputOnto redirect(ends[1]);
    WriteItems(c.inSpan, "lost");
  }
  close(ends[1]);
}

TEST(TracePipeTest, ChannelWithoutReaderLosesTheTraceOnly) {
  const DefaultPipeAction action;
  for (const Case& c : kCases) {
    SCOPED_TRACE(Describe(c));
    WriteWithoutReader(c);
    EXPECT_FALSE(PipeSignalPending());
    EXPECT_FALSE(PipeSignalBlocked());
  }
}

TEST(TracePipeTest, HostsBlockedAndPendingSignalIsLeftAsItWas) {
  const DefaultPipeAction action;
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigset_t saved;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved), 0);
  for (const bool hostPending : {false, true}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(Describe(c) + (hostPending ? ", host's signal pending" : ", none pending"));
      if (hostPending) pthread_kill(pthread_self(), SIGPIPE);
      WriteWithoutReader(c);
      // The layer takes back only the signal its own writes raised.
      EXPECT_EQ(PipeSignalPending(), hostPending);
      EXPECT_TRUE(PipeSignalBlocked());
      const timespec noWait{0, 0};
      while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
      }
    }
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

}  // namespace
