// A million calls of the loaded library in one process, cycling through every
// conversion edge case (failing ones included) with the trace going to the null
// device: every result right, and the process's memory as flat at the end as
// after the warm-up. The build sets the number of calls (LOTAN_SOAK_CALLS, a
// million on Linux); the variable of that name in the environment overrides it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "library/conversion_cases.h"
#include "library/loaded_library.h"
#include "library/soak_host.h"

namespace library_test {
namespace {

// Under a sanitizer the heap keeps freed blocks in quarantine and memory cannot
// be flat; the leak checker watches instead, over fewer calls.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

long SoakCalls() {
  if (const char* given = std::getenv("LOTAN_SOAK_CALLS")) return std::strtol(given, nullptr, 10);
  return kSanitized ? 100000 : LOTAN_SOAK_CALLS;
}

// Growth allowed between the warm-up and the end: far below what even one byte
// kept per call would add over a million calls.
constexpr std::size_t kAllowedGrowth = 512 * 1024;

TEST(DllSoakTest, ManyCallsKeepMemoryFlat) {
  const long calls = SoakCalls();
  const long warmUp = calls / 10;
  std::vector<CaseBuffers> buffers;
  for (const ConversionCase& c : kConversionCases) buffers.emplace_back(c);
  constexpr long kCases = static_cast<long>(std::size(kConversionCases));

  long wrong = 0;
  MemoryUse before;
  MemoryUse after;
  {
    NullOutput null;
    LoadedLibrary library;
    ASSERT_TRUE(library.Loaded()) << platform::LastLoadError();
    const LotanconvertCPFunction convert = library.Convert();
    ASSERT_NE(convert, nullptr);
    for (long i = 0; i < calls; ++i) {
      if (i == warmUp) before = CurrentMemoryUse();
      const std::size_t index = static_cast<std::size_t>(i % kCases);
      const ConversionCase& c = kConversionCases[index];
      CaseBuffers& b = buffers[index];
      const int returned = convert(c.nullSource ? nullptr : b.Source(), c.fromCodePage, c.toCodePage,
                                   c.nullResult ? nullptr : b.result.data());
      if (returned != 1 || (!c.nullResult && std::string_view(b.result.c_str()) != c.result)) ++wrong;
    }
    after = CurrentMemoryUse();
  }
  EXPECT_EQ(wrong, 0);
  if (kSanitized) return;
  ASSERT_GT(before.resident, 0u) << "the process's memory could not be read";
  EXPECT_LT(after.resident, before.resident + kAllowedGrowth)
      << "resident " << before.resident << " -> " << after.resident << " over " << calls - warmUp << " calls";
  EXPECT_LT(after.committed, before.committed + kAllowedGrowth)
      << "committed " << before.committed << " -> " << after.committed << " over " << calls - warmUp << " calls";
}

}  // namespace
}  // namespace library_test
