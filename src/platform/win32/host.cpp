// Windows layer, host services: loading a library at run time, and the x87
// control word for the tests of the load effects.

#include <windows.h>

#include "platform/platform.h"

namespace platform {

Library OpenLibrary(const char* path) { return ::LoadLibraryA(path); }

void* LibrarySymbol(Library library, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(Library library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

const char* LastLoadError() {
  static char message[512];
  const DWORD code = ::GetLastError();
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   message, sizeof message, nullptr);
  if (n == 0) wsprintfA(message, "error %lu", static_cast<unsigned long>(code));
  return message;
}

std::uint16_t ReadX87ControlWord() {
  std::uint16_t word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

void WriteX87ControlWord(std::uint16_t word) { __asm__ volatile("fldcw %0" : : "m"(word)); }

}  // namespace platform
