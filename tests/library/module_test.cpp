// Module state linked directly: the four module strings after set-up, and the
// entry point's order of events at attach and detach.

#include "library/module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace library_test {
namespace {

TEST(ModuleStringsTest, SetUpFillsTheFourStrings) {
  library::ModuleSetUp();
  const std::string& koi = library::Koi8rToWin1251();
  const std::string& win = library::Win1251ToKoi8r();
  ASSERT_EQ(koi.size(), 64u);
  ASSERT_EQ(win.size(), 64u);
  ASSERT_EQ(library::Win1251Upper().size(), 32u);
  ASSERT_EQ(library::Win1251Lower().size(), 32u);
  EXPECT_EQ(koi.substr(0, 4), "\xFE\xE0\xE1\xF6");
  EXPECT_EQ(koi.back(), '\xDA');
  EXPECT_EQ(win.substr(0, 4), "\xE1\xE2\xF7\xE7");
  EXPECT_EQ(win.back(), '\xD1');
  EXPECT_EQ(library::Win1251Upper().front(), '\xC0');
  EXPECT_EQ(library::Win1251Upper().back(), '\xDF');
  EXPECT_EQ(library::Win1251Lower().front(), '\xE0');
  EXPECT_EQ(library::Win1251Lower().back(), '\xFF');
  // KOI8-R 0xE1 is the capital A, Windows-1251 0xC0.
  EXPECT_EQ(koi[0xE1 - 0xC0], '\xC0');
}

TEST(ModuleStringsTest, MapsAreInversePermutations) {
  library::ModuleSetUp();
  const std::string& koi = library::Koi8rToWin1251();
  const std::string& win = library::Win1251ToKoi8r();
  ASSERT_EQ(koi.size(), 64u);
  for (int i = 0; i < 64; ++i) {
    SCOPED_TRACE(i);
    const int code = static_cast<unsigned char>(koi[static_cast<std::size_t>(i)]);
    ASSERT_GE(code, 0xC0);
    EXPECT_EQ(static_cast<unsigned char>(win[static_cast<std::size_t>(code - 0xC0)]), 0xC0 + i);
  }
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(library::Win1251Upper()[static_cast<std::size_t>(i)]), 0xC0 + i);
    EXPECT_EQ(static_cast<unsigned char>(library::Win1251Lower()[static_cast<std::size_t>(i)]), 0xE0 + i);
  }
}

// The 32-entry list: 128 bytes with 32-bit pointers.
const std::string kAllocateList = sizeof(void*) == 4 ? "allocate 128" : "allocate 256";

// What the entry point does, in order.
std::vector<std::string> events;
bool refuseAllocation = false;

void* RecordAllocate(std::size_t size) {
  events.push_back("allocate " + std::to_string(size));
  return refuseAllocation ? nullptr : platform::Native().Allocate(size);
}
void RecordRelease(void* block) {
  events.push_back("release");
  platform::Native().Release(block);
}
void RecordErrno(int value) { events.push_back("errno " + std::to_string(value)); }
void RecordFloatingPoint() { events.push_back("floating point"); }
void RecordFlush() { events.push_back("flush"); }
void StaticInitialisation() { events.push_back("static initialisation"); }
void FirstAction() { events.push_back("action 1"); }
void SecondAction() { events.push_back("action 2"); }
void ThirdAction() { events.push_back("action 3"); }

class ModuleEntryTest : public ::testing::Test {
 protected:
  ModuleEntryTest() {
    events.clear();
    refuseAllocation = false;
  }
  platform::OverrideOf<&platform::Calls::Allocate> allocate_{&RecordAllocate};
  platform::OverrideOf<&platform::Calls::Release> release_{&RecordRelease};
  platform::OverrideOf<&platform::Calls::SetErrno> errno_{&RecordErrno};
  platform::OverrideOf<&platform::Calls::SetLoadingThreadFloatingPoint> fpu_{&RecordFloatingPoint};
  platform::OverrideOf<&platform::Calls::FlushAllStreams> flush_{&RecordFlush};
};

TEST_F(ModuleEntryTest, AttachRunsStaticInitialisationThenSetUp) {
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, StaticInitialisation), 1);
  EXPECT_EQ(events, (std::vector<std::string>{kAllocateList, "static initialisation", "floating point"}));
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 1);
}

TEST_F(ModuleEntryTest, DetachRunsActionsLastFirstSkippingNullThenFreesAndFlushes) {
  ASSERT_EQ(library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, nullptr), 1);
  EXPECT_EQ(platform::RegisterShutdownAction(FirstAction), 0);
  // The service hands back the action it stored, so a null entry reads as refused;
  // it is stored all the same and must be skipped.
  platform::RegisterShutdownAction(nullptr);
  EXPECT_EQ(platform::RegisterShutdownAction(SecondAction), 0);
  EXPECT_EQ(platform::RegisterShutdownAction(ThirdAction), 0);
  events.clear();
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"action 3", "action 2", "action 1", "release", "flush"}));
  // The list is gone: a second detach does nothing, and nothing can register.
  events.clear();
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 0);
  EXPECT_EQ(platform::RegisterShutdownAction(FirstAction), -1);
  EXPECT_TRUE(events.empty());
}

TEST_F(ModuleEntryTest, AttachFailsWhenTheListCannotBeAllocated) {
  refuseAllocation = true;
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, StaticInitialisation), 0);
  EXPECT_EQ(events, (std::vector<std::string>{kAllocateList, "errno 12"}));
  events.clear();
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 0);
  EXPECT_TRUE(events.empty()) << "no flush after a failed attach";
}

// Loading and unloading again and again must not leave the strings' storage behind.
TEST_F(ModuleEntryTest, DetachGivesTheModuleStringsBack) {
  ASSERT_EQ(library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, nullptr), 1);
  ASSERT_EQ(library::Koi8rToWin1251().size(), 64u);
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 1);
  for (const std::string* text : {&library::Koi8rToWin1251(), &library::Win1251ToKoi8r(), &library::Win1251Upper(),
                                  &library::Win1251Lower()}) {
    EXPECT_TRUE(text->empty());
  }
  // A failed attach runs no set-up; its detach leaves them empty too.
  refuseAllocation = true;
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, nullptr), 0);
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 0);
  EXPECT_TRUE(library::Koi8rToWin1251().empty());
}

TEST_F(ModuleEntryTest, ThreadNotificationsChangeNothing) {
  ASSERT_EQ(library::ModuleEntry(nullptr, library::kProcessAttach, nullptr, nullptr), 1);
  events.clear();
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kThreadAttach, nullptr, StaticInitialisation), 1);
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kThreadDetach, nullptr, StaticInitialisation), 1);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(library::ModuleEntry(nullptr, library::kProcessDetach, nullptr, nullptr), 1);
}

}  // namespace
}  // namespace library_test
