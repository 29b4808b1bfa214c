// Console drawing of trace pieces and the view query behind the mode choice.

#include "trace/console.h"

#include <cstdint>

namespace trace::detail {

bool QueryConsoleView(platform::Handle output, ConsoleState& state) {
  platform::ConsoleInfo info;
  if (!platform::System().GetConsoleInfo(output, &info)) {
    state.left = state.top = state.right = state.bottom = 0;
    return false;
  }
  state.left = 0;
  state.right = info.width - 1;
  state.top = info.window.top;
  state.bottom = info.window.bottom;
  state.windowLeft = info.window.left;
  state.windowRight = info.window.right;
  return state.right != state.left && state.bottom != state.top;
}

void DrawPiece(platform::Handle output, ConsoleState&, std::string_view piece) {
  std::uint32_t written = 0;
  platform::System().WriteFile(output, piece.data(), static_cast<std::uint32_t>(piece.size()), &written);
}

}  // namespace trace::detail
