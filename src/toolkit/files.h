// The toolkit's file routines: whether a file matching a path exists, its
// length, its whole content and its lines. They report failure only through
// their results (0 or the empty text); nothing is written anywhere and nothing
// throws. Files are opened through the file layer and closed before return.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/string_array.h"

namespace toolkit {

// Attribute bits an entry may carry and still count as a file: read-only and
// archive. Directories, hidden and system files and volume labels do not count;
// bits above the low eight are ignored.
inline constexpr std::uint32_t kFileExistsAllowed = 0x21;
// First size of the line array of ReadLines; it then grows by half its size.
inline constexpr int kReadLinesInitialCapacity = 20000;

// 1 when an entry of the directory search for `path` counts as a file, else 0.
// The path is a search pattern, so "*" and "?" work in its last component; the
// search is kept open after a hit, and an empty path goes on with it from the
// last entry found (0 when no search is open, or when it runs out, which closes
// it). A path holding a zero byte names nothing and gives 0.
//   FileExists("dir\\*.txt") == 1 with two files a.txt, b.txt there;
//   then FileExists("") == 1, FileExists("") == 0, FileExists("") == 0
std::int8_t FileExists(const std::string& path);

// The bytes of the file before its first zero byte, exactly as stored (line
// ends untranslated). Opens the file for reading only: a missing path gives ""
// and creates nothing, and no file is ever changed. "" too for a directory, a
// file that cannot be read, or a file too large for memory; on Linux also, at
// once, for a FIFO, socket or device, which are not files. Reads at most the
// length measured first, plus one byte, even when the file has grown since.
//   file "abc\r\ndef" -> "abc\r\ndef";  file "abc\0de" -> "abc"
std::string ReadWholeFile(const std::string& path);

// The file's length in bytes; 0 when it cannot be opened (missing, a directory,
// no access; on Linux a FIFO, socket or device). The file is closed again before return.
//   5-byte file -> 5;  missing path -> 0
int FileLength(const std::string& path);

// Reads the file as text into `lines`, one line per element from index 0, and
// returns the number of lines. The array is first made 20000 empty elements
// (what it held is released) and grows to 30000, 45000, 67500, ... only when a
// further line is to be read; elements past the count stay empty. A CR LF or LF
// ends a line (the last line needs none), a 0x1A byte ends the data, and a lone
// CR stays in the line unless it falls at the end of a 511-byte piece, where it
// ends the line. A read error or memory that cannot be had gives 0, with the
// array keeping the lines stored so far. A file that cannot be opened (as for
// FileLength) gives 0 and 20000 empty elements.
//   "a\r\nb" -> 2, {"a", "b", "", ...};  "a\n\n" -> 2, {"a", "", ...}
int ReadLines(const std::string& path, StringArray& lines);

}  // namespace toolkit
