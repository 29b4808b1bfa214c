// Windows side of the soak test's helpers: the standard output handle replaced
// by one on NUL, and the process's own working set and private bytes as
// K32GetProcessMemoryInfo reports them (under Wine too).

#include <windows.h>

#include <psapi.h>
#include <stdio.h>

#include "library/soak_host.h"

namespace library_test {

NullOutput::NullOutput() {
  fflush(stdout);
  saved_ = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE));
  const HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  SetStdHandle(STD_OUTPUT_HANDLE, null);
}

NullOutput::~NullOutput() {
  const HANDLE null = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(saved_));
  if (null != INVALID_HANDLE_VALUE && null != nullptr) CloseHandle(null);
}

MemoryUse CurrentMemoryUse() {
  MemoryUse use;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    use.resident = counters.WorkingSetSize;
    use.committed = counters.PagefileUsage;
  }
  return use;
}

}  // namespace library_test
