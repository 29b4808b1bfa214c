// POSIX layer, host services: dlopen for loading the library at run time, and the
// x87 control word for the tests of the load effects (0 where there is no x87).

#include <dlfcn.h>

#include "platform/platform.h"

namespace platform {

Library OpenLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* LibrarySymbol(Library library, const char* name) { return dlsym(library, name); }
void CloseLibrary(Library library) { dlclose(library); }

const char* LastLoadError() {
  const char* message = dlerror();
  return message != nullptr ? message : "";
}

std::uint16_t ReadX87ControlWord() {
  std::uint16_t word = 0;
#if defined(__i386__) || defined(__x86_64__)
  __asm__ volatile("fnstcw %0" : "=m"(word));
#endif
  return word;
}

void WriteX87ControlWord([[maybe_unused]] std::uint16_t word) {
#if defined(__i386__) || defined(__x86_64__)
  __asm__ volatile("fldcw %0" : : "m"(word));
#endif
}

}  // namespace platform
