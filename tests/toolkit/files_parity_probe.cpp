// Runs one fixed list of FileExists calls over a fixture tree and writes one
// line per call, "pattern<TAB>result", so that the Linux build and the Windows
// build under Wine can be compared call by call (files_parity.sh).
//   files_parity_probe ROOT OUTPUT

#include <fstream>
#include <iostream>
#include <string>

#include "toolkit/toolkit.h"

namespace {

// Relative patterns below the root, joined with a backslash; "" goes on with
// the search left open by the call before.
const char* const kCalls[] = {
    "plain.txt", "readonly.txt", "groupwrite.txt", ".hidden", ".hiddendir", "empty.txt", "noext",
    "dir", "dir\\*", "", "", "", "dir\\*.*", "dir\\sub", "dir\\sub\\*", "",
    "onlydirs\\*", "", "onlydirs\\*.*", "onlydirs\\a",
    "set\\*", "", "", "", "", "set\\*.txt", "", "", "set\\?.txt", "", "set\\*.dat", "", "set\\.d", "set\\e",
    "set\\*.*", "", "", "", "",
    "rodir", "rodir\\*", "", "link-to-dir", "link-to-dir\\*", "link-to-file",
    "*", "", "", "", "", "", "", "", "",
    "missing.txt", "", "missing\\*", "plain.txt\\*", "dir\\", "dir\\..", "dir\\.", "dir\\..\\plain.txt",
    "d?r\\inner.txt", "x*y", "dir/inner.txt", "dir/*", "", "", "",
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: files_parity_probe ROOT OUTPUT\n";
    return 2;
  }
  const std::string root = argv[1];
  std::ofstream out(argv[2], std::ios::binary);
  if (!out) {
    std::cerr << "files_parity_probe: cannot write " << argv[2] << "\n";
    return 1;
  }
  for (const char* call : kCalls) {
    const std::string pattern = call;
    const int result = toolkit::FileExists(pattern.empty() ? pattern : root + "\\" + pattern);
    out << (pattern.empty() ? "(continue)" : pattern) << '\t' << result << '\n';
  }
  return out ? 0 : 1;
}
