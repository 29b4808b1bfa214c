// Editing and replacing: routines that build a changed copy of a text. Positions
// count from 1 and may hold any 32-bit value; sums of positions and counts are
// exact, never wrapped. Zero bytes are bytes like any other.
#pragma once

#include <string>

namespace toolkit {

// None of these routines throws: a result that cannot be built (memory
// exhausted, or longer than a std::string can hold) is the empty text.

// The first position - 1 bytes of `text` followed by its bytes from position
// position + count on, each piece cut by the text rules. So it removes `count`
// bytes from `position`; a count of 0 or a position beyond the end changes
// nothing, a span past the end cuts the text at position, a negative count whose
// sum with position is still at least 1 repeats bytes, and a sum below 1 leaves
// only the first part (empty for a position of 1 or less).
//   DeleteSpan("abcdef", 3, 2) == "abef";   DeleteSpan("abcdef", 5, 10) == "abcd"
//   DeleteSpan("abcdef", 3, -1) == "abbcdef"; DeleteSpan("abcdef", 0, 2) == "bcdef"
//   DeleteSpan("abcdef", INT_MIN, 5) == ""
std::string DeleteSpan(const std::string& text, int position, int count);

// `insertion` placed before the byte at `position`: position 1 puts it in front,
// a position past the end appends it, and a position below 1 gives the
// insertion alone.
//   InsertText("abc", "X", 2) == "aXbc";  InsertText("abc", "X", 10) == "abcX";
//   InsertText("abc", "X", 0) == "X"
std::string InsertText(const std::string& text, const std::string& insertion, int position);

// Copies `source` over `text` in place from `position` and returns a copy of the
// text as it then stands. The text's length never changes: source bytes that do
// not fit are dropped, and nothing happens when either string is empty or the
// position lies outside 1 to the text's length.
//   text "abcdef": OverwriteText(text, "XYZ", 5) == "abcdXY", text == "abcdXY"
std::string OverwriteText(std::string& text, const std::string& source, int position);

// `text` with every occurrence of `pattern`, found left to right without
// overlap, replaced by `replacement`; the replacement is not searched again. The
// text comes back unchanged when the pattern is empty, longer than the text or
// absent. The result is allocated once, at its final length.
//   ReplaceAll("a.b.c", ".", "/") == "a/b/c";  ReplaceAll("aaa", "aa", "b") == "ba";
//   ReplaceAll("abcabc", "bc", "") == "aa"
std::string ReplaceAll(const std::string& text, const std::string& pattern, const std::string& replacement);

// The bytes of `text` in reverse order.
//   ReverseText("abc") == "cba";  ReverseText("") == ""
std::string ReverseText(const std::string& text);

}  // namespace toolkit
