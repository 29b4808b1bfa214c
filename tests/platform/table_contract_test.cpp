// The call table as each layer builds it: every entry filled, so that no call of
// the library can land on a null pointer that only one platform leaves there.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"

namespace {

// Calls holds function pointers only; a member of another kind would break the
// size check below before it could hide among the entries.
using Entry = std::uintptr_t;
static_assert(sizeof(void (*)()) == sizeof(Entry));
static_assert(sizeof(platform::Calls) % sizeof(Entry) == 0);
constexpr std::size_t kEntries = sizeof(platform::Calls) / sizeof(Entry);

std::array<Entry, kEntries> EntriesOf(const platform::Calls& calls) {
  std::array<Entry, kEntries> entries{};
  std::memcpy(entries.data(), &calls, sizeof calls);
  return entries;
}

TEST(CallTableContract, NativeHasNoEmptyEntry) {
  const auto entries = EntriesOf(platform::Native());
  for (std::size_t i = 0; i < kEntries; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i) + " of platform::Calls, in declaration order");
    EXPECT_NE(entries[i], Entry{0});
  }
}

TEST(CallTableContract, AnOverrideReplacesOneEntryAndPutsItBack) {
  const auto before = EntriesOf(platform::System());
  {
    platform::Override flush(&platform::Calls::FlushAllStreams, [] {});
    const auto during = EntriesOf(platform::System());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < kEntries; ++i) changed += during[i] != before[i] ? 1u : 0u;
    EXPECT_EQ(changed, 1u);
    EXPECT_NE(platform::System().FlushAllStreams, platform::Native().FlushAllStreams);
  }
  EXPECT_EQ(EntriesOf(platform::System()), before);
}

}  // namespace
