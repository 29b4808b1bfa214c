// Linux side of the file tests' helpers. Linux has no share modes and the tests
// run as root, so a file "held elsewhere" is one that the platform's Open
// refuses, as the runtime library refuses a file opened without sharing.

#include <errno.h>

#include <algorithm>

#include "platform/platform.h"
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
bool RuntimeTextPieces(const std::string&, std::vector<std::string>&) { return false; }

}  // namespace files_test
