// Uses the toolkit through its own headers from a project that added the source
// tree with add_subdirectory; prints one line per routine for the test to
// compare.
#include <cstdio>

#include "toolkit/toolkit.h"

int main() {
  toolkit::StringArray parts;
  const int delimiters = toolkit::SplitText("a,b,,c", ",", parts);
  std::printf("SplitText %d %s\n", delimiters, toolkit::FieldAt("a,b,,c", ",", 4).c_str());
  std::printf("CountOccurrences %d\n", toolkit::CountOccurrences("abababa", "aba"));
  std::printf("PathFileName %s\n", toolkit::PathFileName("C:\\dir\\name.txt").c_str());
  return 0;
}
