// Linux side of the file tests: the helpers (Linux has no share modes and the
// tests run as root, so a file "held elsewhere" is one that the platform's Open
// refuses, as the runtime library refuses a file opened without sharing), and
// the faults only Linux has: paths that name a FIFO, a socket or a device, and
// a search of a directory of 100,000 files.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/platform.h"
#include "toolkit/file_layer.h"
#include "toolkit/files.h"
#include "toolkit/files_test_support.h"

namespace files_test {
namespace {

std::string heldPath;

std::string Normal(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

platform::Stream RefusingOpen(const char* path, const char* mode) {
  if (Normal(path) == heldPath) {
    errno = EACCES;
    return nullptr;
  }
  return platform::Native().Open(path, mode);
}

}  // namespace

ExclusiveHold::ExclusiveHold(const std::string& path) : state_(nullptr) {
  heldPath = Normal(path);
  state_ = new platform::Override(&platform::Calls::Open, &RefusingOpen);
}

ExclusiveHold::~ExclusiveHold() {
  delete static_cast<platform::Override<platform::Stream (*)(const char*, const char*)>*>(state_);
  heldPath.clear();
}

bool MarkHidden(const std::string&) { return false; }
bool MarkSystem(const std::string&) { return false; }
bool RuntimeTextBlocks(const std::string&, std::vector<std::string>&) { return false; }

}  // namespace files_test

namespace {

namespace fs = std::filesystem;

// A fresh directory of its own, removed with everything in it at the end.
class TemporaryDirectory {
 public:
  explicit TemporaryDirectory(const fs::path& parent) {
    std::string pattern = (parent / "lotan-files-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Runs `calls` in a child process and gives back what it wrote to the pipe it
// is handed, or "(hung)" when it had not ended within `seconds`: a routine that
// blocks for good cannot hold the test program with it.
template <typename Calls>
std::string InAChild(int seconds, Calls calls) {
  int report[2];
  if (pipe(report) != 0) return "(no pipe)";
  fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    const std::string result = calls();
    _exit(write(report[1], result.data(), result.size()) == static_cast<ssize_t>(result.size()) ? 0 : 1);
  }
  close(report[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  bool hung = false;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      hung = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::string reported;
  char buffer[256];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) reported.append(buffer, static_cast<size_t>(n));
  close(report[0]);
  return hung ? "(hung)" : reported;
}

// A FIFO without a writer (an open for reading waits for one), a socket, and a
// device whose content never ends: none is a file, each reads as one that
// cannot be opened, and at once.
TEST(FilesFaultsPosixTest, PathsThatAreNotFilesReadAsNothingAtOnce) {
  const TemporaryDirectory directory(fs::temp_directory_path());
  ASSERT_FALSE(directory.Path().empty());
  const std::string fifo = (directory.Path() / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = (directory.Path() / "socket").string();
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  for (const std::string& path : {fifo, socketPath, std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    const std::string results = InAChild(10, [&path] {
      const int length = toolkit::FileLength(path);
      const std::string whole = toolkit::ReadWholeFile(path);
      toolkit::StringArray lines{"stale"};
      const int count = toolkit::ReadLines(path, lines);
      return std::to_string(length) + " [" + whole + "] " + std::to_string(count) + " " +
             std::to_string(lines.size()) + " [" + lines[0] + "] open " +
             std::to_string(toolkit::file_layer::OpenCount());
    });
    EXPECT_EQ(results, "0 [] 0 20000 [] open 0");
  }
  close(listening);
}

// The names of every entry in `directory`, read as the search reads them, so
// that the time this takes is the floor under any search in a sorted order.
std::size_t ListNames(const std::string& directory) {
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return 0;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(listing)) names.emplace_back(entry->d_name);
  closedir(listing);
  return names.size();
}

template <typename Work>
double FastestOfThree(Work work) {
  double fastest = 1e9;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    work();
    fastest = std::min(fastest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return fastest;
}

// FileExists on 100,000 files whose first in the listed order counts: the
// names must all be read to know which is first, but the entries need not be
// examined nor the names sorted. Examining every entry cost some thirty times
// the reading of the names (measured), so a search within four times that
// reading (plus 5 ms) examines only what it reports.
TEST(FilesFaultsPosixTest, PatternSearchOfAHundredThousandFilesExaminesOnlyWhatItReports) {
  constexpr int kFiles = 100000;
  // tmpfs, where there is one, makes and removes the files in half the time.
  const fs::path parent = fs::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                        : fs::temp_directory_path();
  const TemporaryDirectory directory(parent);
  ASSERT_FALSE(directory.Path().empty());
  const std::string root = directory.Path().string();
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/f%06d.txt", i);
    const int fd = open((root + name).c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  ASSERT_EQ(ListNames(root), static_cast<std::size_t>(kFiles) + 2);

  const std::string pattern = root + "/*";
  std::int8_t found = 0;
  double listing = 0;
  double search = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    listing = FastestOfThree([&] { ListNames(root); });
    search = FastestOfThree([&] { found = toolkit::FileExists(pattern); });
    if (search < 0.005) break;
  }
  toolkit::FileExists(root + "/no-such-name");  // closes the search
  EXPECT_EQ(found, 1);
  // The directory is read only up to its first match, a small fraction of the
  // names (listing them all takes tens of milliseconds here).
  EXPECT_LT(search, 0.005) << "names listed in " << listing * 1e3 << " ms";
  // A pattern that only the last name matches goes through them all too.
  EXPECT_EQ(toolkit::FileExists(root + "/f099999.*"), 1);
  EXPECT_EQ(toolkit::FileExists(""), 0);
  RecordProperty("search_ms", std::to_string(search * 1e3));
  RecordProperty("listing_ms", std::to_string(listing * 1e3));
}

}  // namespace
