// What only the 64-bit DLL has: the one function under both export names and
// both ordinals, and the load effect of the _controlfp call on x64, where the
// call sets the rounding of the loading thread's SSE unit (MXCSR) and there is no
// precision control to set.

#include <float.h>
#include <windows.h>
#include <xmmintrin.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "LotanconvertCP.h"
#include "library/loaded_library.h"
#include "library/redirect.h"

namespace library_test {
namespace {

TEST(DllWin64Test, BothNamesAndBothOrdinalsAreTheOneFunction) {
  const HMODULE library = LoadLibraryA(LOTAN_LIBRARY_NAME);
  ASSERT_NE(library, nullptr);
  const FARPROC decorated = GetProcAddress(library, "CONVERT@16");
  ASSERT_NE(decorated, nullptr);
  EXPECT_EQ(GetProcAddress(library, "CONVERT"), decorated);
  EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(1)), decorated);
  EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(2)), decorated);
  EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(3)), nullptr);

  // Called by its plain name it converts and traces as it does by the other.
  const auto convert = reinterpret_cast<LotanconvertCPFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "CONVERT")));
  char result[8] = {};
  std::string trace;
  {
    OutputRedirect redirect(Sink::kPipe);
    EXPECT_EQ(convert("\xC4\xE0", 1251, 866, result), 1);
    trace = redirect.Finish();
  }
  FreeLibrary(library);
  EXPECT_STREQ(result, "\x84\xA0");
  EXPECT_EQ(trace,
            "nLen= 2\r\nstrDst=,,,,\r\nstrRet=----\r\nnRet= 2\r\nstrRet=\x84\xA0--\r\nnRet= 2\r\n"
            "strOut=\x84\xA0\r\n");
}

// MXCSR: rounding in bits 13-14 (00b = nearest, 01b = down, 10b = up), the six
// exception masks in bits 7-12, flush-to-zero in bit 15. The masks are left
// partly clear and flush-to-zero set, so that a change to them would show.
constexpr unsigned kRoundNearest = 0x1D00;
constexpr unsigned kRoundDown = kRoundNearest | 0x2000;
constexpr unsigned kRoundUpFlushToZero = kRoundNearest | 0x4000 | 0x8000;
constexpr unsigned kRoundingBits = 0x6000;

TEST(DllWin64Test, LoadSetsTheLoadingThreadsSseRoundingOnly) {
  unsigned fresh = 0;
  std::thread([&] { fresh = _mm_getcsr(); }).join();

  // A thread that exists during the load keeps its own setting.
  std::mutex lock;
  std::condition_variable changed;
  int stage = 0;
  unsigned otherAfter = 0;
  std::thread other([&] {
    _mm_setcsr(kRoundUpFlushToZero);
    std::unique_lock<std::mutex> hold(lock);
    stage = 1;
    changed.notify_all();
    changed.wait(hold, [&] { return stage == 2; });
    otherAfter = _mm_getcsr();
  });
  {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return stage == 1; });
  }

  LoadedLibrary* library = nullptr;
  unsigned before = 0;
  unsigned after = 0;
  unsigned reported = 0;
  std::thread loader([&] {
    _mm_setcsr(kRoundDown);
    before = _mm_getcsr();
    library = new LoadedLibrary();
    after = _mm_getcsr();
    reported = _controlfp(0, 0);
  });
  loader.join();
  ASSERT_TRUE(library->Loaded());

  // A thread started after the load begins as threads always do.
  unsigned started = 0;
  std::thread([&] { started = _mm_getcsr(); }).join();
  {
    std::unique_lock<std::mutex> hold(lock);
    stage = 2;
    changed.notify_all();
  }
  other.join();
  delete library;

  EXPECT_EQ(before & ~0x3Fu, kRoundDown);
  EXPECT_EQ(after & ~0x3Fu, kRoundNearest) << std::hex << after;
  EXPECT_EQ(reported & _MCW_RC, static_cast<unsigned>(_RC_NEAR)) << std::hex << reported;
  EXPECT_EQ(otherAfter & ~0x3Fu, kRoundUpFlushToZero);
  EXPECT_EQ(started & kRoundingBits, fresh & kRoundingBits);
}

}  // namespace
}  // namespace library_test
