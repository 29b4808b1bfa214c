// Windows layer, code pages: KERNEL32's own conversion calls, with dwFlags 0.

#include <windows.h>

#include "platform/table.h"

namespace platform::detail {
namespace {

int MultiByteToWide(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount) {
  return ::MultiByteToWideChar(static_cast<UINT>(codePage), 0, source, sourceCount,
                               reinterpret_cast<LPWSTR>(target), targetCount);
}

int WideToMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount) {
  return ::WideCharToMultiByte(static_cast<UINT>(codePage), 0, reinterpret_cast<LPCWSTR>(source), sourceCount,
                               target, targetCount, nullptr, nullptr);
}

}  // namespace

void FillCodePageCalls(Calls& calls) {
  calls.MultiByteToWide = MultiByteToWide;
  calls.WideToMultiByte = WideToMultiByte;
}

}  // namespace platform::detail
