// Linux side of the soak test's helpers: descriptor 1 pointed at /dev/null, and
// memory read from /proc/self/statm (resident and data pages).

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "library/soak_host.h"

namespace library_test {

NullOutput::NullOutput() {
  fflush(stdout);
  saved_ = dup(STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  close(null);
}

NullOutput::~NullOutput() {
  fflush(stdout);
  dup2(static_cast<int>(saved_), STDOUT_FILENO);
  close(static_cast<int>(saved_));
}

MemoryUse CurrentMemoryUse() {
  MemoryUse use;
  FILE* statm = fopen("/proc/self/statm", "r");
  if (statm == nullptr) return use;
  unsigned long size = 0, resident = 0, shared = 0, text = 0, library = 0, data = 0;
  if (fscanf(statm, "%lu %lu %lu %lu %lu %lu", &size, &resident, &shared, &text, &library, &data) == 6) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    use.resident = resident * page;
    use.committed = data * page;
  }
  fclose(statm);
  return use;
}

}  // namespace library_test
