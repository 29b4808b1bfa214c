// A host linked against the library at build time (the import library on
// Windows), through the public header, from C++ and from C.

#include <gtest/gtest.h>

#include <string>

#include "LotanconvertCP.h"

extern "C" int ConvertFromC(const char* source, int from, int to, char* result);

namespace library_test {
namespace {

TEST(ImportTest, LinkedCallsConvert) {
  char result[5] = "xxxx";
  EXPECT_EQ(CONVERT("\xC4\xE0", 1251, 866, result), 1);
  EXPECT_EQ(std::string(result), "\x84\xA0");
}

TEST(ImportTest, HeaderServesCHosts) {
  char result[5] = "xxxx";
  EXPECT_EQ(ConvertFromC("\xC4\xE0", 1251, 65001, result), 1);
  EXPECT_EQ(std::string(result), "\xD0\x94\xD0\xB0");
}

}  // namespace
}  // namespace library_test
