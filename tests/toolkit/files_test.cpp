// The file routines and their file layer, over fixture trees made at run time in
// a fresh temporary directory: FileExists with its kept search, ReadWholeFile,
// FileLength, ReadLines, and the close-all action run at unload.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/allocation_limit.h"
#include "toolkit/file_layer.h"
#include "toolkit/files_test_support.h"
#include "toolkit/toolkit.h"

namespace fs = std::filesystem;
namespace layer = toolkit::file_layer;

namespace {

using toolkit::StringArray;

// A directory of its own for each test, also when ctest runs several test
// processes at once: create_directory succeeds for one caller only.
fs::path MakeTempRoot(const char* tag) {
  static std::random_device seed;
  for (;;) {
    const fs::path root = fs::temp_directory_path() /
                          ("lotan-files-" + std::string(tag) + "-" + std::to_string(seed()) + "-" +
                           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    if (fs::create_directory(root)) return root;
  }
}

void MakeWritable(const fs::path& path) {
  std::error_code ignored;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
}

void RemoveTree(const fs::path& root) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    MakeWritable(it->path());
  }
  fs::remove_all(root, ignored);
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Repeat(const std::string& unit, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += unit;
  return out;
}

// Every file is closed again by every routine: checked after each test.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { root_ = MakeTempRoot("t"); }
  void TearDown() override {
    EXPECT_EQ(layer::OpenCount(), 0);
    toolkit::FileExists("");  // drain a search left open so the tree can go
    toolkit::FileExists(Path("no-such-name"));
    RemoveTree(root_);
  }

  std::string Path(const std::string& relative) const { return (root_ / fs::path(relative)).string(); }

  std::string Write(const std::string& relative, const std::string& bytes) {
    const fs::path path = root_ / fs::path(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  std::string Directory(const std::string& relative) {
    fs::create_directories(root_ / fs::path(relative));
    return Path(relative);
  }

  std::string ReadOnly(const std::string& relative, const std::string& bytes) {
    const std::string path = Write(relative, bytes);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    return path;
  }

  fs::path root_;
};

// ---------------------------------------------------------------------------
// FileExists
// ---------------------------------------------------------------------------

TEST_F(FilesTest, FileExistsCountsPlainReadOnlyFilesOnly) {
  Write("plain.txt", "p");
  ReadOnly("readonly.txt", "r");
  Write(".hidden", "h");
  Directory("dir");
  Directory(".hiddendir");
  Write("dir/inner.txt", "i");
  Directory("onlydirs/a");
  Directory("onlydirs/b");
  Write("empty.txt", "");
  struct Case {
    const char* path;
    int expected;
  };
  const Case cases[] = {
      {"plain.txt", 1},      {"readonly.txt", 1},   {"empty.txt", 1},      {".hidden", 0},
      {"dir", 0},            {".hiddendir", 0},     {"missing.txt", 0},    {"dir/*", 1},
      {"dir\\*", 1},         {"onlydirs/*", 0},     {"onlydirs/*.*", 0},   {"*.txt", 1},
      {"pl?in.txt", 1},      {"x*y", 0},            {"nosuchdir/*", 0},    {"plain.txt/*", 0},
      {"dir/", 0},           {"dir/inner.txt", 1},  {"dir/../plain.txt", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(toolkit::FileExists(Path(c.path)), c.expected);
  }
  EXPECT_EQ(toolkit::FileExists(std::string("plain.txt\0junk", 14)), 0);
}

TEST_F(FilesTest, FileExistsRefusesFilesMarkedHiddenOrSystem) {
  const std::string hidden = Write("marked-hidden.txt", "h");
  const std::string system = Write("marked-system.txt", "s");
  if (!files_test::MarkHidden(hidden) || !files_test::MarkSystem(system)) {
    GTEST_SKIP() << "this file system keeps no hidden or system attribute; dot names stand in for hidden";
  }
  EXPECT_EQ(toolkit::FileExists(hidden), 0);
  EXPECT_EQ(toolkit::FileExists(system), 0);
  EXPECT_EQ(toolkit::FileExists(Path("marked-*")), 0);
}

TEST_F(FilesTest, EmptyPathGoesOnWithTheSearchLeftOpen) {
  Write("set/a.txt", "a");
  Directory("set/b-dir");
  Write("set/c.txt", "c");
  Write("set/.d", "hidden");
  Write("set/e.txt", "e");
  Write("single.txt", "s");

  // The directory's own entries and the subdirectory are passed over; three
  // files count, one per call.
  const int wildcard[] = {toolkit::FileExists(Path("set/*")), toolkit::FileExists(""), toolkit::FileExists(""),
                          toolkit::FileExists(""), toolkit::FileExists("")};
  EXPECT_EQ(std::vector<int>(std::begin(wildcard), std::end(wildcard)), (std::vector<int>{1, 1, 1, 0, 0}));

  // An exact name has no further entries: the continuation gives 0 and closes.
  EXPECT_EQ(toolkit::FileExists(Path("single.txt")), 1);
  EXPECT_EQ(toolkit::FileExists(""), 0);
  EXPECT_EQ(toolkit::FileExists(""), 0);

  // A new path closes the old search before its own.
  EXPECT_EQ(toolkit::FileExists(Path("set/*.txt")), 1);
  EXPECT_EQ(toolkit::FileExists(Path("single.txt")), 1);
  EXPECT_EQ(toolkit::FileExists(""), 0);

  // A failed start leaves no search open.
  EXPECT_EQ(toolkit::FileExists(Path("set/*.txt")), 1);
  EXPECT_EQ(toolkit::FileExists(Path("nothing-*")), 0);
  EXPECT_EQ(toolkit::FileExists(""), 0);
}

// ---------------------------------------------------------------------------
// ReadWholeFile and FileLength
// ---------------------------------------------------------------------------

TEST_F(FilesTest, ReadWholeFileGivesTheStoredBytesBeforeTheFirstZero) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"abc\r\ndef", "abc\r\ndef"},
      {std::string("abc\0de", 6), "abc"},
      {"", ""},
      {"a\x1a" "b\rc\n", "a\x1a" "b\rc\n"},
      {std::string(20000, 'z'), std::string(20000, 'z')},
      // Around the 128 KiB slices in which the result is filled: one byte short
      // of two slices, two slices exactly, several, a zero in a later slice.
      {std::string(262143, 'w'), std::string(262143, 'w')},
      {std::string(262144, 'w'), std::string(262144, 'w')},
      {std::string(600001, 'e'), std::string(600001, 'e')},
      {std::string(300000, 'q') + std::string("\0tail", 5), std::string(300000, 'q')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 16)));
    const std::string path = Write("whole.bin", c.bytes);
    EXPECT_EQ(toolkit::ReadWholeFile(path), c.expected);
    EXPECT_EQ(Contents(path), c.bytes);
  }
}

TEST_F(FilesTest, ReadWholeFileNeverCreatesOrChangesAFile) {
  const std::string missing = Path("missing.txt");
  EXPECT_EQ(toolkit::ReadWholeFile(missing), "");
  EXPECT_FALSE(fs::exists(missing));

  const std::string readOnly = ReadOnly("ro.txt", "kept\r\n");
  EXPECT_EQ(toolkit::ReadWholeFile(readOnly), "kept\r\n");
  EXPECT_EQ(Contents(readOnly), "kept\r\n");

  EXPECT_EQ(toolkit::ReadWholeFile(Directory("dir")), "");
  EXPECT_TRUE(fs::is_directory(Path("dir")));

  Write("sub/slashes.txt", "forward");
  EXPECT_EQ(toolkit::ReadWholeFile(root_.string() + "/sub/slashes.txt"), "forward");
}

TEST_F(FilesTest, FilesHeldElsewhereReadAsNothing) {
  const std::string path = Write("held.txt", "secret\n");
  files_test::ExclusiveHold hold(path);
  ASSERT_TRUE(hold.Held());
  EXPECT_EQ(toolkit::ReadWholeFile(path), "");
  EXPECT_EQ(toolkit::FileLength(path), 0);
  StringArray lines = {"old"};
  EXPECT_EQ(toolkit::ReadLines(path, lines), 0);
  EXPECT_EQ(lines, StringArray(20000));
  // The search sees the entry all the same.
  EXPECT_EQ(toolkit::FileExists(path), 1);
}

// Lengths that the platform misreports stand for a file that changed between
// the measuring open and the reading open.
long TellShort(platform::Stream stream) { return platform::Native().Tell(stream) - 3; }
long TellLong(platform::Stream stream) {
  const long real = platform::Native().Tell(stream);
  return real == 0 ? 0 : real + 3;
}
long TellHuge(platform::Stream) { return 50000000; }

TEST_F(FilesTest, ReadWholeFileStaysInsideItsBuffer) {
  const std::string path = Write("grown.txt", "abcdefgh");
  {
    // The file "grew" by three bytes: length + 1 bytes are read, never more.
    platform::Override tell(&platform::Calls::Tell, &TellShort);
    EXPECT_EQ(toolkit::ReadWholeFile(path), "abcdef");
    const std::string big = Write("grown-big.txt", std::string(262150, 'g'));
    EXPECT_EQ(toolkit::ReadWholeFile(big), std::string(262148, 'g'));
  }
  {
    // The file "shrank": the bytes it no longer delivers read as zero.
    platform::Override tell(&platform::Calls::Tell, &TellLong);
    EXPECT_EQ(toolkit::ReadWholeFile(path), "abcdefgh");
  }
  {
    platform::Override tell(&platform::Calls::Tell, &TellHuge);
    test_support::AllocationLimit fail(1 << 20);
    EXPECT_EQ(toolkit::ReadWholeFile(path), "");
  }
}

TEST_F(FilesTest, FileLengthCountsRealBytes) {
  struct Case {
    const char* name;
    std::string bytes;
    int expected;
  };
  const Case cases[] = {
      {"five.txt", "12345", 5},
      {"crlf.txt", "a\r\nb\r\n", 6},
      {"lf.txt", "a\nb\n\n", 5},
      {"ctrlz.txt", "ab\x1a" "cd", 5},
      {"empty.txt", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(toolkit::FileLength(Write(c.name, c.bytes)), c.expected);
  }
  EXPECT_EQ(toolkit::FileLength(Path("missing.txt")), 0);
  EXPECT_FALSE(fs::exists(Path("missing.txt")));
  EXPECT_EQ(toolkit::FileLength(Directory("dir")), 0);
}

TEST_F(FilesTest, AFileMeasuredCanBeDeletedAtOnce) {
  const std::string path = Write("gone.txt", "12345");
  EXPECT_EQ(toolkit::FileLength(path), 5);
  std::error_code error;
  EXPECT_TRUE(fs::remove(path, error)) << error.message();
  EXPECT_EQ(toolkit::FileLength(path), 0);
  EXPECT_EQ(toolkit::FileExists(path), 0);
  EXPECT_EQ(toolkit::ReadWholeFile(path), "");
}

// ---------------------------------------------------------------------------
// ReadLines
// ---------------------------------------------------------------------------

TEST_F(FilesTest, ReadLinesSplitsAtEveryKindOfLineEnd) {
  struct Case {
    const char* label;
    std::string bytes;
    StringArray expected;
  };
  const std::string x510(510, 'x');
  const Case cases[] = {
      {"empty", "", {}},
      {"LF, no final end", "a\nb", {"a", "b"}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF LF", "a\n\n", {"a", ""}},
      {"lone CR inside", "a\rb\nc", {"a\rb", "c"}},
      {"CR CR LF", "a\r\r\nb", {"a", "b"}},
      {"CR at the very end", "a\nb\r", {"a", "b"}},
      {"CR before 0x1A", "a\r\x1a\n", {"a"}},
      {"0x1A in the middle", "a\nb\x1a" "c\nd\n", {"a", "b"}},
      {"0x1A right after a line end", "a\r\n\x1a" "junk\r\n", {"a"}},
      {"0x1A first", "\x1a" "a\n", {}},
      {"zero bytes", std::string("a\0b\n\0\0\n", 7), {std::string("a\0b", 3), std::string("\0\0", 2)}},
      {"zero bytes end a piece", std::string("ab\0\0", 4), {"ab"}},
      {"CR LF across the 511th byte", x510 + "\r\nnext\r\n", {x510, "next"}},
      {"lone CR as the 511th byte", x510 + "\ryz\n", {x510, "yz"}},
      {"LF as the 512th byte", std::string(511, 'y') + "\nz", {std::string(511, 'y'), "z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = Write("lines.txt", c.bytes);
    StringArray lines = {"stale", "stale"};
    const int count = toolkit::ReadLines(path, lines);
    ASSERT_EQ(count, static_cast<int>(c.expected.size()));
    ASSERT_EQ(lines.size(), 20000u);
    EXPECT_EQ(StringArray(lines.begin(), lines.begin() + count), c.expected);
    EXPECT_EQ(lines[static_cast<std::size_t>(count)], "");
  }
}

TEST_F(FilesTest, ReadLinesGathersLongLinesPieceByPiece) {
  std::string line;
  for (int i = 0; i < 1500; ++i) line += static_cast<char>('a' + i % 26);
  for (const char* end : {"\n", "\r\n", ""}) {
    SCOPED_TRACE(testing::PrintToString(std::string(end)));
    StringArray lines;
    EXPECT_EQ(toolkit::ReadLines(Write("long.txt", line + end + "short"), lines), *end == '\0' ? 1 : 2);
    EXPECT_EQ(lines[0], std::string(line) + (*end == '\0' ? "short" : ""));
    if (*end != '\0') {
      EXPECT_EQ(lines[1], "short");
    }
  }
}

TEST_F(FilesTest, ReadLinesGrowsByHalfOnlyWhenAFurtherLineComes) {
  struct Case {
    int lineCount;
    const char* end;
    std::size_t size;
  };
  const Case cases[] = {
      {20000, "\n", 20000}, {20001, "\n", 30000}, {20001, "\r\n", 30000}, {30000, "\n", 30000}, {30001, "\n", 45000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lineCount) + (c.end[0] == '\r' ? " CR LF" : " LF"));
    std::string bytes;
    for (int i = 0; i < c.lineCount; ++i) bytes += "line " + std::to_string(i) + c.end;
    StringArray lines;
    ASSERT_EQ(toolkit::ReadLines(Write("many.txt", bytes), lines), c.lineCount);
    ASSERT_EQ(lines.size(), c.size);
    EXPECT_EQ(lines[0], "line 0");
    EXPECT_EQ(lines[static_cast<std::size_t>(c.lineCount) - 1], "line " + std::to_string(c.lineCount - 1));
    for (std::size_t i = static_cast<std::size_t>(c.lineCount); i < lines.size(); ++i) ASSERT_EQ(lines[i], "") << i;
  }
  // Short lines first and one long line after them: the room made ahead from
  // the first lines does not change the array's size.
  StringArray lines;
  ASSERT_EQ(toolkit::ReadLines(Write("skewed.txt", std::string(20000, '\n') + std::string(100000, 'L')), lines), 20001);
  EXPECT_EQ(lines.size(), 30000u);
  EXPECT_EQ(lines[20000], std::string(100000, 'L'));
  EXPECT_EQ(lines[19999], "");
}

TEST_F(FilesTest, ReadLinesOfNothingLeavesTwentyThousandEmptyLines) {
  const std::string paths[] = {Path("missing.txt"), Directory("dir"), Write("empty.txt", ""), Write("z.txt", "\x1a")};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    StringArray lines = {"a", "b", "c", "d", "e"};
    EXPECT_EQ(toolkit::ReadLines(path, lines), 0);
    EXPECT_EQ(lines, StringArray(20000));
  }
  EXPECT_FALSE(fs::exists(Path("missing.txt")));
}

// The text mode of the file layer against the runtime library's own: the same
// bytes reach the reader (CR dropped only before LF, data ending at 0x1A), and
// the lines follow from them. The runtime's side runs only where it has a text
// mode; the lines are checked everywhere.
TEST_F(FilesTest, TextModeMatchesTheRuntimeLibrary) {
  struct Case {
    const char* label;
    std::string bytes;
    std::string translated;
    StringArray lines;
  };
  const std::string x510(510, 'x');
  const std::string z8191(8191, 'z');
  const Case cases[] = {
      {"mixed", "a\r\nb\rc\r\r\nd\n\ne\x1a" "f\n", "a\nb\rc\r\nd\n\ne", {"a", "b\rc", "d", "", "e"}},
      {"lone CR last", "x\r", "x\r", {"x"}},
      {"CR then 0x1A", "a\r\x1a\n", "a\r", {"a"}},
      {"CR LF over a piece", x510 + "\r\nn", x510 + "\nn", {x510, "n"}},
      {"lone CR ends a piece", x510 + "\ryz\n", x510 + "\ryz\n", {x510, "yz"}},
      {"CR LF over a buffer", z8191 + "\r\nend", z8191 + "\nend", {z8191, "end"}},
      {"lone CR over a buffer", z8191 + "\rend\n", z8191 + "\rend\n", {z8191 + "\rend"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = Write("text.txt", c.bytes);
    std::vector<std::string> pieces;
    if (files_test::RuntimeTextPieces(path, pieces)) {
      std::string joined;
      for (const std::string& piece : pieces) {
        EXPECT_LE(piece.size(), 511u);
        joined += piece;
      }
      EXPECT_EQ(joined, c.translated);
    }
    StringArray lines;
    const int count = toolkit::ReadLines(path, lines);
    EXPECT_EQ(StringArray(lines.begin(), lines.begin() + count), c.lines);
  }
}

// A stream that delivers its first block and then reports a read error.
int readsBeforeError = 0;
bool failedNow = false;
std::size_t ReadThenFail(platform::Stream stream, void* buffer, std::size_t size) {
  if (readsBeforeError-- > 0) return platform::Native().Read(stream, buffer, size);
  failedNow = true;
  return 0;
}
bool FailedAfterError(platform::Stream stream) { return failedNow || platform::Native().Failed(stream); }

TEST_F(FilesTest, ReadLinesStopsAtAReadErrorKeepingWhatItStored) {
  const std::string path = Write("error.txt", Repeat("line\n", 3000));  // 15000 bytes: two blocks
  readsBeforeError = 1;
  failedNow = false;
  platform::Override read(&platform::Calls::Read, &ReadThenFail);
  platform::Override failed(&platform::Calls::Failed, &FailedAfterError);
  StringArray lines;
  EXPECT_EQ(toolkit::ReadLines(path, lines), 0);
  ASSERT_EQ(lines.size(), 20000u);
  // 8192 bytes hold 1638 whole lines; the one cut short by the error is dropped.
  EXPECT_EQ(lines[0], "line");
  EXPECT_EQ(lines[1637], "line");
  EXPECT_EQ(lines[1638], "");
  EXPECT_EQ(lines[1639], "");
}

TEST_F(FilesTest, ReadLinesStopsWhenTheArrayCannotGrow) {
  std::string bytes;
  for (int i = 0; i < 20001; ++i) bytes += std::to_string(i) + "\n";
  const std::string path = Write("grow.txt", bytes);
  StringArray lines;
  {
    // Room for 20000 elements can be had, room for more cannot.
    test_support::AllocationLimit fail(sizeof(std::string) * 25000);
    EXPECT_EQ(toolkit::ReadLines(path, lines), 0);
  }
  ASSERT_EQ(lines.size(), 20000u);
  EXPECT_EQ(lines[0], "0");
  EXPECT_EQ(lines[19999], "19999");
}

// ---------------------------------------------------------------------------
// The file layer
// ---------------------------------------------------------------------------

TEST_F(FilesTest, TheLowestFreeNumberIsTaken) {
  const std::string path = Write("n.txt", "n");
  const int first = layer::OpenTextReading(path);
  const int second = layer::OpenBinaryReading(path);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
  layer::Close(first);
  EXPECT_EQ(layer::OpenTextReading(path), 1);
  layer::Close(1);
  layer::Close(1);  // not in use: nothing happens
  layer::Close(second);
  EXPECT_EQ(layer::OpenTextReading(Path("missing")), 0);
  EXPECT_EQ(layer::OpenCount(), 0);
}

TEST_F(FilesTest, TheTableHoldsTwoHundredFiftyFourFilesAndCloseAllEmptiesIt) {
  const std::string path = Write("n.txt", "n");
  for (int expected = 1; expected <= 254; ++expected) ASSERT_EQ(layer::OpenTextReading(path), expected);
  EXPECT_EQ(layer::OpenTextReading(path), 0);
  EXPECT_EQ(layer::OpenCount(), 254);
  layer::CloseAll();
  EXPECT_EQ(layer::OpenCount(), 0);
  EXPECT_EQ(layer::OpenTextReading(path), 1);
  layer::Close(1);
}

TEST_F(FilesTest, NumbersNotInUseReadAsNothing) {
  char buffer[4] = {'k', 'e', 'e', 'p'};
  for (int number : {0, 1, 255, -1}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(layer::Length(number), 0);
    EXPECT_TRUE(layer::AtEnd(number));
    EXPECT_EQ(layer::ReadBytes(number, buffer, sizeof buffer), 0u);
    std::string line = "x";
    EXPECT_EQ(layer::ReadLine(number, line), layer::LineResult::kLine);
    EXPECT_EQ(line, "");
  }
  EXPECT_EQ(std::string(buffer, 4), "keep");
}

std::vector<std::string> modesTried;
std::vector<std::string> pathsTried;
platform::Stream RecordingOpen(const char* path, const char* mode) {
  modesTried.emplace_back(mode);
  pathsTried.emplace_back(path);
  return modesTried.back() == "rb" ? platform::Native().Open(path, mode) : nullptr;
}

TEST_F(FilesTest, ReadWriteOpenFallsBackToReadOnly) {
  const std::string path = Write("fallback.txt", "abc");
  modesTried.clear();
  pathsTried.clear();
  int number = 0;
  {
    platform::Override open(&platform::Calls::Open, &RecordingOpen);
    number = layer::OpenBinaryReadWrite(root_.string() + "/fallback.txt");
  }
  EXPECT_EQ(modesTried, (std::vector<std::string>{"r+b", "w+b", "rb"}));
  ASSERT_EQ(pathsTried.size(), 3u);
  EXPECT_EQ(pathsTried[0].find('/'), std::string::npos) << pathsTried[0];
  ASSERT_NE(number, 0);
  EXPECT_EQ(layer::AccessOf(number), layer::Access::kReadOnly);
  EXPECT_EQ(layer::Length(number), 3);
  layer::Close(number);

  const std::string created = Path("created.bin");
  number = layer::OpenBinaryReadWrite(created);
  ASSERT_NE(number, 0);
  EXPECT_EQ(layer::AccessOf(number), layer::Access::kReadWrite);
  layer::Close(number);
  EXPECT_TRUE(fs::exists(created));
  EXPECT_EQ(layer::OpenBinaryReadWrite(Directory("dir")), 0);
}

TEST_F(FilesTest, ReadBytesZeroesWhatTheFileDoesNotDeliver) {
  const int number = layer::OpenBinaryReading(Write("short.bin", "abc"));
  ASSERT_NE(number, 0);
  char buffer[6] = {'q', 'q', 'q', 'q', 'q', 'q'};
  EXPECT_EQ(layer::ReadBytes(number, buffer, 5), 3u);
  EXPECT_EQ(std::string(buffer, 6), std::string("abc\0\0q", 6));
  layer::Close(number);
}

// ---------------------------------------------------------------------------
// The close-all action: registered at the first open attempt of the process,
// which this environment makes before any test, between a process attach and
// detach of the module.
// ---------------------------------------------------------------------------

int openBeforeDetach = -1;
int openAfterDetach = -1;
int streamsClosed = 0;
void CountingClose(platform::Stream stream) {
  ++streamsClosed;
  platform::Native().Close(stream);
}

class UnloadProbe : public ::testing::Environment {
 public:
  void SetUp() override {
    const fs::path root = MakeTempRoot("unload");
    const std::string path = (root / "open.txt").string();
    std::ofstream(path, std::ios::binary) << "still open\n";
    platform::Override close(&platform::Calls::Close, &CountingClose);
    platform::OpenShutdownList();  // as the module's load does
    layer::OpenTextReading((root / "missing.txt").string());  // the first attempt registers
    layer::OpenTextReading(path);
    layer::OpenBinaryReading(path);
    openBeforeDetach = layer::OpenCount();
    platform::RunShutdownActions();  // as the module's unload does
    platform::CloseShutdownList();
    openAfterDetach = layer::OpenCount();
    RemoveTree(root);
  }
};

const auto* const unloadProbe = ::testing::AddGlobalTestEnvironment(new UnloadProbe);

TEST(FilesUnloadTest, UnloadClosesEveryFileStillOpen) {
  ASSERT_NE(unloadProbe, nullptr);
  EXPECT_EQ(openBeforeDetach, 2);
  EXPECT_EQ(openAfterDetach, 0);
  EXPECT_EQ(streamsClosed, 2);
}

}  // namespace
