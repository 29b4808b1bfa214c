// Load and unload of the module: the entry point's logic around the shut-down
// list (src/platform), the hook and ModuleSetUp.
// All state here is plain data or storage constructed on first use and never
// destroyed, so nothing depends on static constructors or destructors running;
// the module strings' storage is given back at detach.

#include "library/module.h"

#include <new>

namespace library {
namespace {

// Each constant is stored with its terminating zero byte; the strings take the
// bytes before it.
constexpr char kKoi8rToWin1251[65] =
    "\xFE\xE0\xE1\xF6\xE4\xE5\xF4\xE3\xF5\xE8\xE9\xEA\xEB\xEC\xED\xEE"
    "\xEF\xFF\xF0\xF1\xF2\xF3\xE6\xE2\xFC\xFB\xE7\xF8\xFD\xF9\xF7\xFA"
    "\xDE\xC0\xC1\xD6\xC4\xC5\xD4\xC3\xD5\xC8\xC9\xCA\xCB\xCC\xCD\xCE"
    "\xCF\xDF\xD0\xD1\xD2\xD3\xC6\xC2\xDC\xDB\xC7\xD8\xDD\xD9\xD7\xDA";
constexpr char kWin1251ToKoi8r[65] =
    "\xE1\xE2\xF7\xE7\xE4\xE5\xF6\xFA\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0"
    "\xF2\xF3\xF4\xF5\xE6\xE8\xE3\xFE\xFB\xFD\xFF\xF9\xF8\xFC\xE0\xF1"
    "\xC1\xC2\xD7\xC7\xC4\xC5\xD6\xDA\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0"
    "\xD2\xD3\xD4\xD5\xC6\xC8\xC3\xDE\xDB\xDD\xDF\xD9\xD8\xDC\xC0\xD1";
constexpr char kWin1251Upper[33] =
    "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
    "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF";
constexpr char kWin1251Lower[33] =
    "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
    "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF";

struct ModuleStrings {
  std::string koi8rToWin1251;
  std::string win1251ToKoi8r;
  std::string win1251Upper;
  std::string win1251Lower;
};

// Constructed on first use and never destroyed, so no static destructor is
// involved; ReleaseStrings gives their storage back at detach.
ModuleStrings& Strings() {
  alignas(ModuleStrings) static unsigned char storage[sizeof(ModuleStrings)];
  static ModuleStrings* strings = new (storage) ModuleStrings();
  return *strings;
}

// An assignment that cannot get memory leaves the string empty: nothing reads
// these strings, so the load goes on.
void Assign(std::string& target, const char* constant) {
  try {
    target = constant;
  } catch (const std::bad_alloc&) {
    target.clear();
  }
}

// Gives the strings' storage back at unload: the heap they come from outlives
// the module, so a host that loads and unloads the library again and again
// would otherwise lose it each time. Swapping with an empty string allocates
// nothing.
void ReleaseStrings() noexcept {
  ModuleStrings& strings = Strings();
  for (std::string* text : {&strings.koi8rToWin1251, &strings.win1251ToKoi8r, &strings.win1251Upper,
                            &strings.win1251Lower}) {
    std::string().swap(*text);
  }
}

}  // namespace

int ModuleEntry(void* module, std::uint32_t reason, void* reserved, void (*runStaticInitialisation)()) {
  platform::Calls& system = platform::System();
  if (reason == kProcessAttach) {
    if (!platform::OpenShutdownList()) {
      system.SetErrno(platform::kErrnoNoMemory);
      return 0;
    }
    if (runStaticInitialisation != nullptr) runStaticInitialisation();
    return ModuleHook(module, reason, reserved);
  }
  if (reason == kProcessDetach) {
    ModuleHook(module, reason, reserved);
    if (!platform::ShutdownListOpen()) {
      ReleaseStrings();
      return 0;
    }
    platform::RunShutdownActions();
    ReleaseStrings();
    platform::CloseShutdownList();
    system.FlushAllStreams();
    return 1;
  }
  return ModuleHook(module, reason, reserved);
}

int ModuleHook(void*, std::uint32_t reason, void*) {
  if (reason == kProcessAttach) ModuleSetUp();
  return 1;
}

void ModuleSetUp() {
  platform::System().SetLoadingThreadFloatingPoint();
  ModuleStrings& strings = Strings();
  Assign(strings.koi8rToWin1251, kKoi8rToWin1251);
  Assign(strings.win1251ToKoi8r, kWin1251ToKoi8r);
  Assign(strings.win1251Upper, kWin1251Upper);
  Assign(strings.win1251Lower, kWin1251Lower);
}

const std::string& Koi8rToWin1251() { return Strings().koi8rToWin1251; }
const std::string& Win1251ToKoi8r() { return Strings().win1251ToKoi8r; }
const std::string& Win1251Upper() { return Strings().win1251Upper; }
const std::string& Win1251Lower() { return Strings().win1251Lower; }

}  // namespace library
