// Windows layer, output: the standard handles, WriteFile, and the console calls the
// trace writer draws with.

#include <windows.h>

#include "platform/win32/entries.h"

namespace platform::detail {
namespace {

COORD Coord(int column, int row) { return COORD{static_cast<SHORT>(column), static_cast<SHORT>(row)}; }

SMALL_RECT Rect(const ConsoleRect& r) {
  return SMALL_RECT{static_cast<SHORT>(r.left), static_cast<SHORT>(r.top), static_cast<SHORT>(r.right),
                    static_cast<SHORT>(r.bottom)};
}

}  // namespace

Handle GetStandardHandle(StandardHandleKind kind) {
  return ::GetStdHandle(kind == StandardHandleKind::kInput ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
}

bool GetConsoleModeOf(Handle handle, std::uint32_t* mode) {
  DWORD value = 0;
  if (!::GetConsoleMode(handle, &value)) return false;
  *mode = value;
  return true;
}

bool SetConsoleModeOf(Handle handle, std::uint32_t mode) { return ::SetConsoleMode(handle, mode) != 0; }

bool GetConsoleInfo(Handle handle, ConsoleInfo* info) {
  CONSOLE_SCREEN_BUFFER_INFO raw;
  if (!::GetConsoleScreenBufferInfo(handle, &raw)) return false;
  info->width = raw.dwSize.X;
  info->height = raw.dwSize.Y;
  info->cursorColumn = raw.dwCursorPosition.X;
  info->cursorRow = raw.dwCursorPosition.Y;
  info->attributes = raw.wAttributes;
  info->window = ConsoleRect{raw.srWindow.Left, raw.srWindow.Top, raw.srWindow.Right, raw.srWindow.Bottom};
  return true;
}

bool WriteFileTo(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  DWORD done = 0;
  const BOOL ok = ::WriteFile(handle, bytes, count, &done, nullptr);
  *written = done;
  return ok != 0;
}

// WriteFile fails on a broken pipe without raising anything, so a span has
// nothing to prepare.
void NoSpan() {}

bool WriteConsoleCells(Handle handle, const char* bytes, int count, std::uint16_t attributes, int column, int row) {
  // The trace writer draws at most 256 cells at a time; longer runs go in slices.
  constexpr int kSlice = 256;
  CHAR_INFO cells[kSlice];
  for (int done = 0; done < count;) {
    const int n = count - done < kSlice ? count - done : kSlice;
    for (int i = 0; i < n; ++i) {
      cells[i].Char.AsciiChar = bytes[done + i];
      cells[i].Attributes = attributes;
    }
    SMALL_RECT target = Rect(ConsoleRect{column + done, row, column + done + n - 1, row});
    if (!::WriteConsoleOutputA(handle, cells, Coord(n, 1), Coord(0, 0), &target)) return false;
    done += n;
  }
  return true;
}

bool ScrollConsole(Handle handle, ConsoleRect source, int destinationColumn, int destinationRow, char fill,
                   std::uint16_t fillAttributes) {
  const SMALL_RECT rect = Rect(source);
  CHAR_INFO blank;
  blank.Char.AsciiChar = fill;
  blank.Attributes = fillAttributes;
  return ::ScrollConsoleScreenBufferA(handle, &rect, nullptr, Coord(destinationColumn, destinationRow), &blank) != 0;
}

bool FillConsoleCharacter(Handle handle, char character, int count, int column, int row) {
  DWORD written = 0;
  return ::FillConsoleOutputCharacterA(handle, character, static_cast<DWORD>(count), Coord(column, row), &written) !=
         0;
}

bool FillConsoleAttribute(Handle handle, std::uint16_t attributes, int count, int column, int row) {
  DWORD written = 0;
  return ::FillConsoleOutputAttribute(handle, attributes, static_cast<DWORD>(count), Coord(column, row), &written) !=
         0;
}

bool SetConsoleCursor(Handle handle, int column, int row) {
  return ::SetConsoleCursorPosition(handle, Coord(column, row)) != 0;
}

bool SetConsoleWindow(Handle handle, ConsoleRect window) {
  const SMALL_RECT rect = Rect(window);
  return ::SetConsoleWindowInfo(handle, TRUE, &rect) != 0;
}

bool BeepFor(int frequency, int milliseconds) {
  return ::Beep(static_cast<DWORD>(frequency), static_cast<DWORD>(milliseconds)) != 0;
}

}  // namespace platform::detail
