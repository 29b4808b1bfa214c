// A Windows test host for the trace writer in a real console: it draws trace
// lines into its own console and reads the cells back. Its standard output must
// be a console (under Wine: run it under a pseudo-terminal). The findings go to
// the file named by the first argument, since the console itself is under test;
// the exit status is 0 when every check holds.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "trace/trace.h"

namespace {

HANDLE out;
HANDLE in;
std::string report;
int failures = 0;

void Check(bool ok, const std::string& what) {
  report += (ok ? "ok    " : "FAIL  ") + what + "\n";
  if (!ok) ++failures;
}

CONSOLE_SCREEN_BUFFER_INFO Info() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(out, &info);
  return info;
}

COORD At(int column, int row) { return COORD{static_cast<SHORT>(column), static_cast<SHORT>(row)}; }

std::string Characters(int column, int row, int count) {
  std::string text(static_cast<std::size_t>(count), '\0');
  DWORD read = 0;
  ReadConsoleOutputCharacterA(out, text.data(), static_cast<DWORD>(count), At(column, row), &read);
  text.resize(read);
  return text;
}

std::vector<WORD> Attributes(int column, int row, int count) {
  std::vector<WORD> attributes(static_cast<std::size_t>(count));
  DWORD read = 0;
  ReadConsoleOutputAttribute(out, attributes.data(), static_cast<DWORD>(count), At(column, row), &read);
  attributes.resize(read);
  return attributes;
}

// The row reads `text`, then blanks to its end; the first `drawn` cells (all of
// the text when -1) are in `attributes`, the rest in attribute 7.
void CheckRow(int row, const std::string& text, WORD attributes, int width, const char* what, int drawn = -1) {
  const std::string expected = text + std::string(static_cast<std::size_t>(width) - text.size(), ' ');
  const std::string found = Characters(0, row, width);
  Check(found == expected, std::string(what) + ": row " + std::to_string(row) + " reads \"" + found + "\"");
  std::vector<WORD> wanted(static_cast<std::size_t>(width), 7);
  const std::size_t count = drawn < 0 ? text.size() : static_cast<std::size_t>(drawn);
  for (std::size_t i = 0; i < count; ++i) wanted[i] = attributes;
  Check(Attributes(0, row, width) == wanted, std::string(what) + ": attributes of row " + std::to_string(row));
}

void CheckCursor(int column, int row, const char* what) {
  const COORD cursor = Info().dwCursorPosition;
  Check(cursor.X == column && cursor.Y == row, std::string(what) + ": cursor at " + std::to_string(cursor.X) + "," +
                                                   std::to_string(cursor.Y) + ", wanted " + std::to_string(column) +
                                                   "," + std::to_string(row));
}

void CheckWindowTop(int top, const char* what) {
  const SMALL_RECT window = Info().srWindow;
  Check(window.Top == top, std::string(what) + ": window top " + std::to_string(window.Top) + ", wanted " +
                               std::to_string(top));
}

void ShowRows(int top, int bottom) {
  SMALL_RECT window{0, static_cast<SHORT>(top), static_cast<SHORT>(Info().dwSize.X - 1), static_cast<SHORT>(bottom)};
  SetConsoleWindowInfo(out, TRUE, &window);
}

void Line(const char* label, const std::string& value) {
  trace::TraceText(label, false);
  trace::TraceText(value, true);
}

void Line(const char* label, int value) {
  trace::TraceText(label, false);
  trace::TraceInteger(value, true);
}

int Run() {
  out = GetStdHandle(STD_OUTPUT_HANDLE);
  in = GetStdHandle(STD_INPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(out, &info)) {
    Check(false, "standard output is a console");
    return 1;
  }
  const int width = info.dwSize.X;
  const int height = info.dwSize.Y;
  report += "console " + std::to_string(width) + " x " + std::to_string(height) + "\n";
  if (width < 20 || height < 40) {
    Check(false, "the console has at least 20 columns and 40 rows");
    return 1;
  }

  // A clean buffer in attribute 7, a 25-row window at the top, processed input off.
  DWORD done = 0;
  FillConsoleOutputCharacterA(out, ' ', static_cast<DWORD>(width * height), At(0, 0), &done);
  FillConsoleOutputAttribute(out, 7, static_cast<DWORD>(width * height), At(0, 0), &done);
  ShowRows(0, 24);
  DWORD mode = 0;
  const bool inputIsConsole = GetConsoleMode(in, &mode) != 0;
  Check(inputIsConsole, "standard input is a console");
  SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT));
  GetConsoleMode(in, &mode);
  Check((mode & ENABLE_PROCESSED_INPUT) == 0, "processed input is off before the first piece");

  // Seven lines as a conversion of "abc" traces them, at the cursor's row, in the
  // current attributes.
  SetConsoleTextAttribute(out, 0x1E);
  SetConsoleCursorPosition(out, At(0, 3));
  Line("nLen=", 3);
  GetConsoleMode(in, &mode);
  Check((mode & ENABLE_PROCESSED_INPUT) != 0, "the first piece turned processed input on");
  Line("strDst=", ",,,,,,");
  Line("strRet=", "------");
  Line("nRet=", 3);
  Line("strRet=", "abc---");
  Line("nRet=", 3);
  Line("strOut=", "abc");
  const char* const lines[] = {"nLen= 3", "strDst=,,,,,,", "strRet=------", "nRet= 3", "strRet=abc---", "nRet= 3",
                               "strOut=abc"};
  for (int i = 0; i < 7; ++i) CheckRow(3 + i, lines[i], 0x1E, width, "seven lines");
  CheckRow(10, "", 7, width, "seven lines");
  CheckCursor(0, 10, "seven lines");
  CheckWindowTop(0, "seven lines");

  // The window follows the cursor down the buffer.
  SetConsoleTextAttribute(out, 0x07);
  SetConsoleCursorPosition(out, At(0, 24));
  Line("view=", 1);
  CheckRow(24, "view= 1", 7, width, "view follows");
  CheckCursor(0, 25, "view follows");
  CheckWindowTop(1, "view follows");

  // A piece that fills the bottom row's last cell parks the cursor there; the
  // next piece wraps and moves the window.
  SetConsoleCursorPosition(out, At(width - 3, 25));
  trace::TraceText("abc", false);
  CheckCursor(width - 1, 25, "deferred wrap");
  CheckWindowTop(1, "deferred wrap");
  trace::TraceText("d", false);
  Check(Characters(width - 3, 25, 3) == "abc", "deferred wrap: the three cells at the row's end");
  CheckRow(26, "d", 7, width, "deferred wrap");
  CheckCursor(1, 26, "deferred wrap");
  CheckWindowTop(2, "deferred wrap");

  // At the buffer's last row the content scrolls up and the freed row is blanked
  // in the current attributes.
  ShowRows(height - 25, height - 1);
  WriteConsoleOutputCharacterA(out, "last", 4, At(0, height - 1), &done);
  SetConsoleTextAttribute(out, 0x2F);
  SetConsoleCursorPosition(out, At(0, height - 1));
  trace::TraceText("end", true);
  CheckRow(height - 2, "endt", 0x2F, width, "scrolling", 3);
  Check(Characters(0, height - 1, width) == std::string(static_cast<std::size_t>(width), ' '),
        "scrolling: the freed row is blank");
  Check(Attributes(0, height - 1, width) == std::vector<WORD>(static_cast<std::size_t>(width), 0x2F),
        "scrolling: the freed row has the current attributes");
  CheckRow(2, "nLen= 3", 0x1E, width, "scrolling moved the whole buffer");
  CheckCursor(0, height - 1, "scrolling");
  CheckWindowTop(height - 25, "scrolling");

  SetConsoleTextAttribute(out, 0x07);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int status = Run();
  if (argc > 1) {
    if (std::FILE* file = std::fopen(argv[1], "wb")) {
      std::fputs(report.c_str(), file);
      std::fclose(file);
    }
  }
  return status;
}
