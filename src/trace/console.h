// Drawing trace pieces straight into a console screen buffer, as plain logic over
// the console calls of the platform table (so tests can give it an in-memory
// console), and the view query that decides between console and file mode.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace trace::detail {

// What the writer keeps about the console between pieces.
struct ConsoleState {
  // The view: left column 0, right column = buffer width - 1, top and bottom rows
  // of the window, all in buffer coordinates.
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  // The window's own columns as last reported; a window narrower than the buffer
  // keeps them when the view is shown after moving down.
  int windowLeft = 0;
  int windowRight = 0;
  // Set when a piece ended by filling the last cell of the view's bottom row: the
  // cursor is parked there and moves to the next row only when more text follows.
  bool deferredWrap = false;
};

// Queries the screen buffer of `output` and stores the view in `state` (all four
// edges 0 when the query fails). Returns true for console mode: the view is at
// least two columns wide and two rows high. The deferred wrap is left as it is.
//   a 120 x 9001 buffer showing rows 30..59  ->  view 0..119 x 30..59, true
//   a failing query, or a buffer one column wide  ->  false
bool QueryConsoleView(platform::Handle output, ConsoleState& state);

// Draws one piece at the console's cursor in its current attributes: BEL beeps
// (1000 Hz, 250 ms), BS moves left unless at the left column, TAB pads with spaces
// to the next multiple of 8 from the left column (never past the right column), LF
// goes to the left column of the next row, CR to the left column; every other byte
// fills one cell, in runs of at most 256 cells. The view is the window as this
// piece's own screen-buffer query reports it, and follows the cursor down the
// buffer; past the buffer's last row the content scrolls up and the freed row is
// blanked in the current attributes. Filling the last cell of the view's bottom
// row parks the cursor there and sets the deferred wrap. Failing calls are
// ignored; a failing screen-buffer query means an 80 x 25 buffer, attribute 7, the
// cursor at the view's top-left corner and the view as `state` holds it.
//   "ab\r\n" at (5, 3)  ->  'a' at (5, 3), 'b' at (6, 3), cursor (0, 4)
void DrawPiece(platform::Handle output, ConsoleState& state, std::string_view piece);

}  // namespace trace::detail
