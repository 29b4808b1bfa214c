// Windows layer: every entry of its call table, by the file that defines it.
// calls.cpp gathers them; the files include this header so that each definition
// is checked against the entry it fills. Names that would hide the KERNEL32 call
// they wrap carry a suffix (WriteFileTo, BeepFor). Internal to src/platform.
#pragma once

#include "platform/table.h"

namespace platform::detail {

// module.cpp
void* Allocate(std::size_t size);
void Release(void* block);
void SetErrno(int value);
void SetLoadingThreadFloatingPoint();
ExitAction RegisterExitAction(ExitAction action, ExitAction** start, ExitAction** end);
void FlushAllStreams();

// codepage.cpp
int MultiByteToWide(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount);
int WideToMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount);

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
