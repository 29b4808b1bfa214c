// The file layer: the table of open files, the open modes with their fall-backs,
// and the text-mode reader that delivers line pieces while keeping the position
// in real bytes of the file, so the end test never runs ahead of the data.

#include "toolkit/file_layer.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/platform.h"
#include "toolkit/pieces.h"

namespace toolkit::file_layer {
namespace {

constexpr int kPieceLimit = kPieceBufferSize - 1;
constexpr char kCtrlZ = '\x1A';

// Text mode done here rather than by the runtime library: msvcrt's ftell on a
// text stream counts every LF still in its buffer as CR LF (measured under
// Wine 8), so on LF files it runs ahead of the real position and an end test
// built on it drops the last lines. Reading binary and translating here gives
// the same bytes as the runtime's text mode (CR removed only before LF, data
// ending at 0x1A, checked against Wine's "rt" streams) with exact positions.
struct TextReader {
  char raw[kStreamBufferSize];
  std::size_t next = 0;       // first unconsumed byte of raw
  std::size_t end = 0;        // end of the data held in raw
  long long fetched = 0;      // bytes of the file taken into raw so far
  bool stopAtEnd = false;     // a 0x1A byte follows the data held in raw
  bool dataEnded = false;     // the stream delivered nothing more
  bool failed = false;        // the stream reported a read error
};

struct Entry {
  platform::Stream stream;
  TextReader* reader;  // text entries only
  Access access;
  int length;
};

// Index 0 is unused so that entries go by their numbers. Zero-initialised, so
// the table is clear as soon as the module is loaded.
Entry table[kLastNumber + 1];
bool closeAllRegistered = false;

bool InUse(int number) {
  return number >= kFirstNumber && number <= kLastNumber && table[number].stream != nullptr;
}

// Keeps any unconsumed bytes (at most a CR waiting for its successor) at the
// front of raw and reads more behind them. Returns true when new bytes came.
bool Fill(platform::Stream stream, TextReader& reader) {
  if (reader.stopAtEnd || reader.dataEnded) {
    reader.dataEnded = true;
    return false;
  }
  const std::size_t kept = reader.end - reader.next;
  if (kept != 0 && reader.next != 0) std::memmove(reader.raw, reader.raw + reader.next, kept);
  reader.next = 0;
  reader.end = kept;
  const platform::Calls& system = platform::System();
  std::size_t got = system.Read(stream, reader.raw + kept, sizeof reader.raw - kept);
  if (got == 0) {
    reader.dataEnded = true;
    if (system.Failed(stream)) reader.failed = true;
    return false;
  }
  if (const void* stop = std::memchr(reader.raw + kept, kCtrlZ, got)) {
    got = static_cast<std::size_t>(static_cast<const char*>(stop) - (reader.raw + kept));
    reader.stopAtEnd = true;
  }
  reader.end = kept + got;
  reader.fetched += static_cast<long long>(got);
  return got != 0;
}

// The last two bytes stored in a piece, taken from where they were copied
// from: reading them back from the piece just after the copy would wait for
// the copy's stores to land.
struct PieceTail {
  char beforeLast = '\0';
  char last = '\0';

  void Note(const char* bytes, std::size_t count) {
    if (count == 0) return;
    beforeLast = count >= 2 ? bytes[count - 2] : last;
    last = bytes[count - 1];
  }
};

// One piece as fgets with a 512-byte buffer gives it on a text stream: at most
// 511 translated bytes, ending after an LF if one comes first. Returns the
// number of bytes stored in piece; 0 when the data is used up.
int ReadPiece(platform::Stream stream, TextReader& reader, char* piece, PieceTail& tail) {
  int count = 0;
  while (count < kPieceLimit) {
    if (reader.next == reader.end && !Fill(stream, reader)) break;
    const char* start = reader.raw + reader.next;
    const std::size_t window =
        std::min(reader.end - reader.next, static_cast<std::size_t>(kPieceLimit - count));
    const void* lineFeed = std::memchr(start, '\n', window);
    const std::size_t span =
        lineFeed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1 : window;
    if (const void* found = std::memchr(start, '\r', span)) {
      const auto before = static_cast<std::size_t>(static_cast<const char*>(found) - start);
      std::memcpy(piece + count, start, before);
      tail.Note(start, before);
      count += static_cast<int>(before);
      reader.next += before;
      // The CR is removed only when an LF follows it in the file; when it is the
      // last byte held, the next one has to be fetched first.
      if (reader.next + 1 == reader.end) Fill(stream, reader);
      if (reader.next + 1 < reader.end && reader.raw[reader.next + 1] == '\n') {
        ++reader.next;
      } else if (count < kPieceLimit) {
        piece[count++] = '\r';
        tail.Note("\r", 1);
        ++reader.next;
      }
      continue;
    }
    std::memcpy(piece + count, start, span);
    tail.Note(start, span);
    count += static_cast<int>(span);
    reader.next += span;
    if (lineFeed != nullptr) break;
  }
  return count;
}

long long PositionOf(const TextReader& reader) {
  return reader.fetched - static_cast<long long>(reader.end - reader.next);
}

// Opens the working copy of `path` (every "/" turned into a backslash) with
// `mode`. Registers the close-all action at the first attempt of the process.
platform::Stream OpenStream(const std::string& path, const char* mode) {
  if (!closeAllRegistered) {
    closeAllRegistered = true;
    platform::RegisterShutdownAction(&CloseAll);
  }
  // The path crosses to the platform as a C string; one with a zero byte
  // inside would be cut short and open a different file.
  if (path.find('\0') != std::string::npos) return nullptr;
  std::string working;
  if (!detail::Guarded([&] { working = path; return true; }, false)) return nullptr;
  std::replace(working.begin(), working.end(), '/', '\\');
  return platform::System().Open(working.c_str(), mode);
}

int FreeNumber() {
  for (int number = kFirstNumber; number <= kLastNumber; ++number) {
    if (table[number].stream == nullptr) return number;
  }
  return 0;
}

int MeasureLength(platform::Stream stream) {
  const platform::Calls& system = platform::System();
  if (!system.Seek(stream, 0, platform::SeekOrigin::kEnd)) return 0;
  const long end = system.Tell(stream);
  system.Seek(stream, 0, platform::SeekOrigin::kStart);
  if (end < 0) return 0;
  return end > INT_MAX ? INT_MAX : static_cast<int>(end);
}

// Takes the lowest free number for a stream opened with the first mode that
// works; sets it up as every open stream is set up.
int Install(const std::string& path, const char* const* modes, int modeCount, bool text) {
  const int number = FreeNumber();
  if (number == 0) return 0;
  const platform::Calls& system = platform::System();
  platform::Stream stream = nullptr;
  int used = 0;
  for (; used < modeCount && stream == nullptr; ++used) stream = OpenStream(path, modes[used]);
  if (stream == nullptr) return 0;
  TextReader* reader = nullptr;
  if (text) {
    reader = new (std::nothrow) TextReader();
    if (reader == nullptr) {
      system.Close(stream);
      return 0;
    }
  }
  system.SetFullBuffering(stream, kStreamBufferSize);
  const int length = MeasureLength(stream);
  const bool readOnly = std::strchr(modes[used - 1], '+') == nullptr;
  table[number] = Entry{stream, reader, readOnly ? Access::kReadOnly : Access::kReadWrite, length};
  return number;
}

}  // namespace

int OpenTextReading(const std::string& path) {
  static const char* const modes[] = {"rb"};
  return Install(path, modes, 1, true);
}

int OpenBinaryReading(const std::string& path) {
  static const char* const modes[] = {"rb"};
  return Install(path, modes, 1, false);
}

int OpenBinaryReadWrite(const std::string& path) {
  static const char* const modes[] = {"r+b", "w+b", "rb"};
  return Install(path, modes, 3, false);
}

Access AccessOf(int number) { return InUse(number) ? table[number].access : Access::kReadOnly; }

int Length(int number) { return InUse(number) ? table[number].length : 0; }

std::size_t ReadBytes(int number, char* buffer, std::size_t count) {
  if (!InUse(number) || table[number].reader != nullptr) return 0;
  const std::size_t got = platform::System().Read(table[number].stream, buffer, count);
  const std::size_t delivered = std::min(got, count);
  if (delivered < count) std::memset(buffer + delivered, 0, count - delivered);
  return delivered;
}

LineResult ReadLine(int number, std::string& line) {
  line.clear();
  if (!InUse(number) || table[number].reader == nullptr) return LineResult::kLine;
  TextReader& reader = *table[number].reader;
  platform::Stream stream = table[number].stream;
  char piece[kPieceBufferSize];
  const bool read = detail::Guarded(
      [&] {
        for (;;) {
          PieceTail tail;
          const int count = ReadPiece(stream, reader, piece, tail);
          if (count == 0) break;
          int last = count - 1;
          char byte = tail.last;
          char beforeLast = tail.beforeLast;
          if (byte == '\0') {  // zero bytes end the piece: the last non-zero one decides
            while (last >= 0 && piece[last] == '\0') --last;
            if (last < 0) continue;
            byte = piece[last];
            beforeLast = last > 0 ? piece[last - 1] : '\0';
          }
          if (byte == '\n' || byte == '\r') {
            const int keep = byte == '\n' && last > 0 && beforeLast == '\r' ? last - 1 : last;
            line.append(piece, static_cast<std::size_t>(keep));
            break;
          }
          line.append(piece, static_cast<std::size_t>(last) + 1);
        }
        return true;
      },
      false);
  if (!read) return LineResult::kError;
  return reader.failed ? LineResult::kError : LineResult::kLine;
}

bool AtEnd(int number) {
  if (!InUse(number)) return true;
  const Entry& entry = table[number];
  if (entry.reader == nullptr) return platform::System().AtEnd(entry.stream);
  TextReader& reader = *entry.reader;
  if (reader.next == reader.end && (reader.dataEnded || reader.stopAtEnd)) return true;
  if (PositionOf(reader) >= entry.length) return true;
  // Below the length with nothing buffered: look whether the data goes on, so
  // that data ending early (a 0x1A byte, a file cut short since the open) ends
  // the reading instead of giving a further empty line.
  if (reader.next == reader.end) Fill(entry.stream, reader);
  return reader.next == reader.end;
}

long long Position(int number) {
  return InUse(number) && table[number].reader != nullptr ? PositionOf(*table[number].reader) : 0;
}

bool ReadFailed(int number) { return InUse(number) && table[number].reader != nullptr && table[number].reader->failed; }

void Close(int number) {
  if (!InUse(number)) return;
  platform::System().Close(table[number].stream);
  delete table[number].reader;
  table[number] = Entry{};
}

void CloseAll() {
  for (int number = kFirstNumber; number <= kLastNumber; ++number) Close(number);
}

int OpenCount() {
  int count = 0;
  for (int number = kFirstNumber; number <= kLastNumber; ++number) count += InUse(number) ? 1 : 0;
  return count;
}

}  // namespace toolkit::file_layer
