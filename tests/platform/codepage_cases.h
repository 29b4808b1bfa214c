// Rows of the code-page tests and the check that runs them: a call's result and
// the whole target afterwards, which starts filled with a marker so that a unit
// or byte written beyond the count (a terminating zero, say) shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace codepage_cases {

using Units = std::u16string;
using Bytes = std::string;

struct DecodeCase {
  const char* name;
  int codePage;
  Bytes source;
  int targetCount;
  int expected;
  Units output;  // what the target holds afterwards (its first units)
};

struct EncodeCase {
  const char* name;
  int codePage;
  Units source;
  int targetCount;
  int expected;
  Bytes output;
};

inline constexpr char16_t kUnitMarker = 0x2C2C;
inline constexpr char kByteMarker = '-';

// `text` n times over, for inputs long enough to take the block-wise paths.
//   Times(Bytes("ab"), 3) == "ababab"
template <typename Text>
Text Times(const Text& text, int n) {
  Text all;
  for (int i = 0; i < n; ++i) all += text;
  return all;
}

// Runs each case into a target of its target count (at least 8 units, and 8
// more than its output) and checks the result and the whole target.
template <typename Case, std::size_t N, typename Unit, typename Call>
void Check(const Case (&cases)[N], Unit marker, Call call) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t size = std::max({std::size_t{8}, static_cast<std::size_t>(c.targetCount), c.output.size() + 8});
    std::vector<Unit> target(size, marker);
    const int result = call(c, target.data());
    EXPECT_EQ(result, c.expected);
    std::basic_string<Unit> expectedTarget = c.output;
    expectedTarget.resize(target.size(), marker);
    EXPECT_EQ(std::basic_string<Unit>(target.begin(), target.end()), expectedTarget);
  }
}

}  // namespace codepage_cases
