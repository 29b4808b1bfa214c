// The batch loop against a stand-in for CONVERT that keeps the library's rules
// (2 x n bytes of room, an empty result when that is too little, text up to the
// first zero byte) and turns every "E" into "EEE": nothing may be lost, whatever
// the room, the batches or the zero bytes.

#include "tools/stream_convert.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::size_t> calls;  // the length of each call's source

int LOTANCONVERTCP_CALL FakeConvert(const char* source, int from, int to, char* result) {
  const std::size_t n = std::strlen(source);
  calls.push_back(n);
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += source[i] == 'E' ? std::string("EEE") : std::string(1, source[i]);
  // Code page 7 is unknown to the stand-in; 65001 and 1 are.
  if (from == 7 || to == 7 || out.size() > 2 * n) out.clear();
  std::memcpy(result, out.c_str(), out.size() + 1);
  return 1;
}

struct Result {
  Outcome outcome;
  std::string output;
  std::size_t failedOffset;
};

Result Convert(const std::string& input, int from = 1, int to = 1) {
  calls.clear();
  std::FILE* file = std::tmpfile();
  StreamConverter converter(&FakeConvert, from, to, file, false);
  std::size_t at = 0;
  const Outcome outcome = converter.Convert([&](char* into, std::size_t most, std::size_t& got) {
    got = std::min(most, input.size() - at);
    std::memcpy(into, input.data() + at, got);
    at += got;
    return true;
  });
  std::fflush(file);
  std::string output(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  if (!output.empty() && std::fread(output.data(), 1, output.size(), file) != output.size()) output = "read failed";
  std::fclose(file);
  return {outcome, output, converter.FailedOffset()};
}

TEST(StreamConvertTest, MakesRoomWithoutLosingAnything) {
  struct Case {
    std::string input;
    std::string output;
  };
  const Case cases[] = {
      {"ab\n", "ab\n"},
      {"EEEE\nEEEE\n", "EEEEEEEEEEEE\nEEEEEEEEEEEE\n"},
      {"E", "EEE"},
      {std::string("xE\0Ey", 5), std::string("xEEE\0EEEy", 9)},
      {std::string(2, '\0'), std::string(2, '\0')},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    const Result run = Convert(c.input);
    EXPECT_EQ(run.outcome, Outcome::kDone);
    EXPECT_EQ(run.output, c.output);
  }
}

TEST(StreamConvertTest, ConvertsLargeInputsInBatchesCutAtLineEnds) {
  std::string line(99, 'a');
  line += '\n';
  std::string input;
  for (int i = 0; i < 30000; ++i) input += line;  // 3 MB
  const Result run = Convert(input);
  EXPECT_EQ(run.outcome, Outcome::kDone);
  EXPECT_EQ(run.output, input);
  ASSERT_GE(calls.size(), input.size() / kBatchUsual);
  for (std::size_t n : calls) {
    EXPECT_LE(n, kBatchUsual);
    EXPECT_EQ(n % 100, 0U);  // whole lines only
  }
}

TEST(StreamConvertTest, ReportsUnknownCodePagesAndUncuttableLines) {
  EXPECT_EQ(Convert("abc", 7, 1).outcome, Outcome::kUnknownFrom);
  EXPECT_EQ(Convert("abc", 1, 7).outcome, Outcome::kUnknownTo);
  // Code page 1 is not in the table, so it is cut at line feeds only.
  const Result run = Convert("ab\n" + std::string(kBatchMost + 10, 'x'));
  EXPECT_EQ(run.outcome, Outcome::kCannotCut);
  EXPECT_EQ(run.failedOffset, 3U);
  EXPECT_EQ(run.output, "ab\n");
}

}  // namespace
