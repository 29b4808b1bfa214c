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
#include <string>

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

TEST(TracePipeTest, PiecesArriveUnchanged) {
  for (const Channel channel : {Channel::kPipe, Channel::kSocket}) {
    SCOPED_TRACE(Name(channel));
    int ends[2];
    ASSERT_TRUE(MakeChannel(channel, ends));
    {
      StandardOutputOnto redirect(ends[1]);
      trace::TraceText("nLen=", false);
      trace::TraceInteger(INT_MIN, true);
      trace::TraceText("a\0b\xFF\n"s, true);
      trace::TraceText("", false);
    }
    close(ends[1]);
    std::string received;
    char buffer[64];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<size_t>(n));
    close(ends[0]);
    EXPECT_EQ(received, "nLen=-2147483648\r\na\0b\xFF\n\r\n"s);
  }
}

TEST(TracePipeTest, ChannelWithoutReaderLosesTheTraceOnly) {
  // The default action of SIGPIPE ends the process, so surviving the writes shows
  // that the writer kept the signal away.
  struct sigaction original = {};
  struct sigaction byDefault = {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ASSERT_EQ(sigaction(SIGPIPE, &byDefault, &original), 0);
  for (const Channel channel : {Channel::kPipe, Channel::kSocket}) {
    SCOPED_TRACE(Name(channel));
    int ends[2];
    ASSERT_TRUE(MakeChannel(channel, ends));
    close(ends[0]);
    {
      StandardOutputOnto redirect(ends[1]);
      trace::TraceText("lost", true);
      trace::TraceInteger(1, true);
    }
    close(ends[1]);
    sigset_t pending;
    sigemptyset(&pending);
    ASSERT_EQ(sigpending(&pending), 0);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
    sigset_t mask;
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, nullptr, &mask), 0);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 0);
  }
  sigaction(SIGPIPE, &original, nullptr);
}

}  // namespace
