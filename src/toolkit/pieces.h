// Internal to the toolkit: the cutting rules for positions computed in 64 bits
// (a position plus a count may leave the 32-bit range), joining pieces with one
// allocation, the part of a text in which an occurrence still has a 32-bit
// position, and the boundary that keeps exceptions inside a routine.
#pragma once

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "text/text.h"

namespace toolkit::detail {

inline std::int64_t Length(std::string_view text) { return static_cast<std::int64_t>(text.size()); }

// text::LeftPart, text::RightPart and text::RestFrom for any 64-bit argument.
// Inside the 32-bit range they are the text rules themselves; beyond it only the
// edges remain: below INT_MIN as for INT_MIN, above INT_MAX the whole text for a
// part and nothing for a rest, unless the text is longer than 2 GiB.
inline std::string_view LeftPart(std::string_view text, std::int64_t count) {
  if (count > INT_MAX) return count >= Length(text) ? text : text.substr(0, static_cast<std::size_t>(count));
  return text::LeftPart(text, count < INT_MIN ? INT_MIN : static_cast<int>(count));
}

inline std::string_view RightPart(std::string_view text, std::int64_t count) {
  if (count > INT_MAX) {
    return count >= Length(text) ? text : text.substr(text.size() - static_cast<std::size_t>(count));
  }
  return text::RightPart(text, count < INT_MIN ? INT_MIN : static_cast<int>(count));
}

inline std::string_view RestFrom(std::string_view text, std::int64_t position) {
  if (position > INT_MAX) {
    return position > Length(text) ? std::string_view() : text.substr(static_cast<std::size_t>(position) - 1);
  }
  return text::RestFrom(text, position < INT_MIN ? INT_MIN : static_cast<int>(position));
}

// Positions and counts are 32-bit: as with text::Search, an occurrence of a
// pattern of `patternLength` bytes is found only where it begins at a position up
// to INT_MAX. This is the part of the text that holds every such occurrence, so a
// count of them never exceeds INT_MAX. Only texts longer than 2 GiB are cut.
inline std::string_view Searchable(std::string_view text, std::size_t patternLength) {
  const std::size_t lastNameable = static_cast<std::size_t>(INT_MAX) - 1;  // as an offset
  if (text.size() < patternLength || text.size() - patternLength <= lastNameable) return text;
  return text.substr(0, lastNameable + patternLength);  // shorter than the text, so no wrap
}

// The pieces one after another in a string allocated once. Throws
// std::length_error when their total exceeds what a std::string can hold (the
// sum is checked, never wrapped) and std::bad_alloc when memory runs out.
//   Join({"ab", "", "c"}) == "abc"
inline std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string joined;
  std::size_t total = 0;
  for (const std::string_view piece : pieces) {
    if (piece.size() > joined.max_size() - total) throw std::length_error("toolkit::detail::Join");
    total += piece.size();
  }
  joined.reserve(total);
  for (const std::string_view piece : pieces) joined.append(piece);
  return joined;
}

// The toolkit's one boundary for running out of memory: what `build` returns, or
// `fallback` when building it runs out of memory or exceeds what a container can
// hold. Every toolkit routine that allocates does so through here, whatever its
// result: a text (the empty text), a count, a flag or a status. Nothing throws
// out of the toolkit.
//   Guarded([&] { return std::string(view); })            "" when memory runs out
//   Guarded([&] { parts.resize(n); return true; }, false)  false when it runs out
template <typename Build, typename Result = std::invoke_result_t<Build&>>
Result Guarded(Build build, Result fallback = Result{}) noexcept {
  try {
    return build();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return fallback;
}

}  // namespace toolkit::detail
