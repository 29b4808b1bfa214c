// How a platform layer assembles its call table: each area of a layer fills in
// its own entries, so the areas stay in files of their own. Internal to src/platform.
#pragma once

#include "platform/platform.h"

namespace platform::detail {

void FillModuleCalls(Calls& calls);    // heap, errno, floating point, exit actions, flush
void FillCodePageCalls(Calls& calls);  // MultiByteToWide, WideToMultiByte
void FillOutputCalls(Calls& calls);    // standard handles, WriteFile, console
void FillFileCalls(Calls& calls);      // opening streams, directory search
void FillStreamCalls(Calls& calls);    // stdio on an open stream (stdio_streams.cpp, both layers)

}  // namespace platform::detail
