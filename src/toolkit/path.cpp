// Path names by byte search: the last backslash and the last dot are found with
// LastPosition, the parts cut with the text rules, and the separator clean-up is
// two passes of ReplaceAll.

#include "toolkit/path.h"

#include <cstdint>
#include <string_view>

#include "text/text.h"
#include "toolkit/edit.h"
#include "toolkit/detail.h"
#include "toolkit/split.h"

namespace toolkit {
namespace {

const char kBackslash[] = "\\";
const char kBackslashPair[] = "\\\\";
const char kSlash[] = "/";
const char kDot[] = ".";

// The position of the last `what` in `path`, 0 if none. The limit is a fresh -1
// of our own, so no caller's variable is ever written through it.
std::int64_t LastIn(const std::string& path, const std::string& what) {
  int limit = -1;
  return LastPosition(limit, path, what);
}

std::string_view DirectoryOf(const std::string& path) { return detail::LeftPart(path, LastIn(path, kBackslash)); }

std::string_view FileNameOf(const std::string& path) {
  return detail::RightPart(path, detail::Length(path) - LastIn(path, kBackslash));
}

std::string_view WithoutExtension(const std::string& path) { return detail::LeftPart(path, LastIn(path, kDot) - 1); }

}  // namespace

std::string PathDirectory(const std::string& path) {
  return detail::Guarded([&]() -> std::string { return std::string(DirectoryOf(path)); });
}

std::string PathFileName(const std::string& path) {
  return detail::Guarded([&]() -> std::string { return std::string(FileNameOf(path)); });
}

std::string PathExtension(const std::string& path) {
  return detail::Guarded([&]() -> std::string {
    const std::int64_t dot = LastIn(path, kDot);
    if (dot == 0) return {};
    return std::string(detail::RightPart(path, detail::Length(path) - dot + 1));
  });
}

std::string PathBaseName(const std::string& path) {
  return detail::Guarded([&]() -> std::string {
    const std::string fileName(FileNameOf(path));
    return std::string(detail::LeftPart(fileName, LastIn(fileName, kDot) - 1));
  });
}

std::string PathWithoutExtension(const std::string& path) {
  return detail::Guarded([&]() -> std::string { return std::string(WithoutExtension(path)); });
}

std::string PathJoin(const std::string& path, std::string& directory) {
  return detail::Guarded([&]() -> std::string {
    // The caller's own string gains the backslash; a failed append leaves it as it was.
    if (!text::Equal(text::RightPart(directory, 1), kBackslash)) directory.append(kBackslash);
    return detail::Join({directory, FileNameOf(path)});
  });
}

std::string PathReplaceFileName(const std::string& path, const std::string& name) {
  return detail::Guarded([&]() -> std::string { return detail::Join({DirectoryOf(path), name}); });
}

std::string PathReplaceExtension(const std::string& path, const std::string& extension) {
  return detail::Guarded([&]() -> std::string { return detail::Join({WithoutExtension(path), extension}); });
}

std::string PathToForwardSlashes(const std::string& path) {
  return detail::Guarded([&]() -> std::string {
    return ReplaceAll(ReplaceAll(path, kBackslashPair, kBackslash), kBackslash, kSlash);
  });
}

}  // namespace toolkit
