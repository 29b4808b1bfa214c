// POSIX layer, code pages: stand-ins for MultiByteToWideChar and WideCharToMultiByte.
// Not built yet: every conversion fails, as for a code page the platform does not know.

#include "platform/table.h"

namespace platform::detail {
namespace {

int MultiByteToWide(int, const char*, int, char16_t*, int) { return 0; }
int WideToMultiByte(int, const char16_t*, int, char*, int) { return 0; }

}  // namespace

void FillCodePageCalls(Calls& calls) {
  calls.MultiByteToWide = MultiByteToWide;
  calls.WideToMultiByte = WideToMultiByte;
}

}  // namespace platform::detail
