// Path names: the table of directory, file name, extension, base name and path
// without extension; joining into the caller's directory; replacing parts; and
// the separator clean-up. A backslash below is always the single byte 0x5C.

#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <string>

#include "support/allocation_limit.h"

namespace {

using namespace std::string_literals;

TEST(PathPartsTest, TakesEveryPathApart) {
  struct Case {
    std::string path;
    std::string directory;
    std::string fileName;
    std::string extension;
    std::string baseName;
    std::string withoutExtension;
  };
  const Case cases[] = {
      {R"(C:\dir\file.txt)", R"(C:\dir\)", "file.txt", ".txt", "file", R"(C:\dir\file)"},
      {R"(C:\dir\archive.tar.gz)", R"(C:\dir\)", "archive.tar.gz", ".gz", "archive.tar", R"(C:\dir\archive.tar)"},
      {R"(C:\dir\)", R"(C:\dir\)", "", "", "", ""},
      {"file.txt", "", "file.txt", ".txt", "file", "file"},
      {"file", "", "file", "", "", ""},
      {R"(C:\my.dir\file)", R"(C:\my.dir\)", "file", R"(.dir\file)", "", R"(C:\my)"},
      {R"(C:\dir\.profile)", R"(C:\dir\)", ".profile", ".profile", "", R"(C:\dir\)"},
      {"file.", "", "file.", ".", "file", "file"},
      {"a/b/c.txt", "", "a/b/c.txt", ".txt", "a/b/c", "a/b/c"},
      {"\\", "\\", "", "", "", ""},
      {"", "", "", "", "", ""},
      {"\\\\srv\\a.b\\", "\\\\srv\\a.b\\", "", ".b\\", "", "\\\\srv\\a"},
      {"d\\x\0y.z"s, "d\\", "x\0y.z"s, ".z", "x\0y"s, "d\\x\0y"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(toolkit::PathDirectory(c.path), c.directory);
    EXPECT_EQ(toolkit::PathFileName(c.path), c.fileName);
    EXPECT_EQ(toolkit::PathExtension(c.path), c.extension);
    EXPECT_EQ(toolkit::PathBaseName(c.path), c.baseName);
    EXPECT_EQ(toolkit::PathWithoutExtension(c.path), c.withoutExtension);
  }
}

TEST(PathJoinTest, EndsTheCallersDirectoryWithABackslash) {
  struct Case {
    std::string path;
    std::string directory;
    std::string result;
    std::string directoryAfter;
  };
  const Case cases[] = {
      {R"(C:\dir\file.txt)", R"(D:\out)", R"(D:\out\file.txt)", R"(D:\out\)"},
      {R"(C:\dir\file.txt)", R"(D:\out\)", R"(D:\out\file.txt)", R"(D:\out\)"},
      {R"(C:\dir\file.txt)", "", R"(\file.txt)", "\\"},
      {R"(C:\dir\)", R"(D:\out)", R"(D:\out\)", R"(D:\out\)"},
      {R"(C:\dir\file.txt)", "D:/out/", R"(D:/out/\file.txt)", R"(D:/out/\)"},
      {"file.txt", "\\\\", "\\\\file.txt", "\\\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " onto " + c.directory);
    std::string directory = c.directory;
    EXPECT_EQ(toolkit::PathJoin(c.path, directory), c.result);
    EXPECT_EQ(directory, c.directoryAfter);
  }
}

TEST(PathReplaceTest, ReplacesTheFileNameOrTheExtension) {
  EXPECT_EQ(toolkit::PathReplaceFileName(R"(C:\dir\file.txt)", "new.dat"), R"(C:\dir\new.dat)");
  EXPECT_EQ(toolkit::PathReplaceFileName("file.txt", "new.dat"), "new.dat");
  EXPECT_EQ(toolkit::PathReplaceFileName(R"(C:\dir\)", ""), R"(C:\dir\)");

  struct Case {
    std::string path;
    std::string extension;
    std::string result;
  };
  const Case cases[] = {
      {R"(C:\dir\file.txt)", ".bak", R"(C:\dir\file.bak)"},
      {R"(C:\dir\file.txt)", "", R"(C:\dir\file)"},
      {R"(C:\dir\file)", ".bak", ".bak"},
      {R"(C:\my.dir\file)", ".bak", R"(C:\my.bak)"},
      {"a.b.c", "x", "a.bx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " with " + c.extension);
    EXPECT_EQ(toolkit::PathReplaceExtension(c.path, c.extension), c.result);
  }
}

TEST(PathToForwardSlashesTest, CollapsesPairsThenTurnsEveryBackslash) {
  struct Case {
    std::string path;
    std::string result;
  };
  const Case cases[] = {
      {R"(C:\dir\file)", "C:/dir/file"},
      {R"(C:\\dir\file)", "C:/dir/file"},
      {R"(\\server\share)", "/server/share"},
      {R"(a\\\b)", "a//b"},
      {R"(a\\\\b)", "a//b"},
      {R"(a\\\\\b)", "a///b"},
      {R"(a/b\c)", "a/b/c"},
      {"no separator", "no separator"},
      {"\\", "/"},
      {"", ""},
      {"\\\0\\"s, "/\0/"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(toolkit::PathToForwardSlashes(c.path), c.result);
  }
}

// A join that cannot get its memory gives the empty text and leaves the caller's
// directory as it was.
TEST(PathExhaustionTest, LeavesTheDirectoryAsItWas) {
  const std::string original(2048, 'd');
  std::string directory = original;
  const std::string path = "C:\\file.txt";
  test_support::FailAllocationsAbove(1024);
  const std::string joined = toolkit::PathJoin(path, directory);
  test_support::FailAllocationsAbove(0);
  EXPECT_EQ(joined, "");
  EXPECT_EQ(directory, original);
}

}  // namespace
