// A replacement of the global operator new that fails large allocations on
// demand (see allocation_limit.h). Kept in a file of its own so that no inlined
// use of it sits beside the standard library's.

#include <cstdlib>
#include <new>

#include "support/allocation_limit.h"

namespace {
std::size_t failAbove = 0;
}  // namespace

namespace test_support {
void FailAllocationsAbove(std::size_t limit) { failAbove = limit; }
}  // namespace test_support

void* operator new(std::size_t size) {
  if (failAbove != 0 && size > failAbove) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (failAbove != 0 && size > failAbove) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
