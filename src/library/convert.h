// The conversion entry: measures a zero-terminated source, decodes it from one
// code page to UTF-16 and encodes it into another through the platform's two
// conversion calls, copies the result into the caller's buffer and writes the
// seven trace lines. The export glue (entry_win32.cpp, entry_posix.cpp) calls it.
#pragma once

#include <cstddef>

namespace library {

// The longest source the entry converts: twice its length must still fit the
// 32-bit signed count that both scratch strings and the encode call are sized by.
inline constexpr std::size_t kLongestSource = (std::size_t{1} << 30) - 1;

// Converts `strIn` (bytes before its first zero byte; null counts as empty) from
// code page `nFromCP` to `nToCP` into `strOut`, followed by one zero byte, and
// returns 1, always. `strOut` must hold 2 * length + 1 bytes and may be the same
// buffer as `strIn`; when it is null nothing is written. A conversion that fails
// (unknown code page, a result that does not fit 2 * length bytes, scratch memory
// that cannot be had) leaves only the zero byte. The trace lines, each ending in
// "\r\n", are: "nLen=" length, "strDst=" and "strRet=" both scratch strings as
// made, "nRet=" decoded count, "strRet=" after encoding, "nRet=" encoded count,
// "strOut=" the result read back. Nothing is thrown; only the unwinding of a
// thread that is cancelled or exits inside the call (pthread_cancel,
// pthread_exit) passes through, so that thread ends as its host asked.
//   Convert("abc", 1251, 866, out) == 1, out = "abc", trace "nLen= 3\r\n"
//   "strDst=,,,,,,\r\n" "strRet=------\r\n" "nRet= 3\r\n" "strRet=abc---\r\n"
//   "nRet= 3\r\n" "strOut=abc\r\n"
int Convert(const char* strIn, int nFromCP, int nToCP, char* strOut);

// Convert with the source's length already measured. A length above
// kLongestSource is a failed conversion made without any allocation or platform
// call: lines 2, 3 and 5 are empty after their labels, both counts are 0 and
// `strOut` receives one zero byte. The length is traced as it is, or as
// 2147483647 when it does not fit a 32-bit signed integer.
//   ConvertMeasured(p, std::size_t{1} << 30, 1251, 866, out): "nLen= 1073741824", out = ""
int ConvertMeasured(const char* strIn, std::size_t length, int nFromCP, int nToCP, char* strOut);

}  // namespace library
