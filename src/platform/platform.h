// The one seam between the library and the operating system. Every platform call
// the library makes goes through the table returned by System(), so a test can
// replace any entry (a failed query, a short or failed write, a failed allocation)
// and put it back. The win32 layer calls KERNEL32 and MSVCRT.DLL; the posix layer
// stands in for them. No native type crosses this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace platform {

// ---------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------

using Handle = void*;       // a standard handle; nullptr when there is none
using Stream = void*;       // an open stream of the runtime library
using FindHandle = void*;   // an open directory search
using Library = void*;      // a loaded dynamic library
using ExitAction = void (*)();

// The runtime library's errno value for "not enough memory".
inline constexpr int kErrnoNoMemory = 12;

enum class StandardHandleKind { kInput, kOutput };

// Console input mode bit that makes the console handle Ctrl+C and editing keys.
inline constexpr std::uint32_t kProcessedInput = 0x0001;

// A rectangle of console cells, all four edges inclusive.
struct ConsoleRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// What a screen-buffer query reports.
struct ConsoleInfo {
  int width = 0;             // screen-buffer size in cells
  int height = 0;
  int cursorColumn = 0;
  int cursorRow = 0;
  std::uint16_t attributes = 0;  // current colours
  ConsoleRect window;        // the visible view, in buffer coordinates
};

enum class SeekOrigin { kStart, kCurrent, kEnd };

// One entry of a directory search, as the runtime library's search record holds it.
struct FindRecord {
  std::uint32_t attributes = 0;  // 0x01 read-only, 0x02 hidden, 0x04 system, 0x08 label,
                                 // 0x10 directory, 0x20 archive; higher bits may be set
  char name[260] = {};
};

// ---------------------------------------------------------------------------
// The call table
// ---------------------------------------------------------------------------

struct Calls {
  // Heap of the runtime library (on Windows the process-wide MSVCRT.DLL heap).
  // Allocate returns nullptr on failure.
  void* (*Allocate)(std::size_t size);
  void (*Release)(void* block);
  void (*SetErrno)(int value);

  // Code-page conversion with dwFlags 0. Each returns the number of units or bytes
  // written, or 0 on failure; an input count of 0 fails, an output that does not
  // fit fails, and no terminating zero is ever added. A target count of 0 with a
  // non-empty input asks for the size needed, as the Windows calls do.
  int (*MultiByteToWide)(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount);
  int (*WideToMultiByte)(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount);

  // Standard handles and file output. WriteFile stores the bytes written in
  // `written` and reports success; a failure may still have written some.
  Handle (*GetStandardHandle)(StandardHandleKind kind);
  bool (*GetConsoleMode)(Handle handle, std::uint32_t* mode);
  bool (*SetConsoleMode)(Handle handle, std::uint32_t mode);
  bool (*GetConsoleInfo)(Handle handle, ConsoleInfo* info);
  bool (*WriteFile)(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* written);
  // Bracket the pieces of one traced call on the calling thread, so a layer can do
  // once what each WriteFile would otherwise do for itself (the posix layer keeps
  // SIGPIPE from the thread for the span instead of probing the descriptor before
  // every write). Spans nest; every Begin needs its End on the same thread; writes
  // outside a span are just as safe, only dearer. Windows needs nothing here.
  void (*BeginOutputSpan)();
  void (*EndOutputSpan)();

  // Console drawing. WriteConsoleCells fills `count` cells of one row, from
  // (column, row), with the given bytes, all in the same attributes.
  bool (*WriteConsoleCells)(Handle handle, const char* bytes, int count, std::uint16_t attributes, int column,
                            int row);
  // Moves the cells of `source` so that its top-left corner lands on
  // (destinationColumn, destinationRow); cells left behind get fill and fillAttributes.
  bool (*ScrollConsole)(Handle handle, ConsoleRect source, int destinationColumn, int destinationRow, char fill,
                        std::uint16_t fillAttributes);
  bool (*FillConsoleCharacter)(Handle handle, char character, int count, int column, int row);
  bool (*FillConsoleAttribute)(Handle handle, std::uint16_t attributes, int count, int column, int row);
  bool (*SetConsoleCursor)(Handle handle, int column, int row);
  bool (*SetConsoleWindow)(Handle handle, ConsoleRect window);  // absolute coordinates
  bool (*Beep)(int frequency, int milliseconds);

  // Module load and unload.
  // Sets the calling thread's x87 control word: 64-bit significand and
  // round-to-nearest, every other bit kept (_controlfp(0, _MCW_PC | _MCW_RC)).
  void (*SetLoadingThreadFloatingPoint)();
  // The runtime library's registration service for dynamically loaded modules
  // (__dllonexit): appends `action` to the table [*start, *end), growing it as
  // needed, and stores the table's new bounds back. Returns `action`, or nullptr
  // when the action could not be registered.
  ExitAction (*RegisterExitAction)(ExitAction action, ExitAction** start, ExitAction** end);
  // Flushes every open stream of the runtime library (fflush(NULL)). The posix
  // layer never waits for a stream that another thread holds (a reader blocked
  // in fgets(stdin)): that one is left as it is.
  void (*FlushAllStreams)();

  // Streams of the runtime library (fopen and friends). Open returns nullptr on
  // failure. SetFullBuffering gives the stream a fully buffered buffer of `size`
  // bytes.
  Stream (*Open)(const char* path, const char* mode);
  bool (*SetFullBuffering)(Stream stream, std::size_t size);
  std::size_t (*Read)(Stream stream, void* buffer, std::size_t size);
  bool (*Seek)(Stream stream, long offset, SeekOrigin origin);
  long (*Tell)(Stream stream);  // -1 on failure
  bool (*AtEnd)(Stream stream);   // the end-of-file indicator
  bool (*Failed)(Stream stream);  // the error indicator
  void (*Close)(Stream stream);

  // Directory search (_findfirst, _findnext, _findclose). FindFirst returns
  // nullptr when nothing matches or the pattern is not valid.
  FindHandle (*FindFirst)(const char* pattern, FindRecord* record);
  // The same search with the same entries, in whatever order costs least, for
  // callers that only count what matches: _findfirst itself on Windows; on Linux
  // the directory's own order, read only as far as the search goes, where
  // FindFirst must read and sort every name before it can report the first.
  // FindNext and FindClose serve both.
  FindHandle (*FindAny)(const char* pattern, FindRecord* record);
  bool (*FindNext)(FindHandle search, FindRecord* record);
  void (*FindClose)(FindHandle search);
};

// The table in force. Tests assign single entries and restore them from Native().
Calls& System();

// The unmodified table of this platform.
const Calls& Native();

// Replaces one entry of System() for the lifetime of the object. The entry alone
// decides the type, so a replacement may be anything that converts to it (a
// function, a captureless lambda).
//   platform::Override write(&platform::Calls::WriteFile, &FailingWrite);
// A class member, which cannot deduce, names the entry as OverrideOf's argument.
template <typename Function>
class Override {
 public:
  Override(Function Calls::*entry, std::type_identity_t<Function> replacement)
      : entry_(entry), saved_(System().*entry) {
    System().*entry_ = replacement;
  }
  ~Override() { System().*entry_ = saved_; }
  Override(const Override&) = delete;
  Override& operator=(const Override&) = delete;

 private:
  Function Calls::*entry_;
  Function saved_;
};

namespace detail {
template <typename Member>
struct EntryOf;
template <typename Function>
struct EntryOf<Function Calls::*> {
  using type = Function;
};
}  // namespace detail

// The same replacement with the entry fixed by the type, for class members:
//   platform::OverrideOf<&platform::Calls::WriteFile> write_{&CaptureWrite};
template <auto Entry>
class OverrideOf : public Override<typename detail::EntryOf<decltype(Entry)>::type> {
  using Function = typename detail::EntryOf<decltype(Entry)>::type;

 public:
  explicit OverrideOf(std::type_identity_t<Function> replacement) : Override<Function>(Entry, replacement) {}
};

// ---------------------------------------------------------------------------
// The module's shut-down list
// ---------------------------------------------------------------------------

// Actions that run last-first when the module unloads, kept in a table from the
// runtime library's heap that its registration service (RegisterExitAction)
// grows. The library's entry point opens the list at load and runs it at unload;
// any part of the module (static destructors, the toolkit's file layer) adds to
// it. One list per module, used from the loader's notifications and from code
// the host calls, never from two threads at once.
//   OpenShutdownList(); RegisterShutdownAction(a); RegisterShutdownAction(b);
//   RunShutdownActions();   runs b, then a
//   CloseShutdownList();

// Room of the list when it is opened.
inline constexpr int kShutdownListEntries = 32;

// Allocates an empty list through the table's Allocate. False when the memory
// cannot be had; the list then stays closed.
bool OpenShutdownList();
// True between a successful OpenShutdownList and CloseShutdownList.
bool ShutdownListOpen();
// Hands `action` with the list's bounds to RegisterExitAction. Returns 0 when it
// was registered, -1 when it was refused (no list, or the table could not
// grow); a refused action simply does not run.
int RegisterShutdownAction(ExitAction action);
// Runs the registered actions last-first, skipping null ones; the list stays.
void RunShutdownActions();
// Frees the list through the table's Release; nothing when it is closed.
void CloseShutdownList();

// ---------------------------------------------------------------------------
// Services for hosts and tests (not part of the library's own path)
// ---------------------------------------------------------------------------

// A code page the conversion calls take, with the name Windows gives it.
struct CodePageName {
  int number;
  const char* name;  // "ANSI Cyrillic"
};
struct CodePageNames {
  const CodePageName* entries;
  std::size_t count;
};
// Every code page the library converts, in increasing order: the list Wine's
// KERNEL32 takes with flags 0, and GB18030 (54936). 0 to 3, which only stand for
// the code pages of the locale, are not in it. The same list in both builds.
//   KnownCodePages().entries[0] is {37, "IBM EBCDIC US Canada"}
CodePageNames KnownCodePages();

// Loads a dynamic library by name or path; nullptr on failure.
Library OpenLibrary(const char* path);
// The address of an exported symbol; nullptr when there is none.
void* LibrarySymbol(Library library, const char* name);
void CloseLibrary(Library library);
// The text of the last loader error, for messages ("" when unknown).
const char* LastLoadError();

// The calling thread's x87 control word (precision control in bits 8-9,
// rounding control in bits 10-11), and a way to set it.
std::uint16_t ReadX87ControlWord();
void WriteX87ControlWord(std::uint16_t word);

}  // namespace platform
