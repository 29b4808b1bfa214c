// POSIX layer, module services: the C heap and errno, the x87 set-up of the loading
// thread, an exit-action table kept the way MSVCRT.DLL keeps it, and the flush.

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/table.h"

namespace platform::detail {
namespace {

// A block of several MiB usually comes from a fresh mapping of its own (glibc),
// and filling it costs a page fault per 4 KiB page: two 32 MiB scratch strings
// spent more time in faults than in converting (measured, x86-64 under a
// hypervisor). Huge pages there cut the faults 512-fold; where the kernel has
// none, or uses them anyway, the advice changes nothing.
void* Allocate(std::size_t size) {
  void* block = malloc(size);
  constexpr std::size_t kLargeBlock = std::size_t{4} << 20;
  if (block != nullptr && size >= kLargeBlock) {
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t start = (first + page - 1) & ~(page - 1);
    const std::uintptr_t end = (first + size) & ~(page - 1);
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  }
  return block;
}
void Release(void* block) { free(block); }
void SetErrno(int value) { errno = value; }

void SetLoadingThreadFloatingPoint() {
#if defined(__i386__) || defined(__x86_64__)
  // Precision control (bits 8-9) to 11b, a 64-bit significand; rounding control
  // (bits 10-11) to 00b, round-to-nearest. Exception masks and the rest stay.
  std::uint16_t word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  word = static_cast<std::uint16_t>((word & ~0x0F00u) | 0x0300u);
  __asm__ volatile("fldcw %0" : : "m"(word));
#endif
}

// Behaves as MSVCRT.DLL's __dllonexit does under Wine: refuses null bounds and
// grows the table by one entry with realloc on every registration.
ExitAction RegisterExitAction(ExitAction action, ExitAction** start, ExitAction** end) {
  if (start == nullptr || end == nullptr || *start == nullptr || *end == nullptr) return nullptr;
  const std::size_t used = static_cast<std::size_t>(*end - *start);
  auto* table = static_cast<ExitAction*>(realloc(*start, (used + 1) * sizeof(ExitAction)));
  if (table == nullptr) return nullptr;
  table[used] = action;
  *start = table;
  *end = table + used + 1;
  return action;
}

void FlushAllStreams() { fflush(nullptr); }

}  // namespace

void FillModuleCalls(Calls& calls) {
  calls.Allocate = Allocate;
  calls.Release = Release;
  calls.SetErrno = SetErrno;
  calls.SetLoadingThreadFloatingPoint = SetLoadingThreadFloatingPoint;
  calls.RegisterExitAction = RegisterExitAction;
  calls.FlushAllStreams = FlushAllStreams;
}

}  // namespace platform::detail
