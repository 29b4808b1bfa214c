// Windows layer: its own entries of the call table (table.h has the shared ones), by
// the file that defines them. calls.cpp gathers them; the files include this
// header, so each definition is checked against its entry. Names that would hide the
// KERNEL32 call they wrap carry a suffix (WriteFileTo, BeepFor). Internal to src/platform.
#pragma once

#include "platform/table.h"

namespace platform::detail {

// output.cpp
Handle GetStandardHandle(StandardHandleKind kind);
bool GetConsoleModeOf(Handle handle, std::uint32_t* mode);
bool SetConsoleModeOf(Handle handle, std::uint32_t mode);
bool GetConsoleInfo(Handle handle, ConsoleInfo* info);
bool WriteFileTo(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written);
void NoSpan();  // an output span needs nothing here
bool WriteConsoleCells(Handle handle, const char* bytes, int count, std::uint16_t attributes, int column, int row);
bool ScrollConsole(Handle handle, ConsoleRect source, int destinationColumn, int destinationRow, char fill,
                   std::uint16_t fillAttributes);
bool FillConsoleCharacter(Handle handle, char character, int count, int column, int row);
bool FillConsoleAttribute(Handle handle, std::uint16_t attributes, int count, int column, int row);
bool SetConsoleCursor(Handle handle, int column, int row);
bool SetConsoleWindow(Handle handle, ConsoleRect window);
bool BeepFor(int frequency, int milliseconds);

// files.cpp
Stream Open(const char* path, const char* mode);
FindHandle FindFirst(const char* pattern, FindRecord* record);
bool FindNext(FindHandle search, FindRecord* record);
void FindClose(FindHandle search);

}  // namespace platform::detail
