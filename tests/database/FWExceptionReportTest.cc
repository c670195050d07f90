#include <gtest/gtest.h>

#include <stdexcept>

#include "database/FWDBRecords.h"
#include "database/FWExceptionReport.h"

namespace {

TEST(FWExceptionReport, NamesDatabaseErrorsByTheirOwnNameAndOthersByType) {
  EXPECT_EQ(FWExceptionName(FWDBException("NSRangeException", "index out of range")), "NSRangeException");
  EXPECT_EQ(FWExceptionName(std::out_of_range("past the end")), "std::out_of_range");
  struct LocalError : std::runtime_error {
    LocalError() : std::runtime_error("local") {}
  };
  EXPECT_NE(FWExceptionName(LocalError()).find("LocalError"), std::string::npos);
}

TEST(FWExceptionReport, CallStackIsOneFramePerLineInParentheses) {
  std::string stack = FWCallStackDescription();
  ASSERT_GE(stack.size(), 4u);
  EXPECT_EQ(stack.substr(0, 6), "(\n    ");
  EXPECT_EQ(stack.substr(stack.size() - 2), "\n)");
}

}  // namespace
