// Loader glue of the Windows DLL: our own entry point (the default DLL start-up
// brings a TLS directory and keeps no shut-down list of its own), the export,
// and the two pieces of start-up code that the entry point replaces.

#include "LotanconvertCP.h"
#include "library/convert.h"
#include "library/module.h"

extern "C" {

// Runs the static constructors (libgcc's __main walks the constructor list once).
void __main();

// The default start-up applies runtime pseudo-relocations here. The image is
// linked so that it needs none (nothing imports data by auto-import), so there
// is nothing to apply.
void _pei386_runtime_relocator() {}

// Destructors of static objects register through atexit. Without the default
// start-up it would reach the process-wide list of MSVCRT.DLL, which runs after
// the DLL is gone; the module's own shut-down list runs them at detach instead.
int atexit(void (*action)()) { return platform::RegisterShutdownAction(action); }

int __stdcall LotanconvertCPEntry(void* module, unsigned long reason, void* reserved) {
  return library::ModuleEntry(module, static_cast<std::uint32_t>(reason), reserved, __main);
}

int __stdcall CONVERT(const char* strIn, int nFromCP, int nToCP, char* strOut) {
  return library::Convert(strIn, nFromCP, nToCP, strOut);
}

}  // extern "C"
