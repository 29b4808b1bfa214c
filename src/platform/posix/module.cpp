// POSIX layer, module services: the C heap and errno, the x87 set-up of the loading
// thread, an exit-action table kept the way MSVCRT.DLL keeps it, and the flush.

#include <errno.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/posix/entries.h"

namespace platform::detail {

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

namespace {

// fflush(NULL) waits for the lock of every stream, so a host thread blocked in
// fgets(stdin) would hold up the unload, and with it exit() or dlclose(), for as
// long as no line comes; glibc's own flush at exit waits for none. Here every
// stream that no other thread holds is flushed, and a held one is left to its
// holder (at exit glibc flushes it after the library is gone). Only streams with
// output pending are touched, as fflush(NULL) touches them: fflush on an input
// stream would drop what it has read ahead.
void FlushIfFree(FILE* stream) {
  if (ftrylockfile(stream) != 0) return;
  if (__fpending(stream) > 0) fflush_unlocked(stream);
  funlockfile(stream);
}

}  // namespace

#if defined(__GLIBC__)
// glibc's walk over its list of open streams, exported (GLIBC_2.2.5) though no
// header declares it. The list lock keeps streams from being opened or closed
// meanwhile; a thread holds it only inside fopen, fclose and a full flush.
extern "C" {
void* _IO_iter_begin();
void* _IO_iter_end();
void* _IO_iter_next(void* iterator);
FILE* _IO_iter_file(void* iterator);
void _IO_list_lock();
void _IO_list_unlock();
}

void FlushAllStreams() {
  _IO_list_lock();
  for (void* it = _IO_iter_begin(); it != _IO_iter_end(); it = _IO_iter_next(it)) FlushIfFree(_IO_iter_file(it));
  _IO_list_unlock();
}
#else
// Without a walk over every stream, the standard ones are what can be reached.
void FlushAllStreams() {
  FlushIfFree(stdout);
  FlushIfFree(stderr);
}
#endif

}  // namespace platform::detail
