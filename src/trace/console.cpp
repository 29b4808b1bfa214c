// Console drawing of trace pieces and the view query behind the mode choice. The
// piece is walked byte by byte; printable bytes collect in a run that is drawn in
// one call when a control byte, the right column or the run limit ends it.

#include "trace/console.h"

#include <algorithm>
#include <cstdint>

namespace trace::detail {
namespace {

constexpr int kRunLimit = 256;
constexpr int kTabWidth = 8;
constexpr int kBeepHertz = 1000;
constexpr int kBeepMilliseconds = 250;

// Stand-ins when the screen-buffer query fails during drawing.
constexpr int kFallbackWidth = 80;
constexpr int kFallbackHeight = 25;
constexpr std::uint16_t kFallbackAttributes = 7;

// The view as a screen-buffer query reports it.
ConsoleState ViewOf(const platform::ConsoleInfo& info, const ConsoleState& state) {
  ConsoleState view = state;
  view.left = 0;
  view.right = info.width - 1;
  view.top = info.window.top;
  view.bottom = info.window.bottom;
  view.windowLeft = info.window.left;
  view.windowRight = info.window.right;
  return view;
}

// At least two columns and two rows, in rows that exist. A console never reports
// an inverted or negative window, but a view that did would leave no column or row
// to draw in, so it counts as no console at all.
bool Usable(const ConsoleState& view) { return view.right > view.left && view.bottom > view.top && view.top >= 0; }

class Drawing {
 public:
  Drawing(platform::Handle output, ConsoleState& state) : system_(platform::System()), output_(output), state_(state) {
    platform::ConsoleInfo info;
    if (system_.GetConsoleInfo(output_, &info)) {
      // The window may have been moved since the last piece (by the user or the
      // host); draw in the view as it is now.
      const ConsoleState now = ViewOf(info, state_);
      if (Usable(now)) state_ = now;
      width_ = info.width;
      height_ = info.height;
      attributes_ = info.attributes;
      column_ = info.cursorColumn;
      row_ = info.cursorRow;
    } else {
      column_ = state_.left;
      row_ = state_.top;
    }
    // With the defaults standing in, the buffer may seem to have fewer rows than
    // the view shows; the view's bottom then counts as the last row, so the cursor
    // is never pulled far up by one scroll.
    lastRow_ = std::max(height_ - 1, state_.bottom);
    usable_ = Usable(state_);
    if (usable_) {
      column_ = std::clamp(column_, state_.left, state_.right);
      row_ = std::clamp(row_, 0, lastRow_);
    }
  }

  void Draw(std::string_view piece) {
    if (!usable_) return;
    if (state_.deferredWrap) {
      state_.deferredWrap = false;
      NextRow();
    }
    for (const char byte : piece) {
      // The wrap after a filled right column happens only when more text follows.
      if (wrapPending_) {
        wrapPending_ = false;
        NextRow();
      }
      switch (byte) {
        case '\a':
          Flush();
          system_.Beep(kBeepHertz, kBeepMilliseconds);
          break;
        case '\b':
          Flush();
          if (column_ > state_.left) --column_;
          break;
        case '\t': {
          // A tab stop beyond the right column pads only to the end of the row.
          const int pad = std::min(kTabWidth - (column_ - state_.left) % kTabWidth, state_.right - column_ + 1);
          for (int i = 0; i < pad; ++i) PutCell(' ');
          break;
        }
        case '\n':
          NextRow();
          break;
        case '\r':
          Flush();
          column_ = state_.left;
          break;
        default:
          PutCell(byte);
          break;
      }
    }
    Flush();
    if (wrapPending_) {
      // The last cell of the bottom row was filled: park on it instead of moving
      // the view, and wrap at the next piece.
      if (row_ == state_.bottom) {
        state_.deferredWrap = true;
      } else {
        NextRow();
      }
    }
    system_.SetConsoleCursor(output_, column_, row_);
    if (viewMoved_) {
      system_.SetConsoleWindow(output_,
                               platform::ConsoleRect{state_.windowLeft, state_.top, state_.windowRight, state_.bottom});
    }
  }

 private:
  void PutCell(char byte) {
    if (runLength_ == 0) runColumn_ = column_;
    run_[runLength_++] = byte;
    if (column_ == state_.right) {
      Flush();
      wrapPending_ = true;
      return;
    }
    ++column_;
    if (runLength_ == kRunLimit) Flush();
  }

  void Flush() {
    if (runLength_ == 0) return;
    system_.WriteConsoleCells(output_, run_, runLength_, attributes_, runColumn_, row_);
    runLength_ = 0;
  }

  // The left column of the next row: past the view's bottom the view moves down
  // while the buffer has rows below it; past the buffer's last row the content
  // scrolls up instead.
  void NextRow() {
    Flush();
    column_ = state_.left;
    ++row_;
    if (row_ <= state_.bottom) return;
    const int move = std::min(row_ - state_.bottom, lastRow_ - state_.bottom);
    if (move > 0) {
      state_.top += move;
      state_.bottom += move;
      viewMoved_ = true;
    }
    if (row_ > lastRow_) {
      ScrollUp(row_ - lastRow_);
      row_ = lastRow_;
    }
  }

  void ScrollUp(int rows) {
    const int right = width_ - 1;
    system_.ScrollConsole(output_, platform::ConsoleRect{0, rows, right, lastRow_}, 0, 0, ' ', attributes_);
    const int firstFree = lastRow_ - rows + 1;
    system_.FillConsoleCharacter(output_, ' ', width_ * rows, 0, firstFree);
    system_.FillConsoleAttribute(output_, attributes_, width_ * rows, 0, firstFree);
  }

  platform::Calls& system_;
  platform::Handle output_;
  ConsoleState& state_;
  int width_ = kFallbackWidth;
  int height_ = kFallbackHeight;
  std::uint16_t attributes_ = kFallbackAttributes;
  int column_ = 0;
  int row_ = 0;
  int lastRow_ = 0;
  bool usable_ = false;
  bool wrapPending_ = false;
  bool viewMoved_ = false;
  char run_[kRunLimit] = {};
  int runLength_ = 0;
  int runColumn_ = 0;
};

}  // namespace

bool QueryConsoleView(platform::Handle output, ConsoleState& state) {
  platform::ConsoleInfo info;
  if (!platform::System().GetConsoleInfo(output, &info)) {
    state.left = state.top = state.right = state.bottom = 0;
    return false;
  }
  state = ViewOf(info, state);
  return Usable(state);
}

void DrawPiece(platform::Handle output, ConsoleState& state, std::string_view piece) {
  Drawing(output, state).Draw(piece);
}

}  // namespace trace::detail
