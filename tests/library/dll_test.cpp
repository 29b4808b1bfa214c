// The built library loaded at run time, as a host loads it: lookup, the trace on
// a redirected standard output (file and pipe), the load effects on the x87
// control word, the flush at unload, and a host without standard output.
// LOTAN_LIBRARY_NAME, LOTAN_CONVERT_SYMBOL and LOTAN_ABSENT_SYMBOL come from
// the build.

#include <gtest/gtest.h>
#include <stdio.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LotanconvertCP.h"
#include "library/conversion_cases.h"
#include "library/loaded_library.h"
#include "library/redirect.h"
#include "platform/platform.h"

namespace library_test {
namespace {

TEST(DllTest, ExportIsFoundByItsNameOnly) {
  LoadedLibrary library;
  ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
  EXPECT_NE(platform::LibrarySymbol(library.Handle(), LOTAN_CONVERT_SYMBOL), nullptr);
  EXPECT_EQ(platform::LibrarySymbol(library.Handle(), LOTAN_ABSENT_SYMBOL), nullptr);
  // Nothing of the module's inside is visible.
  EXPECT_EQ(platform::LibrarySymbol(library.Handle(), "ModuleSetUp"), nullptr);
  EXPECT_EQ(platform::LibrarySymbol(library.Handle(), "_ZN7library11ModuleSetUpEv"), nullptr);
}

TEST(DllTest, EveryCaseTracesExactlyToAFileAndAPipe) {
  for (const Sink sink : {Sink::kFile, Sink::kPipe}) {
    for (const ConversionCase& c : kConversionCases) {
      SCOPED_TRACE(std::string(sink == Sink::kFile ? "file: " : "pipe: ") + c.name);
      CaseBuffers buffers(c);
      OutputRedirect redirect(sink);
      int result = 0;
      {
        LoadedLibrary library;
        ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
        const LotanconvertCPFunction convert = library.Convert();
        ASSERT_NE(convert, nullptr);
        result = convert(c.nullSource ? nullptr : buffers.Source(), c.fromCodePage, c.toCodePage,
                         c.nullResult ? nullptr : buffers.result.data());
      }
      EXPECT_EQ(redirect.Finish(), c.trace);
      EXPECT_EQ(result, 1);
      if (!c.nullResult) {
        EXPECT_EQ(std::string(buffers.result.c_str()), c.result);
      }
    }
  }
}

TEST(DllTest, SharedBufferAndRepeatedCalls) {
  OutputRedirect redirect(Sink::kPipe);
  char buffer[5] = {'\xC4', '\xE0', '\0', 'x', 'x'};
  char second[8] = {};
  {
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
    EXPECT_EQ(library.Convert()(buffer, 1251, 65001, buffer), 1);
    EXPECT_EQ(library.Convert()("abc", 1251, 866, second), 1);
  }
  EXPECT_EQ(redirect.Finish(), std::string(kSharedBufferTrace) +
                                   "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=abc---\r\n"
                                   "nRet= 3\r\nstrOut=abc\r\n");
  EXPECT_EQ(std::string(buffer, 5), std::string("\xD0\x94\xD0\xB0\0", 5));
  EXPECT_EQ(std::string(second), "abc");
}

TEST(DllTest, LoadAndUnloadAloneWriteNothing) {
  OutputRedirect redirect(Sink::kFile);
  {
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
  }
  EXPECT_EQ(redirect.Finish(), "");
}

TEST(DllTest, WithoutStandardOutputTheTraceIsLostAndTheResultRight) {
  char result[8] = "xxxxxxx";
  int returned = 0;
  {
    NoStandardOutput none;
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
    returned = library.Convert()("\xC4\xE0", 1251, 866, result);
    returned += library.Convert()("\xC4\xE0", 1251, 866, result);
  }
  EXPECT_EQ(returned, 2);
  EXPECT_EQ(std::string(result), "\x84\xA0");
}

// Calls from several threads at once: each gets its own result; the trace holds
// every call's seven lines, possibly interleaved, and no byte more or less.
TEST(DllTest, ConcurrentCallsKeepTheirOwnResults) {
  constexpr int kThreads = 8;
  constexpr int kCalls = 20;
  OutputRedirect redirect(Sink::kPipe);
  int wrong = 0;
  {
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
    const LotanconvertCPFunction convert = library.Convert();
    std::mutex lock;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        const std::string source(static_cast<std::size_t>(t + 1), static_cast<char>('\xC0' + t));
        for (int i = 0; i < kCalls; ++i) {
          std::string result(2 * source.size() + 1, 'x');
          convert(source.c_str(), 1251, 866, result.data());
          // 1251 0xC0 + t is the capital letter t, 866 0x80 + t.
          if (std::string(result.c_str()) != std::string(source.size(), static_cast<char>('\x80' + t))) {
            const std::lock_guard<std::mutex> guard(lock);
            ++wrong;
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  const std::string trace = redirect.Finish();
  EXPECT_EQ(wrong, 0);
  // Per call of n bytes (n below 10): seven labels and line ends (57 bytes), " n"
  // three times, 2n bytes on each of the three scratch lines and n on the strOut
  // line: 63 + 7n bytes.
  std::size_t expected = 0;
  for (int n = 1; n <= kThreads; ++n) expected += kCalls * static_cast<std::size_t>(63 + 7 * n);
  EXPECT_EQ(trace.size(), expected);
}

// Standard output missing at the first piece stays missing for the writer, even
// once the host has one again.
TEST(DllTest, OutputMissingAtTheFirstPieceStaysLost) {
  LoadedLibrary library;
  ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
  char result[8] = {};
  {
    NoStandardOutput none;
    EXPECT_EQ(library.Convert()("a", 1252, 1252, result), 1);
  }
  OutputRedirect redirect(Sink::kFile);
  EXPECT_EQ(library.Convert()("b", 1252, 1252, result), 1);
  EXPECT_EQ(redirect.Finish(), "");
  EXPECT_EQ(std::string(result), "b");
}

TEST(DllTest, UnloadFlushesAStreamTheHostLeftUnflushed) {
  const std::string path = TemporaryPath();
  FILE* stream = fopen(path.c_str(), "wb");
  ASSERT_NE(stream, nullptr);
  static char buffer[1024];
  ASSERT_EQ(setvbuf(stream, buffer, _IOFBF, sizeof buffer), 0);
  {
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
    ASSERT_EQ(fwrite("pending", 1, 7, stream), 7u);
    EXPECT_EQ(ReadWholeFile(path), "") << "still in the host's buffer";
  }
  EXPECT_EQ(ReadWholeFile(path), "pending");
  fclose(stream);
  remove(path.c_str());
}

// x87 control word: precision control in bits 8-9 (10b = 53 bits, 11b = 64 bits),
// rounding in bits 10-11 (01b = down, 00b = nearest). Bit 12 and the exception
// masks are set here so that a change to them would show.
constexpr std::uint16_t kPrecision53RoundDown = 0x167F;
constexpr std::uint16_t kPrecision64RoundNearest = 0x137F;
constexpr std::uint16_t kOtherThreadWord = 0x0A7F;  // 53 bits, round up

TEST(DllTest, X87LoadSetsTheLoadingThreadsControlWordOnly) {
  std::uint16_t fresh = 0;
  std::thread([&] { fresh = platform::ReadX87ControlWord(); }).join();

  // A thread that exists during the load keeps its own setting.
  std::mutex lock;
  std::condition_variable changed;
  int stage = 0;
  std::uint16_t otherAfter = 0;
  std::thread other([&] {
    platform::WriteX87ControlWord(kOtherThreadWord);
    std::unique_lock<std::mutex> hold(lock);
    stage = 1;
    changed.notify_all();
    changed.wait(hold, [&] { return stage == 2; });
    otherAfter = platform::ReadX87ControlWord();
  });
  {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return stage == 1; });
  }

  LoadedLibrary* library = nullptr;
  std::uint16_t before = 0;
  std::uint16_t after = 0;
  std::thread loader([&] {
    platform::WriteX87ControlWord(kPrecision53RoundDown);
    before = platform::ReadX87ControlWord();
    library = new LoadedLibrary();
    after = platform::ReadX87ControlWord();
  });
  loader.join();
  ASSERT_TRUE(library->Loaded()) << platform::LastLoadError();

  // A thread started after the load begins as threads always do.
  std::uint16_t started = 0;
  std::thread([&] { started = platform::ReadX87ControlWord(); }).join();
  {
    std::unique_lock<std::mutex> hold(lock);
    stage = 2;
    changed.notify_all();
  }
  other.join();
  delete library;

  EXPECT_EQ(before, kPrecision53RoundDown);
  EXPECT_EQ(after, kPrecision64RoundNearest);
  EXPECT_EQ(otherAfter, kOtherThreadWord);
  EXPECT_EQ(started, fresh);
}

}  // namespace
}  // namespace library_test
