#include <gtest/gtest.h>

#include "platform/foundation/Log.h"
#include "platform/foundation/PlistValue.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

namespace {
PlistValue sample() {
  PlistValue d = PlistValue::dict();
  d.set("flag", true);
  d.set("count", 12);
  d.set("negative", -5);
  d.set("ratio", 0.25);
  d.set("name", "Call \"Ann\" & <Bob>");
  d.set("blob", Bytes{0, 1, 2, 255});
  d.set("when", Date(123456));  // XML property lists keep whole seconds
  d.set("list", PlistValue(PlistValue::Array{1, "two", PlistValue::dict()}));
  return d;
}
}  // namespace

TEST(PlistValue, RoundTripsThroughXMLAndBinary) {
  PlistValue d = sample();
  for (auto format : {PlistValue::Format::XML, PlistValue::Format::Binary}) {
    auto back = PlistValue::fromBytes(d.toBytes(format));
    ASSERT_TRUE(back) << static_cast<int>(format);
    EXPECT_EQ(*back, d) << back->description();
  }
}

TEST(PlistValue, TypedLookupsReadNumbersAndNumericStrings) {
  PlistValue d = PlistValue::dict();
  d.set("twelve", "12");
  d.set("yes", "YES");
  d.set("real", 2.75);
  d.set("flag", true);
  EXPECT_EQ(d.intForKey("twelve"), 12);
  EXPECT_EQ(d.intForKey("absent"), 0);
  EXPECT_EQ(d.intForKey("absent", 7), 7);
  EXPECT_TRUE(d.boolForKey("yes"));
  EXPECT_TRUE(d.boolForKey("twelve"));
  EXPECT_EQ(d.intForKey("real"), 2);
  EXPECT_DOUBLE_EQ(d.doubleForKey("twelve"), 12.0);
  EXPECT_EQ(d.intForKey("flag"), 1);
}

TEST(PlistValue, WrongTypedValueFallsBackToDefaultWithALogLine) {
  test::TempDeviceRoot root;
  std::vector<std::string> lines;
  setLogObserver([&](const std::string& l) { lines.push_back(l); });
  PlistValue d = PlistValue::dict();
  d.set("maxTasks", PlistValue(PlistValue::Array{1, 2}));
  d.set("word", "banana");
  EXPECT_EQ(d.intForKey("maxTasks", 20), 20);
  EXPECT_TRUE(d.boolForKey("word", true));
  EXPECT_DOUBLE_EQ(d.doubleForKey("word", 1.5), 1.5);
  setLogObserver(nullptr);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("maxTasks"), std::string::npos);
  EXPECT_EQ(lines[0].rfind("KS:", 0), 0u);
}

TEST(PlistValue, DamagedInputReadsAsNone) {
  EXPECT_FALSE(PlistValue::fromString(""));
  EXPECT_FALSE(PlistValue::fromString("not a plist at all"));
  EXPECT_FALSE(PlistValue::fromString("bplist00\x01\x02"));
  Bytes good = sample().toBytes(PlistValue::Format::Binary);
  for (size_t cut = 1; cut < good.size(); cut += 7) {
    Bytes part(good.begin(), good.begin() + static_cast<long>(cut));
    (void)PlistValue::fromBytes(part);  // must not crash
  }
  std::string xml = sample().toXML();
  EXPECT_FALSE(PlistValue::fromString(xml.substr(0, xml.size() / 2)));
}

TEST(PlistValue, DeepNestingIsRefused) {
  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < PlistValue::kMaxDepth + 10; ++i) xml += "<array>";
  for (int i = 0; i < PlistValue::kMaxDepth + 10; ++i) xml += "</array>";
  xml += "</plist>";
  EXPECT_FALSE(PlistValue::fromString(xml));
}
