// The trace writer: turns items into pieces, sets itself up at the first piece
// (both standard handles, processed input, mode), and hands each piece to WriteFile
// or, while standard output is a usable console, draws it into the screen buffer.

#include "trace/trace.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "trace/console.h"
#include "trace/writer.h"

namespace trace {
namespace {

// A lock that needs no constructor: std::mutex is not constant-initialised with the
// Windows threads library (its static initialiser is a cast), and the writer must
// work before, and without, any static constructor. Holders keep it for a few
// system calls only.
class SpinLock {
 public:
  void lock() noexcept {
    while (flag_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() noexcept { flag_.clear(std::memory_order_release); }

 private:
  std::atomic_flag flag_;
};

// Process-wide state. Everything is constant-initialised, so the writer works even
// for pieces delivered before any static constructor has run, and nothing needs a
// destructor at unload. `ready` is published with release order after the handles
// are stored, so a thread that sees it set reads the handles without the lock.
struct Writer {
  SpinLock lock;  // guards set-up and console drawing
  std::atomic<bool> ready{false};
  std::atomic<bool> consoleMode{false};
  platform::Handle input = nullptr;
  platform::Handle output = nullptr;
  detail::ConsoleState console;  // only with `lock` held
};

constinit Writer writer;

void SetUpLocked() {
  platform::Calls& system = platform::System();
  writer.input = system.GetStandardHandle(platform::StandardHandleKind::kInput);
  writer.output = system.GetStandardHandle(platform::StandardHandleKind::kOutput);
  std::uint32_t mode = 0;
  if (writer.input != nullptr && system.GetConsoleMode(writer.input, &mode)) {
    system.SetConsoleMode(writer.input, mode | platform::kProcessedInput);
  }
  writer.console = detail::ConsoleState{};
  writer.consoleMode.store(detail::QueryConsoleView(writer.output, writer.console), std::memory_order_relaxed);
  writer.ready.store(true, std::memory_order_release);
}

void SetUpOnce() {
  if (writer.ready.load(std::memory_order_acquire)) return;
  const std::lock_guard<SpinLock> guard(writer.lock);
  if (!writer.ready.load(std::memory_order_relaxed)) SetUpLocked();
}

// WriteFile until the piece is gone. A failed call drops the rest of the piece; a
// call that reports success with 0 bytes (or more bytes than offered) ends it too,
// so a stuck handle cannot hold the caller forever.
void WritePiece(platform::Handle output, const char* bytes, std::size_t count) {
  // One call never offers more than 1 GiB, so the count always fits the 32-bit size.
  constexpr std::size_t kMostPerCall = std::size_t{1} << 30;
  while (count > 0) {
    const auto offered = static_cast<std::uint32_t>(count < kMostPerCall ? count : kMostPerCall);
    std::uint32_t written = 0;
    if (!platform::System().WriteFile(output, bytes, offered, &written)) return;
    if (written == 0 || written > offered) return;
    bytes += written;
    count -= written;
  }
}

void Deliver(const char* bytes, std::size_t count) {
  if (count == 0) return;
  SetUpOnce();
  if (writer.consoleMode.load(std::memory_order_acquire)) {
    const std::lock_guard<SpinLock> guard(writer.lock);
    // Another thread may have switched to file mode while this one waited.
    if (writer.consoleMode.load(std::memory_order_relaxed)) {
      detail::DrawPiece(writer.output, writer.console, std::string_view(bytes, count));
      if (!detail::QueryConsoleView(writer.output, writer.console)) {
        writer.consoleMode.store(false, std::memory_order_release);
      }
      return;
    }
  }
  WritePiece(writer.output, bytes, count);
}

}  // namespace

void TraceText(std::string_view text, bool newline) {
  Deliver(text.data(), text.size());
  if (newline) Deliver("\r\n", 2);
}

void TraceInteger(int value, bool newline) {
  char piece[detail::kIntegerPieceSize];
  Deliver(piece, detail::FormatInteger(value, newline, piece));
}

OutputSpan::OutputSpan() noexcept { platform::System().BeginOutputSpan(); }
OutputSpan::~OutputSpan() { platform::System().EndOutputSpan(); }

namespace detail {

std::size_t FormatInteger(int value, bool newline, char (&piece)[kIntegerPieceSize]) {
  // The magnitude in unsigned arithmetic, where -INT_MIN is representable.
  std::uint32_t magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) magnitude = 0u - magnitude;
  char digits[10];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::size_t length = 0;
  piece[length++] = value < 0 ? '-' : ' ';
  while (count > 0) piece[length++] = digits[--count];
  if (newline) {
    piece[length++] = '\r';
    piece[length++] = '\n';
  }
  return length;
}

void ResetWriterForTests() {
  const std::lock_guard<SpinLock> guard(writer.lock);
  writer.input = nullptr;
  writer.output = nullptr;
  writer.console = ConsoleState{};
  writer.consoleMode.store(false, std::memory_order_relaxed);
  writer.ready.store(false, std::memory_order_release);
}

}  // namespace detail
}  // namespace trace
