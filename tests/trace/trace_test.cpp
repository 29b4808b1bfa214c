// The trace writer in file mode: the pieces of each item, the WriteFile loop, the
// one-time set-up with its handles and processed input, and the mode choice.

#include "trace/trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "trace/writer.h"

namespace {

using namespace std::string_literals;
using platform::Handle;

Handle const kInput = reinterpret_cast<Handle>(0x10);
Handle const kOutput = reinterpret_cast<Handle>(0x20);

// One WriteFile call as the fake saw it.
struct WriteCall {
  Handle handle;
  std::string offered;
};

// What the next WriteFile call does: accept at most `accept` bytes and report `ok`.
struct WriteResult {
  bool ok;
  std::uint32_t accept;
};

// The fake system behind the overrides. Plain globals, since table entries are
// plain function pointers.
struct FakeSystem {
  std::mutex lock;
  Handle input = kInput;
  Handle output = kOutput;
  std::atomic<int> handleQueries{0};
  std::chrono::milliseconds handleDelay{0};
  bool inputIsConsole = false;
  std::uint32_t inputMode = 0;
  std::vector<std::uint32_t> modesSet;
  int infoQueries = 0;
  bool consoleAnswers = false;
  platform::ConsoleInfo console;
  std::vector<WriteCall> writes;
  std::deque<WriteResult> script;  // empty: every call accepts everything
  std::string sink;
};

FakeSystem* fake = nullptr;

Handle FakeGetStandardHandle(platform::StandardHandleKind kind) {
  ++fake->handleQueries;
  std::this_thread::sleep_for(fake->handleDelay);
  return kind == platform::StandardHandleKind::kInput ? fake->input : fake->output;
}

bool FakeGetConsoleMode(Handle handle, std::uint32_t* mode) {
  if (handle != kInput || !fake->inputIsConsole) return false;
  *mode = fake->inputMode;
  return true;
}

bool FakeSetConsoleMode(Handle handle, std::uint32_t mode) {
  if (handle != kInput || !fake->inputIsConsole) return false;
  fake->modesSet.push_back(mode);
  return true;
}

bool FakeGetConsoleInfo(Handle, platform::ConsoleInfo* info) {
  ++fake->infoQueries;
  if (!fake->consoleAnswers) return false;
  *info = fake->console;
  return true;
}

bool FakeWriteFile(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  const std::string offered(static_cast<const char*>(bytes), count);
  fake->writes.push_back({handle, offered});
  WriteResult result{true, count};
  if (!fake->script.empty()) {
    result = fake->script.front();
    fake->script.pop_front();
  }
  *written = result.accept < count ? result.accept : count;
  fake->sink += offered.substr(0, *written);
  return result.ok;
}

class TraceFileTest : public ::testing::Test {
 protected:
  TraceFileTest() { fake = &system_; trace::detail::ResetWriterForTests(); }
  ~TraceFileTest() override {
    trace::detail::ResetWriterForTests();
    fake = nullptr;
  }

  std::vector<std::string> Offered() const {
    std::vector<std::string> offered;
    for (const auto& call : system_.writes) offered.push_back(call.offered);
    return offered;
  }

  FakeSystem system_;

 private:
  platform::OverrideOf<&platform::Calls::GetStandardHandle> handle_{FakeGetStandardHandle};
  platform::OverrideOf<&platform::Calls::GetConsoleMode> getMode_{FakeGetConsoleMode};
  platform::OverrideOf<&platform::Calls::SetConsoleMode> setMode_{FakeSetConsoleMode};
  platform::OverrideOf<&platform::Calls::GetConsoleInfo> info_{FakeGetConsoleInfo};
  platform::OverrideOf<&platform::Calls::WriteFile> write_{FakeWriteFile};
};

TEST_F(TraceFileTest, IntegerItemIsOnePiece) {
  struct Case {
    int value;
    bool newline;
    std::string piece;
  };
  const Case cases[] = {
      {3, true, " 3\r\n"},
      {0, false, " 0"},
      {-1, false, "-1"},
      {10, false, " 10"},
      {-907, true, "-907\r\n"},
      {INT_MAX, false, " 2147483647"},
      {INT_MAX, true, " 2147483647\r\n"},
      {INT_MIN, false, "-2147483648"},
      {INT_MIN, true, "-2147483648\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.piece);
    system_.writes.clear();
    trace::TraceInteger(c.value, c.newline);
    EXPECT_EQ(Offered(), std::vector<std::string>{c.piece});
  }
}

TEST_F(TraceFileTest, TextItemPieces) {
  struct Case {
    std::string text;
    bool newline;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"nLen=", false, {"nLen="}},
      {"strOut=", true, {"strOut=", "\r\n"}},
      {"", true, {"\r\n"}},
      {"", false, {}},
      {"a\0b"s, false, {"a\0b"s}},
      {"\0"s, true, {"\0"s, "\r\n"}},
      {"\x80\xC4\xE0\xFF\n", false, {"\x80\xC4\xE0\xFF\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    system_.writes.clear();
    trace::TraceText(c.text, c.newline);
    EXPECT_EQ(Offered(), c.pieces);
  }
}

TEST_F(TraceFileTest, EmptyTextWithoutNewlineDoesNotSetUp) {
  trace::TraceText("", false);
  EXPECT_EQ(system_.handleQueries, 0);
  EXPECT_EQ(system_.infoQueries, 0);
  trace::TraceText("x", false);
  EXPECT_EQ(system_.handleQueries, 2);
}

TEST_F(TraceFileTest, WriteLoop) {
  struct Case {
    const char* name;
    std::deque<WriteResult> script;
    std::vector<std::string> offered;  // for TraceText("abcdef", true) then TraceText("xyz", false)
    std::string delivered;
  };
  const Case cases[] = {
      {"short writes are continued",
       {{true, 2}, {true, 1}},
       {"abcdef", "cdef", "def", "\r\n", "xyz"},
       "abcdef\r\nxyz"},
      {"a failed write drops the rest of its piece only",
       {{false, 2}},
       {"abcdef", "\r\n", "xyz"},
       "ab\r\nxyz"},
      {"a failed write after a short one",
       {{true, 4}, {false, 0}, {false, 1}},
       {"abcdef", "ef", "\r\n", "xyz"},
       "abcd\rxyz"},
      {"success with 0 bytes ends the piece",
       {{true, 0}},
       {"abcdef", "\r\n", "xyz"},
       "\r\nxyz"},
      {"success with 0 bytes after a short write",
       {{true, 3}, {true, 0}},
       {"abcdef", "def", "\r\n", "xyz"},
       "abc\r\nxyz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    system_.writes.clear();
    system_.sink.clear();
    system_.script = c.script;
    trace::TraceText("abcdef", true);
    trace::TraceText("xyz", false);
    EXPECT_EQ(Offered(), c.offered);
    EXPECT_EQ(system_.sink, c.delivered);
  }
}

TEST_F(TraceFileTest, HandlesAreTakenAtTheFirstPieceOnly) {
  trace::TraceInteger(1, false);
  system_.output = reinterpret_cast<Handle>(0x99);
  system_.input = reinterpret_cast<Handle>(0x98);
  trace::TraceText("a", true);
  trace::TraceInteger(2, true);
  EXPECT_EQ(system_.handleQueries, 2);
  ASSERT_EQ(system_.writes.size(), 4u);
  for (const auto& call : system_.writes) EXPECT_EQ(call.handle, kOutput);
}

TEST_F(TraceFileTest, MissingOutputHandleStillTakenOnce) {
  system_.output = nullptr;
  trace::TraceText("lost", false);
  system_.output = kOutput;  // a console or file that appears later is not used
  trace::TraceText("lost", false);
  EXPECT_EQ(system_.handleQueries, 2);
  ASSERT_EQ(system_.writes.size(), 2u);
  EXPECT_EQ(system_.writes[1].handle, nullptr);
}

TEST_F(TraceFileTest, FirstPieceTurnsOnProcessedInput) {
  struct Case {
    const char* name;
    Handle input;
    bool console;
    std::uint32_t mode;
    std::vector<std::uint32_t> set;
  };
  const Case cases[] = {
      {"console input with it off", kInput, true, 0x1F6, {0x1F7}},
      {"console input with nothing on", kInput, true, 0, {0x1}},
      {"console input with it on already", kInput, true, 0x7, {0x7}},
      {"input that is not a console", kInput, false, 0, {}},
      {"no input handle", nullptr, true, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    trace::detail::ResetWriterForTests();
    system_.input = c.input;
    system_.inputIsConsole = c.console;
    system_.inputMode = c.mode;
    system_.modesSet.clear();
    trace::TraceText("a", false);
    trace::TraceText("b", false);
    EXPECT_EQ(system_.modesSet, c.set);
  }
}

TEST_F(TraceFileTest, FileModeIsChosenOnceAndKept) {
  struct Case {
    const char* name;
    bool answers;
    int width;
    int top;
    int bottom;
  };
  const Case cases[] = {
      {"the query fails", false, 80, 0, 24},
      {"a buffer one column wide", true, 1, 0, 24},
      {"a view one row high", true, 80, 7, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    trace::detail::ResetWriterForTests();
    system_.writes.clear();
    system_.infoQueries = 0;
    system_.consoleAnswers = c.answers;
    system_.console.width = c.width;
    system_.console.height = 300;
    system_.console.window = platform::ConsoleRect{0, c.top, c.width - 1, c.bottom};
    trace::TraceText("one", true);
    trace::TraceInteger(2, false);
    EXPECT_EQ(Offered(), (std::vector<std::string>{"one", "\r\n", " 2"}));
    EXPECT_EQ(system_.infoQueries, 1);
  }
}

TEST_F(TraceFileTest, SetUpRacedByThreadsHappensOnce) {
  system_.handleDelay = std::chrono::milliseconds(20);
  constexpr int kThreads = 8;
  std::atomic<int> waiting{kThreads};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&] {
      --waiting;
      while (waiting.load() > 0) std::this_thread::yield();
      trace::TraceText("x", false);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(system_.handleQueries, 2);
  EXPECT_EQ(system_.infoQueries, 1);
  EXPECT_EQ(system_.sink, std::string(kThreads, 'x'));
  for (const auto& call : system_.writes) EXPECT_EQ(call.handle, kOutput);
}

}  // namespace
