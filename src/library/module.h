// The module's life between load and unload: the entry point's logic, the module
// hook and ModuleSetUp with the four module strings. The loader glue
// (entry_win32.cpp, entry_posix.cpp) calls ModuleEntry; the shut-down list it
// opens and runs is platform::RegisterShutdownAction's, below the toolkit.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace library {

// Reason codes of the loader's notifications.
inline constexpr std::uint32_t kProcessDetach = 0;
inline constexpr std::uint32_t kProcessAttach = 1;
inline constexpr std::uint32_t kThreadAttach = 2;
inline constexpr std::uint32_t kThreadDetach = 3;

// The entry point's logic, for every notification; returns 1 (TRUE) or 0 (FALSE).
// Process attach: opens the shut-down list (on failure sets errno to ENOMEM
// and returns 0 at once), marks it empty, calls runStaticInitialisation (may be
// null), then the module hook, which runs ModuleSetUp. Process detach: calls the
// hook; returns 0 when there is no list; otherwise runs the actions last-first,
// skipping null entries, frees the list, flushes every stream of the runtime
// library and returns 1. Thread notifications only call the hook. The reserved
// pointer is never examined, so FreeLibrary and process exit are handled alike.
int ModuleEntry(void* module, std::uint32_t reason, void* reserved, void (*runStaticInitialisation)());

// Examines only the reason: runs ModuleSetUp on process attach. Always returns 1.
int ModuleHook(void* module, std::uint32_t reason, void* reserved);

// Sets the calling thread's x87 precision to a 64-bit significand and rounding to
// nearest, then fills the module strings. Runs once per load, from the hook.
void ModuleSetUp();

// The four module strings: empty before ModuleSetUp, then 64, 64, 32 and 32
// bytes. Nothing in the library reads them; they are kept until unload, where
// the process detach empties them after the shut-down actions and frees their
// storage.
//   Koi8rToWin1251()[0] == '\xFE'   (KOI8-R 0xC0 is "ю", 0xFE in Windows-1251)
const std::string& Koi8rToWin1251();
const std::string& Win1251ToKoi8r();
const std::string& Win1251Upper();
const std::string& Win1251Lower();

}  // namespace library
