// Dates written in tests as ISO-8601 text; text that does not parse fails the test.
#pragma once

#include <gtest/gtest.h>

#include "platform/foundation/Date.h"

namespace kestrel::test {

inline Date iso(const char* text) {
  Date d;
  EXPECT_TRUE(Date::parseISO8601(text, &d)) << text;
  return d;
}

}  // namespace kestrel::test
