// Windows layer, files: MSVCRT.DLL's streams and its directory search.
// Measured under Wine 8: a directory cannot be opened in any mode (EACCES);
// _findfirst lists "." and ".." first for a directory pattern, reports 0x20
// for a regular file, 0x10 for a directory, adds 0x01 when no one has write
// permission and 0x02 for a name beginning with a dot, and fails for a pattern
// ending in a backslash. Its text mode ("rt") is not used by the file layer,
// whose own translation matches it: ftell on a text stream is exact only for
// CR LF files.

#include <io.h>
#include <stdio.h>

#include <new>

#include "platform/win32/entries.h"

namespace platform::detail {

Stream Open(const char* path, const char* mode) { return fopen(path, mode); }

namespace {

// The runtime's search handle is an integer whose failure value is -1; it is kept
// in a small box so that the interface can say "none" with a null pointer.
struct Search {
  intptr_t handle;
};

void CopyRecord(const _finddata_t& raw, FindRecord* record) {
  record->attributes = raw.attrib;
  static_assert(sizeof raw.name == sizeof record->name);
  for (std::size_t i = 0; i < sizeof record->name; ++i) record->name[i] = raw.name[i];
}

}  // namespace

FindHandle FindFirst(const char* pattern, FindRecord* record) {
  _finddata_t raw;
  const intptr_t handle = _findfirst(pattern, &raw);
  if (handle == -1) return nullptr;
  auto* search = new (std::nothrow) Search{handle};
  if (search == nullptr) {
    _findclose(handle);
    return nullptr;
  }
  CopyRecord(raw, record);
  return search;
}

bool FindNext(FindHandle search, FindRecord* record) {
  _finddata_t raw;
  if (_findnext(static_cast<Search*>(search)->handle, &raw) != 0) return false;
  CopyRecord(raw, record);
  return true;
}

void FindClose(FindHandle search) {
  auto* box = static_cast<Search*>(search);
  _findclose(box->handle);
  delete box;
}

}  // namespace platform::detail
