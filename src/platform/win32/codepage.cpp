// Windows layer, code pages: KERNEL32's own conversion calls, with dwFlags 0.

#include <windows.h>

#include "platform/win32/entries.h"

namespace platform::detail {

int MultiByteToWide(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount) {
  return ::MultiByteToWideChar(static_cast<UINT>(codePage), 0, source, sourceCount,
                               reinterpret_cast<LPWSTR>(target), targetCount);
}

int WideToMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount) {
  return ::WideCharToMultiByte(static_cast<UINT>(codePage), 0, reinterpret_cast<LPCWSTR>(source), sourceCount,
                               target, targetCount, nullptr, nullptr);
}

}  // namespace platform::detail
