// Loader glue of the Linux shared library: an ELF constructor and destructor give
// the same order of events as the Windows entry point's process attach and
// detach, and CONVERT is the one exported symbol.

#include "LotanconvertCP.h"
#include "library/convert.h"
#include "library/module.h"

namespace {

// The dynamic loader runs the static initialisation itself, so the attach is given
// none to run. A failed attach cannot refuse a load on Linux; the library then
// runs without a shut-down list and its detach does nothing.
__attribute__((constructor)) void AttachProcess() {
  library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, nullptr);
}

__attribute__((destructor)) void DetachProcess() {
  library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int CONVERT(const char* strIn, int nFromCP, int nToCP,
                                                               char* strOut) {
  return library::Convert(strIn, nFromCP, nToCP, strOut);
}
