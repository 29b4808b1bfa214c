// Many threads calling the loaded library at once, from the very first piece of
// a fresh load: every result right, and the trace, sent to a file, holding every
// call's pieces whole, no byte more or less. Built in both builds (the Windows
// one runs the real DLL under Wine); the Linux one also runs under
// ThreadSanitizer.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "library/loaded_library.h"
#include "library/redirect.h"

namespace library_test {
namespace {

std::size_t Occurrences(std::string_view text, std::string_view piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece, at + piece.size())) {
    ++count;
  }
  return count;
}

TEST(DllThreadsTest, EightThreadsOfTenThousandCallsRaceFromTheFirstPiece) {
  constexpr int kThreads = 8;
  constexpr int kCalls = 10000;
  OutputRedirect redirect(Sink::kFile);
  std::atomic<int> wrong{0};
  {
    // Loaded here, after the redirection, so the writer is not set up yet and
    // the threads' first pieces race for the set-up.
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
    const LotanconvertCPFunction convert = library.Convert();
    ASSERT_NE(convert, nullptr);
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        // Thread t converts t + 1 copies of the 1251 capital letter t, which is
        // 0x80 + t in 866.
        const std::string source(static_cast<std::size_t>(t + 1), static_cast<char>(0xC0 + t));
        const std::string expected(source.size(), static_cast<char>(0x80 + t));
        std::string result(2 * source.size() + 1, 'x');
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        for (int i = 0; i < kCalls; ++i) {
          result.assign(2 * source.size() + 1, 'x');
          if (convert(source.c_str(), 1251, 866, result.data()) != 1 || std::string(result.c_str()) != expected ||
              result.substr(source.size() + 1) != std::string(source.size(), 'x')) {
            wrong.fetch_add(1);
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  const std::string trace = redirect.Finish();
  EXPECT_EQ(wrong.load(), 0);

  // Per call of n bytes (n below 10): seven labels and line ends (57 bytes), " n"
  // three times, 2n bytes on each of the three scratch lines and n on the strOut
  // line: 63 + 7n bytes.
  std::size_t expectedBytes = 0;
  for (int n = 1; n <= kThreads; ++n) expectedBytes += kCalls * static_cast<std::size_t>(63 + 7 * n);
  EXPECT_EQ(trace.size(), expectedBytes);

  // Pieces of concurrent calls may interleave, but each piece arrives whole:
  // every label, every integer with its line end, every bare line end.
  constexpr std::size_t kAll = kThreads * kCalls;
  EXPECT_EQ(Occurrences(trace, "nLen="), kAll);
  EXPECT_EQ(Occurrences(trace, "strDst="), kAll);
  EXPECT_EQ(Occurrences(trace, "strRet="), 2 * kAll);
  EXPECT_EQ(Occurrences(trace, "nRet="), 2 * kAll);
  EXPECT_EQ(Occurrences(trace, "strOut="), kAll);
  EXPECT_EQ(Occurrences(trace, "\r\n"), 7 * kAll);
  for (int n = 1; n <= kThreads; ++n) {
    SCOPED_TRACE(n);
    // nLen and both counts of every call by thread n - 1.
    EXPECT_EQ(Occurrences(trace, " " + std::to_string(n) + "\r\n"), 3u * kCalls);
  }
}

}  // namespace
}  // namespace library_test
