// The path routines on random byte strings: no crash or sanitizer report, and
// the laws that tie the parts of a path to each other and to the path itself.

#include <cstdlib>
#include <string>

#include "input.h"
#include "toolkit/path.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::string name = input.Bytes(16);
  std::string directory = input.Bytes(32);
  const std::string path = input.Rest();
  const bool hasDot = path.find('.') != std::string::npos;

  // Directory and file name cut the path in two at its last backslash.
  const std::string dir = toolkit::PathDirectory(path);
  const std::string file = toolkit::PathFileName(path);
  Check(dir + file == path);
  Check(dir.empty() || dir.back() == '\\');
  Check(file.find('\\') == std::string::npos);

  // Extension and the path without it cut the path in two at its last dot.
  const std::string extension = toolkit::PathExtension(path);
  const std::string stem = toolkit::PathWithoutExtension(path);
  if (hasDot) {
    Check(stem + extension == path);
    Check(extension.front() == '.' && extension.find('.', 1) == std::string::npos);
  } else {
    Check(extension.empty() && stem.empty());
  }

  // The base name is the file name cut before one of its dots.
  const std::string base = toolkit::PathBaseName(path);
  if (!base.empty()) Check(file.compare(0, base.size(), base) == 0 && file[base.size()] == '.');
  if (file.find('.') == std::string::npos) Check(base.empty());

  Check(toolkit::PathReplaceFileName(path, name) == dir + name);
  Check(toolkit::PathReplaceExtension(path, name) == stem + name);

  // PathJoin ends the caller's directory with a backslash, once.
  const std::string given = directory;
  const std::string joined = toolkit::PathJoin(path, directory);
  Check(directory == (!given.empty() && given.back() == '\\' ? given : given + '\\'));
  Check(joined == directory + file);

  // Forward slashes: no backslash is left, pairs become one, and nothing else changes.
  const std::string forward = toolkit::PathToForwardSlashes(path);
  Check(forward.find('\\') == std::string::npos && forward.size() <= path.size());
  std::string expected;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
    expected += path[i] == '\\' ? '/' : path[i];
  }
  Check(forward == expected);
  return 0;
}
