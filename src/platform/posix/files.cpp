// POSIX layer, files: stdio streams stand in for MSVCRT.DLL's. Text mode and the
// directory search are not built yet: FindFirst finds nothing.

#include <stdio.h>

#include "platform/table.h"

namespace platform::detail {
namespace {

FILE* AsFile(Stream stream) { return static_cast<FILE*>(stream); }

Stream Open(const char* path, const char* mode) { return fopen(path, mode); }
bool SetFullBuffering(Stream stream, std::size_t size) { return setvbuf(AsFile(stream), nullptr, _IOFBF, size) == 0; }
bool ReadPiece(Stream stream, char* buffer, int size) { return fgets(buffer, size, AsFile(stream)) != nullptr; }
std::size_t Read(Stream stream, void* buffer, std::size_t size) { return fread(buffer, 1, size, AsFile(stream)); }

bool Seek(Stream stream, long offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::kStart ? SEEK_SET : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
  return fseek(AsFile(stream), offset, whence) == 0;
}

long Tell(Stream stream) { return ftell(AsFile(stream)); }
bool AtEnd(Stream stream) { return feof(AsFile(stream)) != 0; }
bool Failed(Stream stream) { return ferror(AsFile(stream)) != 0; }
void Close(Stream stream) { fclose(AsFile(stream)); }

FindHandle FindFirst(const char*, FindRecord*) { return nullptr; }
bool FindNext(FindHandle, FindRecord*) { return false; }
void FindClose(FindHandle) {}

}  // namespace

void FillFileCalls(Calls& calls) {
  calls.Open = Open;
  calls.SetFullBuffering = SetFullBuffering;
  calls.ReadPiece = ReadPiece;
  calls.Read = Read;
  calls.Seek = Seek;
  calls.Tell = Tell;
  calls.AtEnd = AtEnd;
  calls.Failed = Failed;
  calls.Close = Close;
  calls.FindFirst = FindFirst;
  calls.FindNext = FindNext;
  calls.FindClose = FindClose;
}

}  // namespace platform::detail
