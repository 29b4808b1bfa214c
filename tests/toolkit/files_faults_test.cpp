// The file routines with the stream and search calls failing under them: a
// length that cannot be measured, reads that fail, buffering refused, searches
// that cannot start or go on. Each gives its fallback result (0, the empty text,
// no lines), closes what it opened and reads nothing beyond its buffer.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "toolkit/file_layer.h"
#include "toolkit/files.h"

namespace {

namespace fs = std::filesystem;

class FilesFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("lotan-faults-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(root_);
    path_ = (root_ / "lines.txt").string();
    std::ofstream(path_, std::ios::binary) << "abc\ndef\n";
  }
  void TearDown() override {
    EXPECT_EQ(toolkit::file_layer::OpenCount(), 0);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path root_;
  std::string path_;
};

bool NoSeek(platform::Stream, long, platform::SeekOrigin) { return false; }
long NoTell(platform::Stream) { return -1; }
bool NoBuffering(platform::Stream, std::size_t) { return false; }
std::size_t NoRead(platform::Stream, void*, std::size_t) { return 0; }
bool AlwaysFailed(platform::Stream) { return true; }

template <typename Function>
std::function<void()> Failing(Function platform::Calls::*entry, Function replacement) {
  return [entry, replacement] { platform::System().*entry = replacement; };
}

TEST_F(FilesFaultsTest, StreamCallsThatFailGiveTheFallbacks) {
  struct Row {
    const char* name;
    std::function<void()> fail;
    int length;
    std::string whole;
    int lines;
  };
  const Row rows[] = {
      // Without a length the file reads as empty: nothing beyond the one-byte buffer.
      {"seek fails", Failing(&platform::Calls::Seek, &NoSeek), 0, "a", 0},
      {"tell fails", Failing(&platform::Calls::Tell, &NoTell), 0, "a", 0},
      {"buffering refused", Failing(&platform::Calls::SetFullBuffering, &NoBuffering), 8, "abc\ndef\n", 2},
      {"every read fails", [] {
         platform::System().Read = &NoRead;
         platform::System().Failed = &AlwaysFailed;
       }, 8, "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.fail();
    const int length = toolkit::FileLength(path_);
    const std::string whole = toolkit::ReadWholeFile(path_);
    toolkit::StringArray lines{"stale"};
    const int count = toolkit::ReadLines(path_, lines);
    platform::System() = platform::Native();
    EXPECT_EQ(length, row.length);
    EXPECT_EQ(whole, row.whole);
    EXPECT_EQ(count, row.lines);
    ASSERT_EQ(lines.size(), 20000u);
    if (row.lines == 2) {
      EXPECT_EQ(lines[0], "abc");
      EXPECT_EQ(lines[1], "def");
    } else {
      EXPECT_EQ(lines[0], "");
    }
    EXPECT_EQ(toolkit::file_layer::OpenCount(), 0);
  }
}

platform::FindHandle NoSearch(const char*, platform::FindRecord*) { return nullptr; }
bool NoNext(platform::FindHandle, platform::FindRecord*) { return false; }

TEST_F(FilesFaultsTest, SearchesThatCannotStartOrGoOnFindNothingMore) {
  std::ofstream((root_ / "second.txt").string()) << "x";
  const std::string pattern = (root_ / "*.txt").string();
  {
    platform::Override first(&platform::Calls::FindAny, &NoSearch);
    EXPECT_EQ(toolkit::FileExists(path_), 0);
    EXPECT_EQ(toolkit::FileExists(""), 0) << "no search was left open";
  }
  {
    platform::Override next(&platform::Calls::FindNext, &NoNext);
    EXPECT_EQ(toolkit::FileExists(pattern), 1);
    EXPECT_EQ(toolkit::FileExists(""), 0) << "the search ends at the failure";
    EXPECT_EQ(toolkit::FileExists(""), 0);
  }
  // With the calls back, the same pattern finds both files.
  EXPECT_EQ(toolkit::FileExists(pattern), 1);
  EXPECT_EQ(toolkit::FileExists(""), 1);
  EXPECT_EQ(toolkit::FileExists(""), 0);
}

}  // namespace
