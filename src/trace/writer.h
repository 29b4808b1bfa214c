// Internals of the trace writer shared with its tests: the integer piece format and
// a way to put the process-wide writer state back to "not set up".
#pragma once

#include <cstddef>

namespace trace::detail {

// Room for the longest integer piece: "-2147483648" and "\r\n".
inline constexpr std::size_t kIntegerPieceSize = 13;

// Formats `value` with "% d" (a space before a value that is not negative, "-"
// before a negative one, no leading zeros) into `piece`, followed by "\r\n" when
// newline is set, and returns the number of bytes written (2 to 13). No terminating
// zero is written. Exact for every 32-bit value, INT_MIN included.
//   FormatInteger(3, true, piece)            ->  " 3\r\n", 4
//   FormatInteger(-2147483648, false, piece) ->  "-2147483648", 11
std::size_t FormatInteger(int value, bool newline, char (&piece)[kIntegerPieceSize]);

// For tests only: forgets the handles, the mode and the console view, so that the
// next delivered piece sets the writer up again. Must not race with pieces being
// delivered.
void ResetWriterForTests();

}  // namespace trace::detail
