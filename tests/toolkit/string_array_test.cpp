// The string array's two resize operations.

#include "toolkit/string_array.h"

#include <gtest/gtest.h>

namespace {

using toolkit::StringArray;

TEST(StringArrayTest, ResizeDiscardingReleasesEveryElement) {
  StringArray array = {"x", "y", "z"};
  ASSERT_TRUE(toolkit::ResizeDiscarding(array, 1));
  EXPECT_EQ(array, (StringArray{"", ""}));
  ASSERT_TRUE(toolkit::ResizeDiscarding(array, 0));
  EXPECT_EQ(array, (StringArray{""}));
  ASSERT_TRUE(toolkit::ResizeDiscarding(array, -1));
  EXPECT_TRUE(array.empty());
}

TEST(StringArrayTest, ResizePreservingKeepsTheLowElements) {
  struct Case {
    int upperBound;
    StringArray expected;
  };
  const Case cases[] = {
      {3, {"x", "y", "", ""}},
      {1, {"x", "y"}},
      {0, {"x"}},
      {-1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.upperBound);
    StringArray array = {"x", "y"};
    ASSERT_TRUE(toolkit::ResizePreserving(array, c.upperBound));
    EXPECT_EQ(array, c.expected);
  }
}

}  // namespace
