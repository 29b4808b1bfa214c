// Linux-only behaviour of the loaded library towards a hostile or careless host:
// a host thread cancelled inside CONVERT, unload and exit beside a thread
// blocked reading standard input, and standard output a file at the process's
// size limit.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "LotanconvertCP.h"
#include "library/loaded_library.h"
#include "library/redirect.h"
#include "platform/platform.h"

namespace library_test {
namespace {

constexpr char kAbcTrace[] =
    "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=abc---\r\nnRet= 3\r\nstrOut=abc\r\n";

struct Blocked {
  LotanconvertCPFunction convert;
  std::atomic<bool> calling{false};
  char result[8] = {};
};

void* CallIntoAFullPipe(void* argument) {
  auto* blocked = static_cast<Blocked*>(argument);
  blocked->calling = true;
  blocked->convert("abc", 1251, 866, blocked->result);
  return nullptr;
}

// The thread blocks in its first trace write, into a pipe that is full, and is
// cancelled there: it ends, is joined, and the library goes on serving the next
// call (no lock or mask left behind by the cancelled one).
TEST(DllPosixTest, ThreadCancelledInsideTheCallIsJoinedAndTheNextCallWorks) {
  LoadedLibrary library;
  ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
  Blocked blocked{library.Convert()};
  ASSERT_NE(blocked.convert, nullptr);
  {
    // The code pages' first use happens here, not in the cancelled call.
    OutputRedirect warm(Sink::kPipe);
    blocked.convert("abc", 1251, 866, blocked.result);
  }
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  fcntl(ends[1], F_SETFL, O_NONBLOCK);
  static char filler[65536];
  while (write(ends[1], filler, sizeof filler) > 0) {
  }
  fcntl(ends[1], F_SETFL, 0);
  fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  dup2(ends[1], STDOUT_FILENO);

  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, nullptr, &CallIntoAFullPipe, &blocked), 0);
  while (!blocked.calling) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  pthread_cancel(thread);
  void* status = nullptr;
  pthread_join(thread, &status);

  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(ends[0]);
  close(ends[1]);
  EXPECT_EQ(status, PTHREAD_CANCELED);

  OutputRedirect redirect(Sink::kPipe);
  char result[8] = {};
  EXPECT_EQ(blocked.convert("abc", 1251, 866, result), 1);
  EXPECT_EQ(redirect.Finish(), kAbcTrace);
  EXPECT_EQ(std::string(result), "abc");
}

// Waits up to `seconds` for the child; kills it if it has not ended by then.
// Returns its wait status, or -1 when it had to be killed.
int WaitOrKill(pid_t child, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status;
}

// In a child process: a thread blocks in fgets(stdin), holding standard input's
// lock, while the main thread unloads the library and then exits. Both must go
// on at once (a flush that waits for every stream's lock held both forever); a
// stream nobody holds is still flushed at the unload.
TEST(DllPosixTest, UnloadAndExitBesideAThreadBlockedReadingStandardInput) {
  const std::string path = TemporaryPath();
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  fflush(stdout);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(report[0]);
    int input[2];
    if (pipe(input) != 0) _exit(10);
    dup2(input[0], STDIN_FILENO);  // the write end stays open and silent
    const int output = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (output < 0) _exit(11);
    dup2(output, STDOUT_FILENO);
    std::thread([] {
      char line[16];
      (void)fgets(line, sizeof line, stdin);
    }).detach();
    // Until the reader holds standard input's lock.
    while (ftrylockfile(stdin) == 0) {
      funlockfile(stdin);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    platform::Library library = platform::OpenLibrary(LOTAN_LIBRARY_NAME);
    if (library == nullptr) _exit(12);
    auto convert = reinterpret_cast<LotanconvertCPFunction>(platform::LibrarySymbol(library, LOTAN_CONVERT_SYMBOL));
    char result[8] = {};
    convert("abc", 1251, 866, result);
    fputs("pending", stdout);  // a file: fully buffered, left for the unload
    platform::CloseLibrary(library);
    // What the file holds once the unload has returned, before exit flushes.
    const std::string unloaded = "unloaded:" + ReadWholeFile(path);
    if (write(report[1], unloaded.data(), unloaded.size()) != static_cast<ssize_t>(unloaded.size())) _exit(13);
    exit(0);
  }
  close(report[1]);
  const int status = WaitOrKill(child, 10);
  std::string reported;
  char buffer[256];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) reported.append(buffer, static_cast<size_t>(n));
  close(report[0]);
  unlink(path.c_str());
  EXPECT_EQ(reported, "unloaded:" + std::string(kAbcTrace) + "pending") << "the unload returned and flushed";
  ASSERT_NE(status, -1) << "the child had not ended within 10 s";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Standard output a file that reaches the process's size limit in the second
// call: the trace stops at the limit, and the host lives on with every result
// right (SIGXFSZ, raised by the write past the limit, would end it).
TEST(DllPosixTest, HostSurvivesTheFileSizeLimitWithEveryResultRight) {
  LoadedLibrary library;
  ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
  const LotanconvertCPFunction convert = library.Convert();
  ASSERT_NE(convert, nullptr);
  const std::string trace = kAbcTrace;
  const rlim_t limit = trace.size() + 10;
  std::string results;
  std::string written;
  {
    OutputRedirect redirect(Sink::kFile);
    rlimit saved = {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
    for (int call = 0; call < 3; ++call) {
      char result[8] = {};
      convert("abc", 1251, 866, result);
      results += result;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    written = redirect.Finish();
  }
  EXPECT_EQ(results, "abcabcabc");
  EXPECT_EQ(written, (trace + trace).substr(0, limit));
}

}  // namespace
}  // namespace library_test
