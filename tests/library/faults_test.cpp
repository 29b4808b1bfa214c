// The conversion entry with the platform failing under it: a trace that cannot
// be written, every call failing at once, scratch memory failing in eight
// threads at once, and a shut-down action the runtime cannot register. The
// entry still returns 1 with the result the failure leaves, and nothing is lost
// that could have been delivered.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "library/conversion_cases.h"
#include "library/convert.h"
#include "library/module.h"
#include "library/trace_capture.h"
#include "platform/platform.h"

namespace library_test {
namespace {

using WriteFunction = decltype(platform::Calls::WriteFile);

bool FailingWrite(platform::Handle, const void*, std::uint32_t, std::uint32_t* written) {
  *written = 0;
  return false;
}
bool WriteNothing(platform::Handle, const void*, std::uint32_t, std::uint32_t* written) {
  *written = 0;
  return true;
}
// One byte per call: the writer must go on until the piece is gone.
bool WriteOneByte(platform::Handle handle, const void* bytes, std::uint32_t, std::uint32_t* written) {
  return CaptureWrite(handle, bytes, 1, written);
}
platform::Handle NoHandle(platform::StandardHandleKind) { return nullptr; }
// As the system's WriteFile does, refuses the null handle.
bool WriteToHandle(platform::Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  if (handle == nullptr) return FailingWrite(handle, bytes, count, written);
  return CaptureWrite(handle, bytes, count, written);
}

constexpr std::string_view kAbcTrace =
    "nLen= 3\r\nstrDst=,,,,,,\r\nstrRet=------\r\nnRet= 3\r\nstrRet=abc---\r\nnRet= 3\r\nstrOut=abc\r\n";

TEST(ConvertFaultsTest, TraceThatCannotBeWrittenLeavesTheResultRight) {
  struct Row {
    const char* name;
    WriteFunction write;
    bool noHandle;
    std::string_view trace;
  };
  const Row rows[] = {
      {"every write fails", &FailingWrite, false, ""},
      {"every write reports success with 0 bytes", &WriteNothing, false, ""},
      {"writes of one byte at a time", &WriteOneByte, false, kAbcTrace},
      {"no standard output handle", &WriteToHandle, true, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TraceCapture capture;
    platform::Override write(&platform::Calls::WriteFile, row.write);
    platform::Override handle(
        &platform::Calls::GetStandardHandle, row.noHandle ? &NoHandle : platform::Native().GetStandardHandle);
    char result[8] = "xxxxxxx";
    EXPECT_EQ(library::Convert("abc", 1251, 866, result), 1);
    EXPECT_EQ(std::string(result), "abc");
    EXPECT_EQ(std::string(result + 4, 3), "xxx");
    // A second call is tried again in full and fares the same.
    EXPECT_EQ(library::Convert("abc", 1251, 866, result), 1);
    EXPECT_EQ(capture.Bytes(), row.trace.empty() ? std::string() : std::string(row.trace) + std::string(row.trace));
  }
}

void* NoMemory(std::size_t) { return nullptr; }
int NoDecode(int, const char*, int, char16_t*, int) { return 0; }
int NoEncode(int, const char16_t*, int, char*, int) { return 0; }

TEST(ConvertFaultsTest, EverythingFailingAtOnceGivesTheEmptyResult) {
  TraceCapture capture;
  platform::Override allocate(&platform::Calls::Allocate, &NoMemory);
  platform::Override decode(&platform::Calls::MultiByteToWide, &NoDecode);
  platform::Override encode(&platform::Calls::WideToMultiByte, &NoEncode);
  platform::Override write(&platform::Calls::WriteFile, &FailingWrite);
  std::string buffer(2 * 3 + 1 + 4, 'x');
  EXPECT_EQ(library::Convert("abc", 1251, 866, buffer.data()), 1);
  EXPECT_EQ(buffer, std::string(1, '\0') + std::string(10, 'x'));
  EXPECT_EQ(capture.Bytes(), "");
}

TEST(ModuleFaultsTest, ShutdownActionThatCannotBeRegisteredIsRefusedQuietly) {
  platform::Override refuse(
      &platform::Calls::RegisterExitAction,
      [](platform::ExitAction, platform::ExitAction**, platform::ExitAction**) -> platform::ExitAction {
        return nullptr;
      });
  EXPECT_EQ(platform::RegisterShutdownAction([] {}), -1);
}

// Eight threads at once, each failing its own scratch allocations by a fixed
// pattern, so that every call's result and trace length are known exactly.
thread_local unsigned allocationsOfThisThread = 0;
bool FailsAt(unsigned allocation) { return allocation % 5 == 0; }
void* PatternAllocate(std::size_t size) {
  return FailsAt(allocationsOfThisThread++) ? nullptr : platform::Native().Allocate(size);
}
std::atomic<std::size_t> traceBytes{0};
bool CountingWrite(platform::Handle, const void*, std::uint32_t count, std::uint32_t* written) {
  traceBytes.fetch_add(count);
  *written = count;
  return true;
}

TEST(ConvertThreadsTest, ScratchFailingInEightThreadsAtOnce) {
  constexpr int kThreads = 8;
  constexpr unsigned kCalls = 2000;
  trace::detail::ResetWriterForTests();
  traceBytes = 0;
  std::atomic<int> wrong{0};
  std::size_t expectedBytes = 0;
  {
    platform::Override write(&platform::Calls::WriteFile, &CountingWrite);
    platform::Override console(&platform::Calls::GetConsoleInfo,
                                                                          &NoConsole);
    platform::Override allocate(&platform::Calls::Allocate,
                                                                     &PatternAllocate);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        allocationsOfThisThread = 0;
        const std::string source(static_cast<std::size_t>(t + 1), static_cast<char>(0xC0 + t));
        const std::string converted(source.size(), static_cast<char>(0x80 + t));
        std::string result(2 * source.size() + 1, 'x');
        for (unsigned i = 0; i < kCalls; ++i) {
          const bool failed = FailsAt(2 * i) || FailsAt(2 * i + 1);
          library::Convert(source.c_str(), 1251, 866, result.data());
          if (std::string(result.c_str()) != (failed ? std::string() : converted)) wrong.fetch_add(1);
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  trace::detail::ResetWriterForTests();
  EXPECT_EQ(wrong.load(), 0);
  // 63 + 7n bytes per call of n bytes (n below 10), less 2n for an empty strDst
  // line, 4n for the two empty strRet lines and n for the empty strOut line.
  for (std::size_t n = 1; n <= kThreads; ++n) {
    for (unsigned i = 0; i < kCalls; ++i) {
      const bool decodeFailed = FailsAt(2 * i);
      const bool encodeFailed = FailsAt(2 * i + 1);
      expectedBytes += 63 + 7 * n - (decodeFailed ? 2 * n : 0) - (encodeFailed ? 4 * n : 0) -
                       (decodeFailed || encodeFailed ? n : 0);
    }
  }
  EXPECT_EQ(traceBytes.load(), expectedBytes);
}

}  // namespace
}  // namespace library_test
