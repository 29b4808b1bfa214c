// The toolkit's file layer: one process-wide table of open files numbered 1 to
// 254 over the runtime library's streams, with the operations the file routines
// are built from (open, length, read bytes, read one line, end test, close) and
// the close-all action that runs at unload. One thread at a time.
#pragma once

#include <cstddef>
#include <string>

namespace toolkit::file_layer {

inline constexpr int kFirstNumber = 1;
inline constexpr int kLastNumber = 254;
// Every stream gets a fully buffered buffer of this size.
inline constexpr std::size_t kStreamBufferSize = 8192;
// A line is read in blocks of at most kBlockBufferSize - 1 bytes.
inline constexpr int kBlockBufferSize = 512;

enum class Access { kReadOnly, kReadWrite };

// Each open copies the path, turns every "/" into a backslash, and opens the
// file under that copy in the lowest free number. It returns that number, or 0
// when the open failed (missing file, a directory, no access, the file held
// exclusively elsewhere, every number in use) and the table is unchanged. After
// a successful open the stream is fully buffered with kStreamBufferSize bytes,
// its length is measured and stored, and it stands at its start. The first open
// attempt of the process, successful or not, registers CloseAll in the module's
// shut-down list (a refused registration is ignored).

// Text reading. The file is opened binary and the layer does the text-mode
// translation itself, exactly as the runtime library's text mode does: a CR
// directly before an LF is removed, every other CR stays, and the data ends
// at the first 0x1A byte. Positions stay in real bytes of the file.
//   "a\r\nb\rc\r\r\nd\x1ae" reads as "a\nb\rc\r\nd"
int OpenTextReading(const std::string& path);

// Binary, read only ("rb"). Never creates or changes a file.
int OpenBinaryReading(const std::string& path);

// Binary, read and write: "r+b"; failing that "w+b", which creates a missing
// file (and empties one that exists but cannot be opened for update); failing
// that "rb", with read-only access.
int OpenBinaryReadWrite(const std::string& path);

// The access an entry was granted; kReadOnly for a number not in use.
Access AccessOf(int number);

// The length in bytes measured right after the open; 0 for a number not in
// use. A length that does not fit a 32-bit signed integer is INT_MAX, one that
// cannot be measured 0.
int Length(int number);

// Reads up to `count` bytes from the current position of a binary entry into
// `buffer`; the bytes the file does not deliver are set to zero. Returns the
// number delivered. A number not in use (or a text entry) delivers nothing and
// leaves the buffer alone.
//   file "abc", ReadBytes(n, buffer, 5) == 3, buffer == "abc\0\0"
std::size_t ReadBytes(int number, char* buffer, std::size_t count);

enum class LineResult { kLine, kError };

// Reads one line of a text entry into `line`, replacing its content. Blocks of
// at most 511 bytes are taken, each ending after an LF if one comes first; the
// last non-zero byte of a block decides: an LF or CR ends the line and is
// dropped (an LF with a CR just before it in the block drops both), any other
// byte continues the line with the next block. Zero bytes at the end of a block
// are dropped; a CR that is the last byte of a block ends the line. Gives
// kError, with `line` holding what was gathered, when the stream reports a read
// error or the line's memory cannot be had. A number not in use gives an empty
// line.
//   "a\r\nb" -> "a", then "b";  "x\ry\n" -> "x\ry"
LineResult ReadLine(int number, std::string& line);

// True when a text entry is at its end: the end of the data was met (end of
// file, a 0x1A byte, a read error), or the position, in real bytes of the file,
// is at or beyond the length measured at open, or the data ends right at the
// position (a 0x1A byte is next). A number not in use is always at its end.
bool AtEnd(int number);

// The position of a text entry in real bytes of the file: how far its lines
// have been read. 0 for a number not in use.
long long Position(int number);

// True when the stream of a text entry has reported a read error (as opposed
// to the end of its data). False for a number not in use.
bool ReadFailed(int number);

// Closes the stream and frees the number; a number not in use does nothing.
void Close(int number);

// Closes every entry still in use and clears the table: the shut-down action.
void CloseAll();

// How many numbers are in use (for tests and diagnostics).
int OpenCount();

}  // namespace toolkit::file_layer
