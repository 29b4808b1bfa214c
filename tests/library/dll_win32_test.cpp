// Windows-only behaviour of the loaded DLL: lookup by ordinal, and the trace
// staying on the standard output handle taken at the first piece after the host
// replaces its standard output.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "LotanconvertCP.h"
#include "library/redirect.h"

namespace library_test {
namespace {

TEST(DllWin32Test, StdcallNameAtOrdinalOneIsTheOnlyExport) {
  const HMODULE library = LoadLibraryA(LOTAN_LIBRARY_NAME);
  ASSERT_NE(library, nullptr);
  const FARPROC byName = GetProcAddress(library, LOTAN_CONVERT_SYMBOL);
  EXPECT_NE(byName, nullptr);
  EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(1)), byName);
  EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(2)), nullptr);
  FreeLibrary(library);
}

TEST(DllWin32Test, TraceKeepsTheHandleTakenAtTheFirstPiece) {
  OutputRedirect first(Sink::kFile);
  const HMODULE library = LoadLibraryA(LOTAN_LIBRARY_NAME);
  ASSERT_NE(library, nullptr);
  const auto convert = reinterpret_cast<LotanconvertCPFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, LOTAN_CONVERT_SYMBOL)));
  ASSERT_NE(convert, nullptr);
  char result[8] = {};
  EXPECT_EQ(convert("a", 1252, 1252, result), 1);
  std::string later;
  {
    OutputRedirect second(Sink::kPipe);
    EXPECT_EQ(convert("b", 1252, 1252, result), 1);
    later = second.Finish();
  }
  FreeLibrary(library);
  EXPECT_EQ(later, "");
  EXPECT_EQ(first.Finish(),
            "nLen= 1\r\nstrDst=,,\r\nstrRet=--\r\nnRet= 1\r\nstrRet=a-\r\nnRet= 1\r\nstrOut=a\r\n"
            "nLen= 1\r\nstrDst=,,\r\nstrRet=--\r\nnRet= 1\r\nstrRet=b-\r\nnRet= 1\r\nstrOut=b\r\n");
}

}  // namespace
}  // namespace library_test
