// Splitting, counting and fields: the toolkit's routines that scan a text for a
// delimiter or a pattern. All of them rest on the shared scanner of text/search.h
// and run in time linear in the text plus the pattern, whatever the input.
#pragma once

#include <string>

#include "toolkit/string_array.h"

namespace toolkit {

// Positions count from 1 and every integer may hold any 32-bit value. None of
// these routines throws; a result that cannot be built (memory exhausted) is 0
// or the empty text. Positions and counts being 32-bit, an occurrence is found
// only where it begins at a position up to INT_MAX (this matters only for texts
// longer than 2 GiB, whose length LastPosition reports as INT_MAX).

// Cuts `text` at every occurrence of `delimiter`, found left to right without
// overlap, into `parts`, whose former elements are all released. Returns the
// number of delimiters found, which is also the upper bound of `parts`: the text
// yields that many plus one fields, empty ones included. Zero bytes of the text
// appear in no field (a delimiter may still contain them). An empty delimiter, a
// text without the delimiter and a delimiter longer than the text give 0 with
// the whole text, less its zero bytes, in element 0; an empty text gives 0 and
// one empty element. When memory runs out, returns 0 with one empty element
// (or none, if even that cannot be had).
//   SplitText("a,b,,c", ",", parts) == 3, parts == {"a", "b", "", "c"}
//   SplitText(",a,", ",", parts) == 2, parts == {"", "a", ""}
//   SplitText("ab:", "::", parts) == 0, parts == {"ab:"}
int SplitText(const std::string& text, const std::string& delimiter, StringArray& parts);

// The number of occurrences of `pattern` in `text`, overlapping ones included.
// 0 when either is empty or the pattern is longer than the text.
//   CountOccurrences("aaaa", "aa") == 3;  CountOccurrences("abab", "ab") == 2
int CountOccurrences(const std::string& text, const std::string& pattern);

// Field `fieldNumber` of `text`, fields being the pieces between occurrences of
// `delimiter` (left to right, without overlap), numbered from 1. With D
// delimiters: numbers 1 to D give the field before each delimiter; D + 1 and
// above the field after the last one (the whole text when D is 0); a number
// below 1 gives field D, or the empty text when there is no delimiter. Fields
// keep their zero bytes. An empty delimiter occurs nowhere.
//   FieldAt("a,b,c", ",", 2) == "b";  FieldAt("a,b,c", ",", 9) == "c";
//   FieldAt("a,b,c", ",", 0) == "b";  FieldAt("abc", ",", 0) == ""
std::string FieldAt(const std::string& text, const std::string& delimiter, int fieldNumber);

// The position of the first byte of the last occurrence of `pattern` lying
// wholly within the first `limit` bytes of `text`, overlapping occurrences
// included; 0 when there is none. A limit of -1 is first replaced, in the
// caller's variable, by the text's length; any other negative limit, and a
// limit at or beyond the length, mean the whole text; a limit of 0 an empty one.
//   limit = -1: LastPosition(limit, "a\\b\\c", "\\") == 4, then limit == 5
//   limit = 3:  LastPosition(limit, "a\\b\\c", "\\") == 2
//   limit = -1: LastPosition(limit, "aaa", "aa") == 2
int LastPosition(int& limit, const std::string& text, const std::string& pattern);

}  // namespace toolkit
