// How a platform layer assembles its call table: each area of a layer defines its
// entries in a file of its own, the layer's entries.h declares them all, and the
// layer's calls.cpp names every one in a single initializer. Internal to src/platform.
#pragma once

#include "platform/platform.h"

namespace platform::detail {

// The layer's table, constant-initialised from calls.cpp, so it is complete even
// for code that runs during load, before any static constructor.
extern const Calls kLayerCalls;

// The stdio calls on an open stream that both layers share (stdio_streams.cpp).
bool SetFullBuffering(Stream stream, std::size_t size);
std::size_t Read(Stream stream, void* buffer, std::size_t size);
bool Seek(Stream stream, long offset, SeekOrigin origin);
long Tell(Stream stream);
bool AtEnd(Stream stream);
bool Failed(Stream stream);
void Close(Stream stream);

}  // namespace platform::detail
