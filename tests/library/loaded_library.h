// For tests that load the built library by name from beside the test program, as
// a host does: LOTAN_LIBRARY_NAME and LOTAN_CONVERT_SYMBOL come from the build.
#pragma once

#include "LotanconvertCP.h"
#include "platform/platform.h"

namespace library_test {

// The library loaded for the lifetime of the object.
class LoadedLibrary {
 public:
  LoadedLibrary() : library_(platform::OpenLibrary(LOTAN_LIBRARY_NAME)) {}
  ~LoadedLibrary() { Unload(); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool Loaded() const { return library_ != nullptr; }
  LotanconvertCPFunction Convert() const {
    return reinterpret_cast<LotanconvertCPFunction>(platform::LibrarySymbol(library_, LOTAN_CONVERT_SYMBOL));
  }
  void Unload() {
    if (library_ != nullptr) platform::CloseLibrary(library_);
    library_ = nullptr;
  }
  platform::Library Handle() const { return library_; }

 private:
  platform::Library library_;
};

}  // namespace library_test
