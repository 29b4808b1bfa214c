// The stream and directory-search calls of the platform table, as the file layer
// relies on them: opens that refuse directories and create only when asked,
// short reads at the end, exact binary positions, and the entries,
// order and attribute bits of a search. Both layers must pass (Windows under Wine).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

const platform::Calls& Native() { return platform::Native(); }

class FilesContract : public ::testing::Test {
 protected:
  void SetUp() override {
    // A directory of its own, also when several test processes run at once.
    std::random_device seed;
    do {
      root_ = fs::temp_directory_path() / ("lotan-files-contract-" + std::to_string(seed()));
    } while (!fs::create_directory(root_));
    Write("plain.txt", "abc");
    Write("readonly.txt", "r");
    fs::permissions(root_ / "readonly.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Write(".dot", "d");
    fs::create_directories(root_ / ".dotdir");
    fs::create_directories(root_ / "dir" / "sub");
    Write("dir/b.txt", "b");
    Write("dir/A.txt", "a");
    Write("dir/noext", "n");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root_ / "readonly.txt", fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
  }

  void Write(const std::string& relative, const std::string& bytes) {
    std::ofstream(root_ / fs::path(relative), std::ios::binary) << bytes;
  }
  // A path in the runtime library's own spelling, with backslashes.
  std::string Path(const std::string& relative) const {
    std::string path = (root_ / fs::path(relative)).string();
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
  }

  // The names and attributes a search reports, in its order; empty when it
  // cannot start.
  // FindAny instead of FindFirst when `anyOrder` is set.
  std::vector<std::pair<std::string, std::uint32_t>> Search(const std::string& pattern, bool anyOrder = false) const {
    std::vector<std::pair<std::string, std::uint32_t>> found;
    platform::FindRecord record;
    platform::FindHandle search =
        (anyOrder ? Native().FindAny : Native().FindFirst)(pattern.c_str(), &record);
    if (search == nullptr) return found;
    do {
      found.emplace_back(record.name, record.attributes);
    } while (Native().FindNext(search, &record));
    Native().FindClose(search);
    return found;
  }

  fs::path root_;
};

using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

TEST_F(FilesContract, SearchReportsTheAttributesTheFileLayerTests) {
  struct Case {
    const char* name;
    std::uint32_t attributes;
  };
  const Case cases[] = {
      {"plain.txt", 0x20}, {"readonly.txt", 0x21}, {".dot", 0x22}, {".dotdir", 0x12}, {"dir", 0x10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Search(Path(c.name)), (Entries{{c.name, c.attributes}}));
  }
}

TEST_F(FilesContract, DirectoryPatternsListTheDirectoryItselfFirst) {
  const Entries all = {{".", 0x10}, {"..", 0x10}, {"A.txt", 0x20}, {"b.txt", 0x20}, {"noext", 0x20}, {"sub", 0x10}};
  EXPECT_EQ(Search(Path("dir") + "\\*"), all);
  EXPECT_EQ(Search(Path("dir") + "\\*.*"), all);
  EXPECT_EQ(Search(Path("dir") + "/*"), all);
  EXPECT_EQ(Search(Path("dir") + "\\*.txt"), (Entries{{"A.txt", 0x20}, {"b.txt", 0x20}}));
  EXPECT_EQ(Search(Path("dir") + "\\?.txt"), (Entries{{"A.txt", 0x20}, {"b.txt", 0x20}}));
  EXPECT_EQ(Search(Path("dir") + "\\sub\\*"), (Entries{{".", 0x10}, {"..", 0x10}}));
  EXPECT_EQ(Search(Path("dir") + "\\.."), (Entries{{root_.filename().string(), 0x10}}));
}

TEST_F(FilesContract, SearchesThatCannotStart) {
  for (const std::string& pattern : {Path("missing.txt"), Path("missing") + "\\*", Path("plain.txt") + "\\*",
                                     Path("dir") + "\\", Path("dir") + "\\x*y", std::string()}) {
    SCOPED_TRACE(pattern);
    platform::FindRecord record;
    EXPECT_EQ(Native().FindFirst(pattern.c_str(), &record), nullptr);
  }
}

TEST_F(FilesContract, OpenRefusesDirectoriesAndCreatesOnlyWhenAsked) {
  for (const char* mode : {"rb", "rt", "r+b", "w+b"}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(Native().Open(Path("dir").c_str(), mode), nullptr);
  }
  EXPECT_EQ(Native().Open(Path("missing.txt").c_str(), "rb"), nullptr);
  EXPECT_EQ(Native().Open(Path("missing.txt").c_str(), "r+b"), nullptr);
  EXPECT_FALSE(fs::exists(root_ / "missing.txt"));
  platform::Stream created = Native().Open(Path("created.bin").c_str(), "w+b");
  ASSERT_NE(created, nullptr);
  Native().Close(created);
  EXPECT_TRUE(fs::exists(root_ / "created.bin"));
}

TEST_F(FilesContract, BinaryStreamsReadShortAtTheEndWithExactPositions) {
  Write("crlf.txt", "a\r\nb\nc");
  platform::Stream stream = Native().Open(Path("crlf.txt").c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(Native().SetFullBuffering(stream, 8192));
  ASSERT_TRUE(Native().Seek(stream, 0, platform::SeekOrigin::kEnd));
  EXPECT_EQ(Native().Tell(stream), 6);
  ASSERT_TRUE(Native().Seek(stream, 0, platform::SeekOrigin::kStart));

  char piece[4] = {};
  ASSERT_EQ(Native().Read(stream, piece, 3), 3u);
  EXPECT_EQ(std::string(piece), "a\r\n");
  EXPECT_EQ(Native().Tell(stream), 3);
  ASSERT_EQ(Native().Read(stream, piece, 1), 1u);
  EXPECT_EQ(std::string(piece, 1), "b");
  char rest[8] = {};
  EXPECT_EQ(Native().Read(stream, rest, sizeof rest), 2u);
  EXPECT_EQ(std::string(rest), "\nc");
  EXPECT_TRUE(Native().AtEnd(stream));
  EXPECT_FALSE(Native().Failed(stream));
  EXPECT_EQ(Native().Read(stream, piece, sizeof piece), 0u);
  Native().Close(stream);
}

// The search in any order reports what the ordered one does, each entry once.
TEST_F(FilesContract, SearchInAnyOrderReportsTheSameEntries) {
  for (const char* pattern : {"*", "dir\\*", "dir\\*.txt", "*.txt", "plain.txt", "dir", "no-such-*", "nothing"}) {
    SCOPED_TRACE(pattern);
    Entries ordered = Search(Path(pattern));
    Entries any = Search(Path(pattern), true);
    std::sort(ordered.begin(), ordered.end());
    std::sort(any.begin(), any.end());
    EXPECT_EQ(any, ordered);
  }
  EXPECT_EQ(Search(Path("dir\\*.txt"), true).size(), 2u);
}

}  // namespace
