// The conversion entry linked directly: every edge case with its exact trace
// bytes, scratch allocation that fails, and sources too long for the count.

#include "library/convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "library/conversion_cases.h"
#include "library/trace_capture.h"
#include "platform/platform.h"

namespace library_test {
namespace {

int RunCase(const ConversionCase& c, CaseBuffers& buffers) {
  return library::Convert(c.nullSource ? nullptr : buffers.Source(), c.fromCodePage, c.toCodePage,
                          c.nullResult ? nullptr : buffers.result.data());
}

TEST(ConvertTest, EdgeCasesTraceAndResult) {
  for (const ConversionCase& c : kConversionCases) {
    SCOPED_TRACE(c.name);
    CaseBuffers buffers(c);
    TraceCapture capture;
    EXPECT_EQ(RunCase(c, buffers), 1);
    EXPECT_EQ(capture.Bytes(), c.trace);
    if (c.nullResult) continue;
    EXPECT_EQ(std::string(buffers.result.c_str()), c.result);
    // Nothing beyond the zero byte is touched.
    EXPECT_EQ(buffers.result.substr(c.result.size() + 1),
              std::string(buffers.result.size() - c.result.size() - 1, '\x55'));
  }
}

TEST(ConvertTest, ResultMayOverwriteTheSource) {
  char buffer[5] = {'\xC4', '\xE0', '\0', 'x', 'x'};
  TraceCapture capture;
  EXPECT_EQ(library::Convert(buffer, 1251, 65001, buffer), 1);
  EXPECT_EQ(capture.Bytes(), kSharedBufferTrace);
  EXPECT_EQ(std::string(buffer, 5), std::string("\xD0\x94\xD0\xB0\0", 5));
}

// Allocation and release through the platform table, with chosen requests failing.
struct HeapLog {
  std::vector<std::size_t> requests;
  std::vector<bool> failing;  // by request number; requests past its end succeed
  int outstanding = 0;
};
HeapLog heap;

void* LoggedAllocate(std::size_t size) {
  const std::size_t index = heap.requests.size();
  heap.requests.push_back(size);
  if (index < heap.failing.size() && heap.failing[index]) return nullptr;
  ++heap.outstanding;
  return platform::Native().Allocate(size);
}

void LoggedRelease(void* block) {
  --heap.outstanding;
  platform::Native().Release(block);
}

TEST(ConvertTest, ScratchThatCannotBeAllocatedStaysEmpty) {
  struct Row {
    const char* name;
    std::vector<bool> failing;
    std::string_view trace;
  };
  const Row rows[] = {
      {"decode scratch",
       {true, false},
       "nLen= 2\r\nstrDst=\r\nstrRet=----\r\nnRet= 0\r\nstrRet=----\r\nnRet= 0\r\nstrOut=\r\n"sv},
      {"encode scratch",
       {false, true},
       "nLen= 2\r\nstrDst=,,,,\r\nstrRet=\r\nnRet= 2\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv},
      {"both", {true, true}, "nLen= 2\r\nstrDst=\r\nstrRet=\r\nnRet= 0\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    heap = HeapLog{{}, row.failing, 0};
    char result[8] = "xxxxxxx";
    {
      platform::Override allocate(&platform::Calls::Allocate, &LoggedAllocate);
      platform::Override release(&platform::Calls::Release, &LoggedRelease);
      TraceCapture capture;
      EXPECT_EQ(library::Convert("\xC4\xE0", 1251, 866, result), 1);
      EXPECT_EQ(capture.Bytes(), row.trace);
    }
    EXPECT_EQ(heap.requests, (std::vector<std::size_t>{4, 4}));
    EXPECT_EQ(heap.outstanding, 0) << "every scratch string taken is given back";
    EXPECT_EQ(result[0], '\0');
  }
}

TEST(ConvertTest, EmptySourceAllocatesNothing) {
  heap = HeapLog{};
  platform::Override allocate(&platform::Calls::Allocate, &LoggedAllocate);
  TraceCapture capture;
  char result[2] = "x";
  EXPECT_EQ(library::Convert("", 1251, 866, result), 1);
  EXPECT_TRUE(heap.requests.empty());
  EXPECT_EQ(result[0], '\0');
}

// The platform calls as the entry makes them, answered without converting.
struct CallLog {
  int decodeCalls = 0;
  int decodeSourceCount = 0;
  int decodeTargetCount = 0;
  bool decodeTargetNull = false;
  int encodeCalls = 0;
};
CallLog calls;

int LoggedDecode(int, const char*, int sourceCount, char16_t* target, int targetCount) {
  ++calls.decodeCalls;
  calls.decodeSourceCount = sourceCount;
  calls.decodeTargetCount = targetCount;
  calls.decodeTargetNull = target == nullptr;
  return 0;
}

int LoggedEncode(int, const char16_t*, int, char*, int) {
  ++calls.encodeCalls;
  return 0;
}

class LongSourceTest : public ::testing::Test {
 protected:
  LongSourceTest() {
    heap = HeapLog{{}, {true, true}, 0};
    calls = CallLog{};
  }
  platform::OverrideOf<&platform::Calls::Allocate> allocate_{&LoggedAllocate};
  platform::OverrideOf<&platform::Calls::MultiByteToWide> decode_{&LoggedDecode};
  platform::OverrideOf<&platform::Calls::WideToMultiByte> encode_{&LoggedEncode};
};

// 2^30 bytes and more: the doubled length does not fit the count, so the call
// fails at once, without scratch storage and without platform calls.
TEST_F(LongSourceTest, TwoToTheThirtyFailsWithoutAllocating) {
  char result[4] = "xxx";
  TraceCapture capture;
  EXPECT_EQ(library::ConvertMeasured("abc", std::size_t{1} << 30, 1251, 866, result), 1);
  EXPECT_EQ(capture.Bytes(),
            "nLen= 1073741824\r\nstrDst=\r\nstrRet=\r\nnRet= 0\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv);
  EXPECT_TRUE(heap.requests.empty());
  EXPECT_EQ(calls.decodeCalls, 0);
  EXPECT_EQ(calls.encodeCalls, 0);
  EXPECT_EQ(result[0], '\0');
}

TEST_F(LongSourceTest, LengthBeyondTheCountIsTracedAsTheLargestCount) {
  TraceCapture capture;
  EXPECT_EQ(library::ConvertMeasured("abc", static_cast<std::size_t>(-1), 1251, 866, nullptr), 1);
  EXPECT_EQ(capture.Bytes(),
            "nLen= 2147483647\r\nstrDst=\r\nstrRet=\r\nnRet= 0\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv);
  EXPECT_TRUE(heap.requests.empty());
}

// One byte short of 2^30 is still converted: each scratch string asks for
// 2^31 - 2 bytes (here refused) and the decode call gets the full count.
TEST_F(LongSourceTest, LongestSourceStillSizesItsScratch) {
  char result[4] = "xxx";
  TraceCapture capture;
  EXPECT_EQ(library::ConvertMeasured("abc", library::kLongestSource, 1251, 866, result), 1);
  EXPECT_EQ(heap.requests, (std::vector<std::size_t>{2147483646u, 2147483646u}));
  EXPECT_EQ(calls.decodeCalls, 1);
  EXPECT_EQ(calls.decodeSourceCount, 1073741823);
  EXPECT_EQ(calls.decodeTargetCount, 1073741823);
  EXPECT_TRUE(calls.decodeTargetNull);
  EXPECT_EQ(calls.encodeCalls, 1);
  EXPECT_EQ(capture.Bytes(),
            "nLen= 1073741823\r\nstrDst=\r\nstrRet=\r\nnRet= 0\r\nstrRet=\r\nnRet= 0\r\nstrOut=\r\n"sv);
  EXPECT_EQ(result[0], '\0');
}

}  // namespace
}  // namespace library_test
