// The cutting rules of the text string. Every comparison of a position with a
// length is made in 64-bit arithmetic, so INT_MIN and INT_MAX arrive unharmed.

#include "text/text.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "text/search.h"

namespace text {
namespace {

std::int64_t Length(std::string_view text) { return static_cast<std::int64_t>(text.size()); }

}  // namespace

std::string_view LeftPart(std::string_view text, int count) {
  if (count <= 0) return {};
  if (count >= Length(text)) return text;
  return text.substr(0, static_cast<std::size_t>(count));
}

std::string_view RightPart(std::string_view text, int count) {
  if (count <= 0) return {};
  if (count >= Length(text)) return text;
  return text.substr(text.size() - static_cast<std::size_t>(count));
}

std::string_view RestFrom(std::string_view text, int position) {
  if (position < 1 || position > Length(text)) return {};
  return text.substr(static_cast<std::size_t>(position) - 1);
}

std::string_view Substring(std::string_view text, int position, int length) {
  if (text.empty() || position < 1 || position > Length(text) || length == 0) return {};
  const std::int64_t end = static_cast<std::int64_t>(position) - 1 + length;
  if (length < 0 || end > Length(text)) return RestFrom(text, position);
  return text.substr(static_cast<std::size_t>(position) - 1, static_cast<std::size_t>(length));
}

void OverwriteInPlace(std::string& text, std::string_view source, int position) {
  if (text.empty() || source.empty() || position < 1 || position > Length(text)) return;
  const std::size_t at = static_cast<std::size_t>(position) - 1;
  const std::size_t room = text.size() - at;
  const std::size_t count = source.size() < room ? source.size() : room;
  // memmove: the source may be a view into the text itself.
  std::memmove(text.data() + at, source.data(), count);
}

std::string Fill(int count, char byte) {
  if (count <= 0) return {};
  return std::string(static_cast<std::size_t>(count), byte);
}

bool Equal(std::string_view left, std::string_view right) { return left == right; }

int Search(std::string_view text, std::string_view pattern, int start) {
  if (text.empty() || pattern.empty() || start < 1 || start > Length(text) || pattern.size() > text.size()) {
    return 0;
  }
  const std::size_t at = FindFrom(text, pattern, static_cast<std::size_t>(start) - 1);
  // Positions are 32-bit: an occurrence past INT_MAX cannot be named, so it is none.
  if (at == std::string_view::npos || at >= static_cast<std::size_t>(INT_MAX)) return 0;
  return static_cast<int>(at) + 1;
}

}  // namespace text
