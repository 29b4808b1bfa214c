// The text string and the cutting rules that every routine of the library shares.
// A text string is a std::string: owned, length-counted bytes in whatever code page
// the data is in, possibly empty and possibly holding zero bytes.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Positions count from 1. Positions, lengths and counts arrive as 32-bit signed
// integers and may hold any such value, INT_MIN and INT_MAX included: every rule
// is evaluated with exact arithmetic, so no sum ever wraps into another position.
// The rules that cut return views into their argument; copy them into a
// std::string where a new text string is wanted.

// The first `count` bytes: empty when count <= 0, the whole text when count is at
// least the text's length.
//   LeftPart("abcdef", 2) == "ab";  LeftPart("abc", 9) == "abc";  LeftPart("abc", -1) == ""
std::string_view LeftPart(std::string_view text, int count);

// The last `count` bytes, with the same edges as LeftPart.
//   RightPart("abcdef", 2) == "ef";  RightPart("abc", 0) == ""
std::string_view RightPart(std::string_view text, int count);

// The bytes from `position` to the end: empty when position is below 1 or beyond
// the text's length. A position below 1 is not taken as position 1.
//   RestFrom("abcdef", 3) == "cdef";  RestFrom("abc", 0) == "";  RestFrom("abc", 4) == ""
std::string_view RestFrom(std::string_view text, int position);

// `length` bytes from `position`: empty when the text is empty, the position is
// below 1 or beyond the text's length, or the length is 0; a negative length, or
// one that runs past the end, gives the rest of the text.
//   Substring("abcdef", 2, 3) == "bcd";  Substring("abcdef", 5, 9) == "ef";  Substring("abc", 2, -1) == "bc"
std::string_view Substring(std::string_view text, int position, int length);

// Copies `source` over `text` from `position`, in place; the text's length never
// changes. Nothing happens when either string is empty or the position lies
// outside 1 to the text's length; source bytes that do not fit before the text's
// end are dropped. The source may overlap the text.
//   text "abcdef", OverwriteInPlace(text, "XYZ", 5) -> "abcdXY"
void OverwriteInPlace(std::string& text, std::string_view source, int position);

// `count` copies of `byte`; empty when count <= 0. Throws std::bad_alloc when
// the memory cannot be had.
//   Fill(3, '-') == "---";  Fill(-4, '-') == ""
std::string Fill(int count, char byte);

// The same length and the same bytes.
//   Equal("a\0b"sv, "a\0b"sv) == true;  Equal("a", "a\0"sv) == false
bool Equal(std::string_view left, std::string_view right);

// The search rule: the position of the first occurrence of `pattern` that begins
// at or after `start` and lies wholly inside `text`; 0 when there is none, when
// the text or the pattern is empty, when start is below 1 or beyond the text's
// length, or when the pattern is longer than the text. Linear in the worst case;
// see search.h for counting and finding many occurrences.
//   Search("abcabc", "bc", 1) == 2;  Search("abcabc", "bc", 3) == 5;  Search("abc", "", 1) == 0
int Search(std::string_view text, std::string_view pattern, int start);

}  // namespace text
