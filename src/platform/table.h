// How a platform layer assembles its call table: each area of a layer defines its
// entries in a file of its own, this header and the layer's entries.h declare
// them, and the layer's calls.cpp names every one in a single initializer.
// Internal to src/platform.
#pragma once

#include "platform/platform.h"

namespace platform::detail {

// The layer's table, constant-initialised from calls.cpp, so it is complete even
// for code that runs during load, before any static constructor.
extern const Calls kLayerCalls;

// Entries both layers have under the same names, each in its own files
// (module.cpp, codepage.cpp); the rest are in the layer's entries.h.
void* Allocate(std::size_t size);
void Release(void* block);
void SetErrno(int value);
void SetLoadingThreadFloatingPoint();
ExitAction RegisterExitAction(ExitAction action, ExitAction** start, ExitAction** end);
void FlushAllStreams();
int MultiByteToWide(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount);
int WideToMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount);

// The stdio calls on an open stream that both layers share (stdio_streams.cpp).
bool SetFullBuffering(Stream stream, std::size_t size);
std::size_t Read(Stream stream, void* buffer, std::size_t size);
bool Seek(Stream stream, long offset, SeekOrigin origin);
long Tell(Stream stream);
bool AtEnd(Stream stream);
bool Failed(Stream stream);
void Close(Stream stream);

}  // namespace platform::detail
