// What the soak test needs from the system beneath: a standard output that
// swallows everything, and the memory the process holds. One implementation per
// platform (soak_host_posix.cpp, soak_host_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace library_test {

// Standard output goes to the null device until destroyed.
class NullOutput {
 public:
  NullOutput();
  ~NullOutput();
  NullOutput(const NullOutput&) = delete;
  NullOutput& operator=(const NullOutput&) = delete;

 private:
  std::intptr_t saved_;
};

// The process's memory: what it holds in RAM (its resident set or working set)
// and what it has committed of its own.
struct MemoryUse {
  std::size_t resident = 0;
  std::size_t committed = 0;
};
MemoryUse CurrentMemoryUse();

}  // namespace library_test
