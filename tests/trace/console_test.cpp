// The trace writer in console mode, drawing into an in-memory screen buffer that
// stands behind the console entries of the platform table: the walk over the
// bytes, the view following the cursor, scrolling, the deferred wrap, the fallbacks
// of failing queries and the return to file mode.

#include "trace/trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "trace/writer.h"

namespace {

using namespace std::string_literals;
using platform::ConsoleRect;
using platform::Handle;

Handle const kConsole = reinterpret_cast<Handle>(0x30);

// A screen buffer with a cursor, a window and current attributes. Cells start as
// '.' in attribute 7 so that drawn and blanked cells stand out.
struct FakeConsole {
  struct Cell {
    char character = '.';
    std::uint16_t attributes = 7;
  };

  int width = 10;
  int height = 6;
  std::vector<Cell> cells;
  int cursorColumn = 0;
  int cursorRow = 0;
  std::uint16_t attributes = 0x1E;
  ConsoleRect window;

  int queries = 0;
  std::set<int> failingQueries;  // numbers (from 1) of GetConsoleInfo calls that fail
  int goneFromQuery = INT_MAX;   // this query and all after it fail
  bool drawingFails = false;
  std::vector<int> runs;
  bool runPastRight = false;
  std::vector<std::pair<int, int>> beeps;
  std::vector<ConsoleRect> windowsShown;
  std::string fileBytes;  // what reached WriteFile

  void Resize(int columns, int rows) {
    width = columns;
    height = rows;
    cells.assign(static_cast<std::size_t>(columns * rows), Cell{});
    window = ConsoleRect{0, 0, columns - 1, rows - 1};
    cursorColumn = cursorRow = 0;
  }
  bool Inside(int column, int row) const { return column >= 0 && column < width && row >= 0 && row < height; }
  Cell& At(int column, int row) { return cells[static_cast<std::size_t>(row * width + column)]; }
  std::string Row(int row) {
    std::string text;
    for (int column = 0; column < width; ++column) text += At(column, row).character;
    return text;
  }
  std::vector<std::string> Screen() {
    std::vector<std::string> rows;
    for (int row = 0; row < height; ++row) rows.push_back(Row(row));
    return rows;
  }
  void SetRow(int row, const std::string& text) {
    for (int column = 0; column < width && column < static_cast<int>(text.size()); ++column) {
      At(column, row).character = text[static_cast<std::size_t>(column)];
    }
  }
};

FakeConsole* console = nullptr;

Handle FakeStandardHandle(platform::StandardHandleKind kind) {
  return kind == platform::StandardHandleKind::kOutput ? kConsole : nullptr;
}

bool FakeConsoleInfo(Handle handle, platform::ConsoleInfo* info) {
  const int number = ++console->queries;
  if (handle != kConsole || console->failingQueries.count(number) != 0 || number >= console->goneFromQuery) {
    return false;
  }
  info->width = console->width;
  info->height = console->height;
  info->cursorColumn = console->cursorColumn;
  info->cursorRow = console->cursorRow;
  info->attributes = console->attributes;
  info->window = console->window;
  return true;
}

bool FakeWriteFile(Handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  console->fileBytes.append(static_cast<const char*>(bytes), count);
  *written = count;
  return true;
}

bool FakeCells(Handle, const char* bytes, int count, std::uint16_t attributes, int column, int row) {
  console->runs.push_back(count);
  if (column + count > console->width) console->runPastRight = true;
  if (console->drawingFails) return false;
  for (int i = 0; i < count; ++i) {
    if (console->Inside(column + i, row)) console->At(column + i, row) = {bytes[i], attributes};
  }
  return true;
}

bool FakeScroll(Handle, ConsoleRect source, int toColumn, int toRow, char fill, std::uint16_t fillAttributes) {
  if (console->drawingFails) return false;
  const std::vector<FakeConsole::Cell> before = console->cells;
  const auto old = [&](int column, int row) { return before[static_cast<std::size_t>(row * console->width + column)]; };
  for (int row = source.top; row <= source.bottom; ++row) {
    for (int column = source.left; column <= source.right; ++column) {
      if (console->Inside(column, row)) console->At(column, row) = {fill, fillAttributes};
    }
  }
  for (int row = source.top; row <= source.bottom; ++row) {
    for (int column = source.left; column <= source.right; ++column) {
      const int newColumn = column - source.left + toColumn;
      const int newRow = row - source.top + toRow;
      if (console->Inside(column, row) && console->Inside(newColumn, newRow)) {
        console->At(newColumn, newRow) = old(column, row);
      }
    }
  }
  return true;
}

// The two fills run on from (column, row) across rows up to the buffer's end.
template <typename Apply>
bool Fill(int count, int column, int row, Apply apply) {
  if (console->drawingFails || !console->Inside(column, row)) return false;
  const std::size_t start = static_cast<std::size_t>(row * console->width + column);
  for (std::size_t i = start; i < console->cells.size() && i < start + static_cast<std::size_t>(count); ++i) {
    apply(console->cells[i]);
  }
  return true;
}

bool FakeFillCharacter(Handle, char character, int count, int column, int row) {
  return Fill(count, column, row, [&](FakeConsole::Cell& cell) { cell.character = character; });
}

bool FakeFillAttribute(Handle, std::uint16_t attributes, int count, int column, int row) {
  return Fill(count, column, row, [&](FakeConsole::Cell& cell) { cell.attributes = attributes; });
}

bool FakeCursor(Handle, int column, int row) {
  if (console->drawingFails || !console->Inside(column, row)) return false;
  console->cursorColumn = column;
  console->cursorRow = row;
  return true;
}

bool FakeWindow(Handle, ConsoleRect window) {
  console->windowsShown.push_back(window);
  if (console->drawingFails || !console->Inside(window.left, window.top) ||
      !console->Inside(window.right, window.bottom)) {
    return false;
  }
  console->window = window;
  return true;
}

bool FakeBeep(int frequency, int milliseconds) {
  console->beeps.emplace_back(frequency, milliseconds);
  return true;
}

template <typename Function>
using Swap = platform::Override<Function>;

class TraceConsoleTest : public ::testing::Test {
 protected:
  TraceConsoleTest() {
    console = &console_;
    console_.Resize(10, 6);
    trace::detail::ResetWriterForTests();
  }
  ~TraceConsoleTest() override {
    trace::detail::ResetWriterForTests();
    console = nullptr;
  }

  // Puts the cursor and the window, as a host would leave them before a piece.
  void Place(int column, int row, int top, int bottom) {
    console_.cursorColumn = column;
    console_.cursorRow = row;
    console_.window = ConsoleRect{0, top, console_.width - 1, bottom};
  }

  FakeConsole console_;

 private:
  Swap<decltype(platform::Calls::GetStandardHandle)> handle_{&platform::Calls::GetStandardHandle,
                                                             FakeStandardHandle};
  Swap<decltype(platform::Calls::GetConsoleInfo)> info_{&platform::Calls::GetConsoleInfo, FakeConsoleInfo};
  Swap<decltype(platform::Calls::WriteFile)> write_{&platform::Calls::WriteFile, FakeWriteFile};
  Swap<decltype(platform::Calls::WriteConsoleCells)> cells_{&platform::Calls::WriteConsoleCells, FakeCells};
  Swap<decltype(platform::Calls::ScrollConsole)> scroll_{&platform::Calls::ScrollConsole, FakeScroll};
  Swap<decltype(platform::Calls::FillConsoleCharacter)> fillCharacter_{&platform::Calls::FillConsoleCharacter,
                                                                       FakeFillCharacter};
  Swap<decltype(platform::Calls::FillConsoleAttribute)> fillAttribute_{&platform::Calls::FillConsoleAttribute,
                                                                       FakeFillAttribute};
  Swap<decltype(platform::Calls::SetConsoleCursor)> cursor_{&platform::Calls::SetConsoleCursor, FakeCursor};
  Swap<decltype(platform::Calls::SetConsoleWindow)> window_{&platform::Calls::SetConsoleWindow, FakeWindow};
  Swap<decltype(platform::Calls::Beep)> beep_{&platform::Calls::Beep, FakeBeep};
};

// Every case uses a 10 x 6 buffer; each string of `pieces` is one TraceText call.
struct DrawCase {
  const char* name;
  int column, row, top, bottom;  // cursor and window rows before the first piece
  std::vector<std::string> pieces;
  std::vector<std::string> screen;  // every row afterwards
  int endColumn, endRow, endTop;    // cursor and window top afterwards
};

TEST_F(TraceConsoleTest, DrawsPiecesAtTheCursor) {
  const std::string dots(10, '.');
  const DrawCase cases[] = {
      {"wrapping at the right column", 7, 1, 0, 5, {"abcdefg"},
       {dots, ".......abc", "defg......", dots, dots, dots}, 4, 2, 0},
      {"BEL draws nothing", 2, 0, 0, 5, {"a\ab"},
       {"..ab......", dots, dots, dots, dots, dots}, 4, 0, 0},
      {"BS moves left without erasing", 0, 0, 0, 5, {"abc\b\bX"},
       {"aXc.......", dots, dots, dots, dots, dots}, 2, 0, 0},
      {"BS stops at the left column", 0, 1, 0, 5, {"\b\bab"},
       {dots, "ab........", dots, dots, dots, dots}, 2, 1, 0},
      {"TAB from column 1 pads to column 8", 0, 0, 0, 5, {"a\tb"},
       {"a       b.", dots, dots, dots, dots, dots}, 9, 0, 0},
      {"TAB from column 5", 5, 0, 0, 5, {"\tZ"},
       {".....   Z.", dots, dots, dots, dots, dots}, 9, 0, 0},
      {"TAB at column 0 writes 8 spaces", 0, 2, 0, 5, {"\t"},
       {dots, dots, "        ..", dots, dots, dots}, 8, 2, 0},
      {"TAB past the right column pads to the row's end", 8, 0, 0, 5, {"\tx"},
       {"........  ", "x.........", dots, dots, dots, dots}, 1, 1, 0},
      {"LF and CR", 3, 1, 0, 5, {"ab\ncd\rX"},
       {dots, "...ab.....", "Xd........", dots, dots, dots}, 1, 2, 0},
      {"zero byte and bytes 0x80-0xFF are cells", 0, 0, 0, 5, {"\0\x80\xC4\xFF"s},
       {"\0\x80\xC4\xFF......"s, dots, dots, dots, dots, dots}, 4, 0, 0},
      {"the view follows a line end down the buffer", 0, 2, 0, 2, {"ab\r\ncd"},
       {dots, dots, "ab........", "cd........", dots, dots}, 2, 3, 1},
      {"the view follows a wrap down the buffer", 8, 2, 0, 2, {"abc"},
       {dots, dots, "........ab", "c.........", dots, dots}, 1, 3, 1},
      {"the view follows a cursor below it", 0, 4, 0, 2, {"a\nb"},
       {dots, dots, dots, dots, "a.........", "b........."}, 1, 5, 3},
      {"a full last cell above the bottom row wraps at once", 8, 0, 0, 2, {"ab", "c"},
       {"........ab", "c.........", dots, dots, dots, dots}, 1, 1, 0},
      {"deferred wrap parks the cursor on the bottom row", 7, 2, 0, 2, {"abc"},
       {dots, dots, ".......abc", dots, dots, dots}, 9, 2, 0},
      {"deferred wrap released by the next piece", 7, 2, 0, 2, {"abc", "d"},
       {dots, dots, ".......abc", "d.........", dots, dots}, 1, 3, 1},
      {"deferred wrap then a line end gives an empty row", 7, 2, 0, 2, {"abc", "\r\n"},
       {dots, dots, ".......abc", dots, dots, dots}, 0, 4, 2},
      {"deferred wrap at the buffer's last row", 8, 5, 3, 5, {"ab"},
       {dots, dots, dots, dots, dots, "........ab"}, 9, 5, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    trace::detail::ResetWriterForTests();
    console_.Resize(10, 6);
    console_.windowsShown.clear();
    Place(c.column, c.row, c.top, c.bottom);
    for (const auto& piece : c.pieces) trace::TraceText(piece, false);
    EXPECT_EQ(console_.Screen(), c.screen);
    EXPECT_EQ(console_.cursorColumn, c.endColumn);
    EXPECT_EQ(console_.cursorRow, c.endRow);
    EXPECT_EQ(console_.window.top, c.endTop);
    EXPECT_EQ(console_.window.bottom - console_.window.top, c.bottom - c.top);
    if (c.endTop == c.top) {
      EXPECT_TRUE(console_.windowsShown.empty());
    }
    EXPECT_FALSE(console_.runPastRight);
    EXPECT_EQ(console_.fileBytes, "");
  }
}

TEST_F(TraceConsoleTest, FollowsAWindowMovedBetweenPieces) {
  console_.Resize(10, 20);
  Place(0, 8, 7, 9);
  trace::TraceText("a", false);
  Place(0, 2, 0, 2);  // the user scrolled the window back up and the host moved the cursor
  trace::TraceText("b", true);
  EXPECT_EQ(console_.Row(2), "b.........");
  EXPECT_EQ(console_.window.top, 1);
  EXPECT_EQ(console_.window.bottom, 3);
  EXPECT_EQ(console_.cursorRow, 3);
}

TEST_F(TraceConsoleTest, ScrollsAtTheBufferEndWithBlankRowsInTheCurrentAttributes) {
  struct Case {
    const char* name;
    int column;
    std::vector<std::string> pieces;
    std::vector<std::string> screen;
    int endColumn;
  };
  const std::string blank(10, ' ');
  const Case cases[] = {
      {"line end on the last row", 0, {"x\r\ny"}, {"r1", "r2", "r3", "r4", "x5", "y" + blank.substr(1)}, 1},
      {"two line ends", 0, {"x\r\n", "\r\n"}, {"r2", "r3", "r4", "x5", blank, blank}, 0},
      {"wrap off the last row after a deferred wrap", 8, {"ab", "c"},
       {"r1", "r2", "r3", "r4", "r5......ab", "c" + blank.substr(1)}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    trace::detail::ResetWriterForTests();
    console_.Resize(10, 6);
    for (int row = 0; row < 6; ++row) console_.SetRow(row, "r" + std::to_string(row));
    Place(c.column, 5, 3, 5);
    console_.attributes = 0x4F;
    for (const auto& piece : c.pieces) trace::TraceText(piece, false);
    std::vector<std::string> expected;
    for (const auto& row : c.screen) expected.push_back(row.size() == 10 ? row : row + std::string(10 - row.size(), '.'));
    EXPECT_EQ(console_.Screen(), expected);
    EXPECT_EQ(console_.cursorColumn, c.endColumn);
    EXPECT_EQ(console_.cursorRow, 5);
    EXPECT_EQ(console_.window.top, 3);
    // Drawn cells and freed rows carry the current attributes; moved cells keep theirs.
    for (int row = 0; row < 6; ++row) {
      for (int column = 0; column < 10; ++column) {
        const FakeConsole::Cell cell = console_.At(column, row);
        const bool moved = cell.character == '.' || cell.character == 'r' || (cell.character >= '0' && cell.character <= '9');
        EXPECT_EQ(cell.attributes, moved ? 7 : 0x4F) << column << "," << row;
      }
    }
  }
}

TEST_F(TraceConsoleTest, RunsHoldAtMost256CellsAndStopAtTheRightColumn) {
  struct Case {
    int column;
    std::size_t length;
    std::vector<int> runs;
  };
  const Case cases[] = {
      {0, 280, {256, 24}},
      {0, 256, {256}},
      {250, 60, {50, 10}},
      {10, 600, {256, 34, 256, 44, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column);
    trace::detail::ResetWriterForTests();
    console_.Resize(300, 4);
    console_.runs.clear();
    Place(c.column, 0, 0, 3);
    std::string text;
    for (std::size_t i = 0; i < c.length; ++i) text += static_cast<char>('A' + i % 26);
    trace::TraceText(text, false);
    EXPECT_EQ(console_.runs, c.runs);
    EXPECT_FALSE(console_.runPastRight);
    std::string drawn = console_.Row(0).substr(static_cast<std::size_t>(c.column));
    for (int row = 1; row < 4; ++row) drawn += console_.Row(row);
    EXPECT_EQ(drawn.substr(0, c.length), text);
  }
}

TEST_F(TraceConsoleTest, BelBeepsAtThousandHertzForAQuarterSecond) {
  trace::TraceText("a\a\ab", true);
  EXPECT_EQ(console_.beeps, (std::vector<std::pair<int, int>>{{1000, 250}, {1000, 250}}));
  EXPECT_EQ(console_.Row(0), "ab........");
}

TEST_F(TraceConsoleTest, DrawnCellsTakeTheCurrentAttributes) {
  console_.attributes = 0x2A;
  Place(3, 1, 0, 5);
  trace::TraceInteger(-5, true);
  EXPECT_EQ(console_.Row(1), "...-5.....");
  for (int column = 0; column < 10; ++column) {
    EXPECT_EQ(console_.At(column, 1).attributes, column == 3 || column == 4 ? 0x2A : 7) << column;
  }
  EXPECT_EQ(console_.cursorColumn, 0);
  EXPECT_EQ(console_.cursorRow, 2);
}

TEST_F(TraceConsoleTest, FailingDrawQueryUsesDefaults) {
  struct Case {
    const char* name;
    int top;
    int bottom;
  };
  const Case cases[] = {
      {"view at the buffer's top", 0, 24},
      {"view further down", 10, 34},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    trace::detail::ResetWriterForTests();
    console_.Resize(80, 50);
    console_.queries = 0;
    console_.failingQueries = {2};  // 1 is the set-up's, 2 the first piece's
    Place(5, c.top + 5, c.top, c.bottom);
    trace::TraceText("ab", false);
    EXPECT_EQ(console_.Row(c.top).substr(0, 3), "ab.");
    EXPECT_EQ(console_.At(0, c.top).attributes, 7);
    EXPECT_EQ(console_.cursorColumn, 2);
    EXPECT_EQ(console_.cursorRow, c.top);
    // The query after the piece answered, so the writer stays in console mode.
    trace::TraceText("c", false);
    EXPECT_EQ(console_.Row(c.top).substr(0, 4), "abc.");
    EXPECT_EQ(console_.At(2, c.top).attributes, 0x1E);
    EXPECT_EQ(console_.fileBytes, "");
  }
}

TEST_F(TraceConsoleTest, GoneOrTooSmallConsoleSendsTheWriterToFileModeForGood) {
  struct Case {
    const char* name;
    int goneFromQuery;
    int width;   // after the first piece
    int bottom;  // window bottom after the first piece
  };
  const Case cases[] = {
      {"console gone after a piece", 3, 10, 5},
      {"buffer one column wide", INT_MAX, 1, 5},
      {"view one row high", INT_MAX, 10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    trace::detail::ResetWriterForTests();
    console_.Resize(10, 6);
    console_.queries = 0;
    console_.fileBytes.clear();
    console_.goneFromQuery = c.goneFromQuery;
    // Shrink the console as the piece ends, before the writer looks at it again.
    static int width;
    static int bottom;
    width = c.width;
    bottom = c.bottom;
    {
      Swap<decltype(platform::Calls::SetConsoleCursor)> shrink{
          &platform::Calls::SetConsoleCursor, [](Handle handle, int column, int row) {
            const bool ok = FakeCursor(handle, column, row);
            console->width = width;
            console->window.right = width - 1;
            console->window.bottom = bottom;
            return ok;
          }};
      trace::TraceText("ab", false);
    }
    EXPECT_EQ(console_.At(0, 0).character, 'a');
    trace::TraceText("cd", true);
    trace::TraceInteger(7, false);
    EXPECT_EQ(console_.fileBytes, "cd\r\n 7");
    EXPECT_EQ(console_.queries, 3);
  }
}

TEST_F(TraceConsoleTest, FailingDrawingCallsLoseTheTextOnly) {
  console_.drawingFails = true;
  trace::TraceText("abc", true);
  trace::TraceText("\tz\a", true);
  EXPECT_EQ(console_.Row(0), "..........");
  EXPECT_EQ(console_.fileBytes, "");
  EXPECT_EQ(console_.beeps.size(), 1u);
  EXPECT_EQ(console_.queries, 9);  // set-up, then two for each of the four pieces
}

}  // namespace
