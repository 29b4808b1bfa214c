// POSIX layer: its own entries of the call table (table.h has the shared ones), by
// the file that defines them. calls.cpp gathers them; the files include this
// header, so each definition is checked against its entry. Internal to src/platform.
#pragma once

#include "platform/table.h"

namespace platform::detail {

// output.cpp: descriptors, with no console to draw in (the console entries fail).
Handle GetStandardHandle(StandardHandleKind kind);
bool WriteFile(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written);
void BeginOutputSpan();
void EndOutputSpan();
bool NoConsoleMode(Handle, std::uint32_t*);
bool NoSetConsoleMode(Handle, std::uint32_t);
bool NoConsoleInfo(Handle, ConsoleInfo*);
bool NoCells(Handle, const char*, int, std::uint16_t, int, int);
bool NoScroll(Handle, ConsoleRect, int, int, char, std::uint16_t);
bool NoFillCharacter(Handle, char, int, int, int);
bool NoFillAttribute(Handle, std::uint16_t, int, int, int);
bool NoCursor(Handle, int, int);
bool NoWindow(Handle, ConsoleRect);
bool NoBeep(int, int);

// files.cpp
Stream Open(const char* path, const char* mode);
FindHandle FindFirst(const char* pattern, FindRecord* record);
FindHandle FindAny(const char* pattern, FindRecord* record);
bool FindNext(FindHandle handle, FindRecord* record);
void FindClose(FindHandle handle);

}  // namespace platform::detail
