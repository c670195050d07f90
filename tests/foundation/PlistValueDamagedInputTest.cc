#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "platform/foundation/PlistValue.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

// A binary list whose one-byte ("ASCII") key holds a byte that is not UTF-8, as found by
// plist_fuzzer: reading it must give a value that can be written in both formats and read
// back, or rewriting a preference file would lose it.
TEST(PlistValueDamagedInput, TextThatIsNotUTF8ReadsWithReplacementCharacters) {
  test::TempDeviceRoot root;
  PlistValue d = PlistValue::dict();
  d.set("when", "x");
  Bytes bytes = d.toBytes(PlistValue::Format::Binary);
  auto at = std::search(bytes.begin(), bytes.end(), std::begin("when"), std::end("when") - 1);
  ASSERT_NE(at, bytes.end());
  *at = 0xF7;
  *(at + 5) = 0xFF;  // the value "x", after its one-byte marker

  auto value = PlistValue::fromBytes(bytes);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->stringForKey("\xEF\xBF\xBDhen"), "\xEF\xBF\xBD");
  for (auto format : {PlistValue::Format::Binary, PlistValue::Format::XML}) {
    auto back = PlistValue::fromBytes(value->toBytes(format));
    ASSERT_TRUE(back) << static_cast<int>(format);
    EXPECT_EQ(*back, *value);
  }
}

TEST(PlistValueDamagedInput, WritingTextThatIsNotUTF8KeepsTheListReadable) {
  test::TempDeviceRoot root;
  PlistValue d = PlistValue::dict();
  d.set("title", std::string("Caf\xE9"));  // Latin-1, as a damaged database column may hold
  auto back = PlistValue::fromBytes(d.toBytes(PlistValue::Format::Binary));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->stringForKey("title"), "Caf\xEF\xBF\xBD");
}
