// Out-of-memory paths without real memory pressure, for any test program that
// links allocation_limit.cpp: a replacement of the global operator new that
// fails large allocations on demand.
#pragma once

#include <cstddef>

namespace test_support {

// While `limit` is not 0, every allocation through operator new of more than
// `limit` bytes fails (std::bad_alloc, or nullptr for the nothrow form).
//   FailAllocationsAbove(1024); std::string(4096, 'x') throws; FailAllocationsAbove(0);
void FailAllocationsAbove(std::size_t limit);

// The same for the lifetime of the object.
class AllocationLimit {
 public:
  explicit AllocationLimit(std::size_t limit) { FailAllocationsAbove(limit); }
  ~AllocationLimit() { FailAllocationsAbove(0); }
  AllocationLimit(const AllocationLimit&) = delete;
  AllocationLimit& operator=(const AllocationLimit&) = delete;
};

}  // namespace test_support
