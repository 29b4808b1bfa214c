// Windows layer, module services: the MSVCRT.DLL heap and errno, the x87 set-up of
// the loading thread, the runtime library's exit-action registration and flush.

#include <errno.h>
#include <float.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform/win32/entries.h"

// MSVCRT.DLL's registration service for dynamically loaded modules; the mingw
// headers do not declare it. Measured under Wine: it returns null unless both
// table pointers are non-null, and it reallocates the table (with msvcrt's
// realloc) on every registration, so the caller must keep the bounds it stores.
extern "C" _onexit_t __cdecl __dllonexit(_onexit_t action, platform::ExitAction** start,
                                         platform::ExitAction** end);

namespace platform::detail {

void* Allocate(std::size_t size) { return malloc(size); }
void Release(void* block) { free(block); }
void SetErrno(int value) { errno = value; }

void SetLoadingThreadFloatingPoint() { _controlfp(_PC_64 | _RC_NEAR, _MCW_PC | _MCW_RC); }

ExitAction RegisterExitAction(ExitAction action, ExitAction** start, ExitAction** end) {
  // The table holds void functions; the service is declared for int ones and never
  // calls through that type.
  _onexit_t done = __dllonexit(reinterpret_cast<_onexit_t>(reinterpret_cast<void*>(action)), start, end);
  return done != nullptr ? action : nullptr;
}

void FlushAllStreams() { fflush(nullptr); }

}  // namespace platform::detail
