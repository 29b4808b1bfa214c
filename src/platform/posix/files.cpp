// POSIX layer, files: stdio streams stand in for MSVCRT.DLL's, and a directory
// search stands in for _findfirst/_findnext, with the names, order and
// attribute bits that Wine 8 reports for the same directory tree. Only regular
// files are opened, and no open waits.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/entries.h"

namespace platform::detail {
namespace {

// Windows accepts both separators; the POSIX calls want "/".
bool ToPosixPath(const char* path, std::string& out) {
  try {
    out = path;
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::replace(out.begin(), out.end(), '\\', '/');
  return true;
}

// open(2) flags for an fopen mode ('b' and 't' aside); -1 for a mode fopen
// would refuse.
int OpenFlags(const char* mode) {
  const bool update = strchr(mode, '+') != nullptr;
  switch (mode[0]) {
    case 'r':
      return update ? O_RDWR : O_RDONLY;
    case 'w':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
      return -1;
  }
}

}  // namespace

// Only a regular file is opened. The runtime library refuses a directory in any
// mode (EACCES under Wine), where fopen here would open one for reading; a FIFO,
// socket or device is refused the same way, since fopen would wait in the open
// of a FIFO for a writer that may never come, and reading a device such as
// /dev/zero never ends. The open itself is non-blocking, so it returns at once
// whatever the path names; the file is made blocking again before use.
Stream Open(const char* path, const char* mode) {
  std::string posixPath;
  char posixMode[8] = {};
  std::size_t used = 0;
  for (const char* m = mode; *m != '\0' && used + 1 < sizeof posixMode; ++m) {
    if (*m != 't') posixMode[used++] = *m;  // text mode is done by the caller
  }
  const int flags = OpenFlags(posixMode);
  if (flags < 0) {
    errno = EINVAL;
    return nullptr;
  }
  if (!ToPosixPath(path, posixPath)) return nullptr;
  const int fd = open(posixPath.c_str(), flags | O_NONBLOCK, 0666);
  if (fd < 0) return nullptr;
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || fcntl(fd, F_SETFL, flags & O_APPEND) != 0) {
    close(fd);
    errno = EACCES;
    return nullptr;
  }
  FILE* file = fdopen(fd, posixMode);
  if (file == nullptr) close(fd);
  return file;
}

// ---------------------------------------------------------------------------
// Directory search
// ---------------------------------------------------------------------------

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kReparsePoint = 0x400;

namespace {

// Attributes as Wine derives them from the file system: archive for anything
// that is not a directory, read-only when no one has write permission, hidden
// for a name that begins with a dot ("." and ".." excepted), and a symbolic
// link to a directory is a directory and a reparse point (0x410). A link to a
// file reports what the file reports.
std::uint32_t Attributes(const std::string& path, const std::string& name) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return kArchive;
  std::uint32_t attributes = 0;
  if (S_ISLNK(status.st_mode)) {
    struct stat target;
    if (stat(path.c_str(), &target) == 0) {
      if (S_ISDIR(target.st_mode)) attributes |= kReparsePoint;
      status = target;
    }
  }
  attributes |= S_ISDIR(status.st_mode) ? kDirectory : kArchive;
  if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kHidden;
  return attributes;
}

// "*" any run of bytes, "?" one byte, case-sensitive. As under Wine, a "." or
// ".*" that ends the pattern also matches the end of the name, so "*.*" and
// "*." match every name.
bool Matches(const char* pattern, const char* name) {
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  for (;;) {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
      continue;
    }
    if (*name == '\0') {
      if (*pattern == '.' && (pattern[1] == '\0' || (pattern[1] == '*' && pattern[2] == '\0'))) ++pattern;
      while (*pattern == '*') ++pattern;
      if (*pattern == '\0') return true;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
      continue;
    }
    if (starPattern == nullptr || *starName == '\0') return false;
    pattern = starPattern;
    name = ++starName;
  }
}

// Wine lists "." and ".." first, then the names in case-blind order.
bool ListedBefore(const std::string& left, const std::string& right) {
  const auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
  if (rank(left) != rank(right)) return rank(left) < rank(right);
  const int blind = strcasecmp(left.c_str(), right.c_str());
  return blind != 0 ? blind < 0 : left < right;
}

// A search holds the matching names only. Finding the first of them in the
// listed order needs every name, but not every entry's attributes, nor the rest
// in order: those are what cost, an lstat per entry and a sort (in a directory
// of 100,000 files, 270 ms before the first match came back, measured). So an
// entry is examined when it is reported, and the names are put in order as far
// as the search has got: the first few at once, the rest only when a search
// goes beyond them.
// A search in the directory's own order (FindAny) keeps the directory open
// instead and reads it only as far as it reports.
struct Search {
  std::vector<std::string> names;
  std::string directory;  // where the names are; empty for a search of one path
  std::string path;       // that one path
  std::size_t next = 0;
  std::size_t ordered = 0;  // names[0, ordered) are in their listed order
  DIR* listing = nullptr;   // FindAny: the directory, read up to the name last reported
  std::string last;         // FindAny: the pattern's last component
  ~Search() {
    if (listing != nullptr) closedir(listing);
  }
};

// ".", ".." and the first name after them: all that "dir\*" needs when its
// first file counts.
constexpr std::size_t kOrderedFirst = 3;

void PutInOrder(Search& search, std::size_t index) {
  if (index < search.ordered) return;
  auto& names = search.names;
  if (search.ordered == 0) {
    search.ordered = std::min(kOrderedFirst, names.size());
    std::partial_sort(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(search.ordered), names.end(),
                      ListedBefore);
  }
  if (index >= search.ordered) {
    std::sort(names.begin() + static_cast<std::ptrdiff_t>(search.ordered), names.end(), ListedBefore);
    search.ordered = names.size();
  }
}

// False when the entry's path cannot be made (no memory); the search ends there.
bool CopyRecord(Search& search, std::size_t index, FindRecord* record) {
  PutInOrder(search, index);
  const std::string& name = search.names[index];
  try {
    record->attributes = Attributes(search.directory.empty() ? search.path : search.directory + "/" + name, name);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const std::size_t length = std::min(name.size(), sizeof record->name - 1);
  memcpy(record->name, name.data(), length);
  record->name[length] = '\0';
  return true;
}

bool NextInListing(Search& search, FindRecord* record);

bool Collect(const std::string& pattern, Search& search) {
  if (pattern.empty() || pattern.back() == '/') return false;
  const std::size_t slash = pattern.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : pattern.substr(0, slash);
  const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (last.find_first_of("*?") == std::string::npos) {
    struct stat status;
    if (lstat(pattern.c_str(), &status) != 0) return false;
    std::string name = last;
    // "dir\." and "dir\.." name a directory, which reports its own name.
    if (last == "." || last == "..") {
      char* resolved = realpath(pattern.c_str(), nullptr);
      if (resolved == nullptr) return false;
      const std::string full = resolved;
      free(resolved);
      name = full == "/" ? full : full.substr(full.rfind('/') + 1);
    }
    search.names.push_back(name);
    search.path = pattern;
    return true;
  }
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return false;
  while (const dirent* entry = readdir(listing)) {
    if (Matches(last.c_str(), entry->d_name)) search.names.emplace_back(entry->d_name);
  }
  closedir(listing);
  search.directory = directory;
  return !search.names.empty();
}

}  // namespace

FindHandle FindFirst(const char* pattern, FindRecord* record) {
  std::string posixPattern;
  if (!ToPosixPath(pattern, posixPattern)) return nullptr;
  auto* search = new (std::nothrow) Search();
  if (search == nullptr) return nullptr;
  bool found = false;
  try {
    found = Collect(posixPattern, *search);
  } catch (const std::bad_alloc&) {
    found = false;
  }
  if (!found || !CopyRecord(*search, 0, record)) {
    delete search;
    errno = ENOENT;
    return nullptr;
  }
  search->next = 1;
  return search;
}

bool FindNext(FindHandle handle, FindRecord* record) {
  auto* search = static_cast<Search*>(handle);
  if (search->listing != nullptr) return NextInListing(*search, record);
  if (search->next >= search->names.size()) return false;
  return CopyRecord(*search, search->next++, record);
}

namespace {

// FindAny: the next name of the open directory that matches, reported as
// CopyRecord reports a listed one; false at the end of the directory.
bool NextInListing(Search& search, FindRecord* record) {
  while (const dirent* entry = readdir(search.listing)) {
    if (!Matches(search.last.c_str(), entry->d_name)) continue;
    try {
      search.names.assign(1, entry->d_name);
    } catch (const std::bad_alloc&) {
      return false;
    }
    search.ordered = 1;
    return CopyRecord(search, 0, record);
  }
  return false;
}

}  // namespace

// A pattern without wildcards names one entry, which FindFirst finds as cheaply.
FindHandle FindAny(const char* pattern, FindRecord* record) {
  std::string posixPattern;
  if (!ToPosixPath(pattern, posixPattern)) return nullptr;
  const std::size_t slash = posixPattern.rfind('/');
  const std::size_t lastStart = slash == std::string::npos ? 0 : slash + 1;
  if (posixPattern.find_first_of("*?", lastStart) == std::string::npos) return FindFirst(pattern, record);
  auto* search = new (std::nothrow) Search();
  if (search == nullptr) return nullptr;
  bool found = false;
  try {
    search->directory = slash == std::string::npos ? "." : slash == 0 ? "/" : posixPattern.substr(0, slash);
    search->last = posixPattern.substr(lastStart);
    search->listing = opendir(search->directory.c_str());
    found = search->listing != nullptr && NextInListing(*search, record);
  } catch (const std::bad_alloc&) {
    found = false;
  }
  if (!found) {
    delete search;
    errno = ENOENT;
    return nullptr;
  }
  return search;
}

void FindClose(FindHandle handle) { delete static_cast<Search*>(handle); }

}  // namespace platform::detail
