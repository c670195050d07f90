#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Log.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

namespace {

// Builds archives by hand, the way other writers lay them out, including damaged ones.
struct ArchiveBuilder {
  PlistValue::Array objects{PlistValue("$null")};

  PlistUid add(PlistValue v) {
    objects.push_back(std::move(v));
    return PlistUid{objects.size() - 1};
  }
  PlistUid cls(const std::string& name, PlistValue::Array chain = {}) {
    PlistValue c = PlistValue::dict();
    c.set("$classname", name);
    if (chain.empty()) chain = {name, "NSObject"};
    c.set("$classes", PlistValue(std::move(chain)));
    return add(std::move(c));
  }
  PlistUid object(const std::string& className, PlistValue fields) {
    fields.set("$class", cls(className));
    return add(std::move(fields));
  }
  Bytes bytes(PlistUid root) const {
    PlistValue top = PlistValue::dict();
    top.set("root", root);
    PlistValue a = PlistValue::dict();
    a.set("$archiver", "NSKeyedArchiver");
    a.set("$version", 100000);
    a.set("$top", std::move(top));
    a.set("$objects", PlistValue(objects));
    return a.toBytes(PlistValue::Format::Binary);
  }
};

// Collects the log lines written while it lives.
struct LogCapture {
  std::vector<std::string> lines;
  LogCapture() { setLogObserver([this](const std::string& l) { lines.push_back(l); }); }
  ~LogCapture() { setLogObserver(nullptr); }
  bool contains(const std::string& text) const {
    for (const auto& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
};

PlistValue numbers(std::initializer_list<int> list) {
  PlistValue::Array a;
  for (int i : list) a.push_back(i);
  return PlistValue(std::move(a));
}

}  // namespace

TEST(KeyedArchive, PropertyListValuesRoundTrip) {
  test::TempDeviceRoot root;
  PlistValue d = PlistValue::dict();
  d.set("iconString", "📅 Café \"Zürich\"");
  d.set("days", numbers({2, 3, 4, 5, 6}));
  d.set("flag", true);
  d.set("ratio", 0.75);
  d.set("blob", Bytes{0, 1, 254});
  d.set("when", Date(818438400));
  d.set("nested", PlistValue(PlistValue::Array{PlistValue::dict(), "same", "same"}));
  auto back = KeyedArchive::decodePlist(KeyedArchive::encode(d));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, d) << back->description();
  EXPECT_FALSE(KeyedArchive::decodeColor(KeyedArchive::encode(d)));
}

TEST(KeyedArchive, ColoursDecodeFromEveryWrittenForm) {
  test::TempDeviceRoot root;
  Color c = Color::rgba(0.2, 0.4, 0.6, 0.8);
  for (auto form : {KeyedArchive::ColorForm::UIKit, KeyedArchive::ColorForm::UIKitDouble, KeyedArchive::ColorForm::NSRGB}) {
    auto back = KeyedArchive::decodeColor(KeyedArchive::encode(c, form));
    ASSERT_TRUE(back) << static_cast<int>(form);
    EXPECT_NEAR(back->red, 0.2, 1e-9);
    EXPECT_NEAR(back->green, 0.4, 1e-9);
    EXPECT_NEAR(back->blue, 0.6, 1e-9);
    EXPECT_NEAR(back->alpha, 0.8, 1e-9);
  }
  auto grey = KeyedArchive::decodeColor(KeyedArchive::encode(Color::white(0.5, 1.0), KeyedArchive::ColorForm::White));
  ASSERT_TRUE(grey);
  EXPECT_EQ(*grey, Color::white(0.5));
}

TEST(KeyedArchive, ColourFieldsAsOtherWritersStoreThem) {
  test::TempDeviceRoot root;
  {  // The precise "-Double" component wins over the float one.
    ArchiveBuilder b;
    PlistValue f = PlistValue::dict();
    f.set("UIRed", 0.5);
    f.set("UIRed-Double", 0.25);
    f.set("UIGreen", 0.0);
    f.set("UIBlue", 1.0);
    EXPECT_EQ(KeyedArchive::decodeColor(b.bytes(b.object("UIColor", f))), Color::rgba(0.25, 0, 1, 1));
  }
  {  // AppKit text without alpha and with its NUL; grey as NSWhite; out-of-range clamped.
    ArchiveBuilder b;
    PlistValue f = PlistValue::dict();
    f.set("NSColorSpace", 2);
    const char text[] = "1 0.5 0\0";
    f.set("NSRGB", Bytes(text, text + sizeof text));
    EXPECT_EQ(KeyedArchive::decodeColor(b.bytes(b.object("NSColor", f))), Color::rgba(1, 0.5, 0, 1));
    ArchiveBuilder w;
    PlistValue g = PlistValue::dict();
    g.set("NSColorSpace", 3);
    g.set("NSWhite", Bytes{'0', '.', '5', ' ', '2'});
    EXPECT_EQ(KeyedArchive::decodeColor(w.bytes(w.object("NSColor", g))), Color::rgba(0.5, 0.5, 0.5, 1));
  }
}

TEST(KeyedArchive, DamagedColoursDecodeToNone) {
  test::TempDeviceRoot root;
  LogCapture log;
  auto colour = [](PlistValue fields) {
    ArchiveBuilder b;
    return KeyedArchive::decodeColor(b.bytes(b.object("UIColor", std::move(fields))));
  };
  PlistValue text = PlistValue::dict();
  text.set("UIRed", "red");
  text.set("UIGreen", 0.0);
  text.set("UIBlue", 0.0);
  EXPECT_FALSE(colour(text));
  PlistValue nan = text;
  nan.set("UIRed", std::nan(""));
  EXPECT_FALSE(colour(nan));
  PlistValue rgbText = PlistValue::dict();
  rgbText.set("NSRGB", Bytes{'1', ' ', 'x', ' ', '0'});
  EXPECT_FALSE(colour(rgbText));
  PlistValue tooMany = PlistValue::dict();
  tooMany.set("NSRGB", Bytes{'1', ' ', '1', ' ', '1', ' ', '1', ' ', '1'});
  EXPECT_FALSE(colour(tooMany));
  EXPECT_FALSE(colour(PlistValue::dict()));  // a named system colour has no components
  EXPECT_TRUE(log.contains("KS:KeyedArchive: "));
}

TEST(KeyedArchive, TimeZonesDecodeByName) {
  test::TempDeviceRoot root;
  auto berlin = TimeZone::named("Europe/Berlin");
  ASSERT_TRUE(berlin);
  auto back = KeyedArchive::decodeTimeZone(KeyedArchive::encode(*berlin));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), "Europe/Berlin");

  LogCapture log;
  ArchiveBuilder b;
  PlistValue f = PlistValue::dict();
  f.set("NS.name", b.add("Mars/Olympus_Mons"));
  EXPECT_FALSE(KeyedArchive::decodeTimeZone(b.bytes(b.object("NSTimeZone", f))));
  EXPECT_TRUE(log.contains("Mars/Olympus_Mons"));
}

TEST(KeyedArchive, SubclassesAndObjectWrappedValuesDecode) {
  test::TempDeviceRoot root;
  ArchiveBuilder b;
  PlistValue str = PlistValue::dict();
  str.set("NS.string", "wrapped");
  PlistUid wrapped = b.object("NSMutableString", str);
  PlistValue data = PlistValue::dict();
  data.set("NS.data", Bytes{7});
  PlistUid mdata = b.object("NSMutableData", data);
  PlistValue date = PlistValue::dict();
  date.set("NS.time", 100.5);
  PlistUid when = b.object("NSDate", date);
  PlistValue list = PlistValue::dict();
  list.set("NS.objects", PlistValue(PlistValue::Array{wrapped, mdata, when, b.add(3), PlistUid{0}}));
  list.set("$class", b.cls("__NSArrayM", {"__NSArrayM", "NSMutableArray", "NSArray", "NSObject"}));
  auto back = KeyedArchive::decodePlist(b.bytes(b.add(list)));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, PlistValue(PlistValue::Array{"wrapped", Bytes{7}, Date(100.5), 3})) << back->description();
}

TEST(KeyedArchive, MembersTakeTheirPreferenceFormsOrAreLeftOut) {
  test::TempDeviceRoot root;
  LogCapture log;
  ArchiveBuilder b;
  PlistValue red = PlistValue::dict();
  red.set("UIRed", 1.0);
  red.set("UIGreen", 0.0);
  red.set("UIBlue", 0.0);
  PlistUid colour = b.object("UIColor", red);
  PlistValue tz = PlistValue::dict();
  tz.set("NS.name", b.add("UTC"));
  PlistUid zone = b.object("NSTimeZone", tz);
  PlistUid odd = b.object("NSUUID", PlistValue::dict());
  PlistValue dict = PlistValue::dict();
  dict.set("NS.keys", PlistValue(PlistValue::Array{b.add("color"), b.add("zone"), b.add("uuid"), b.add(7)}));
  dict.set("NS.objects", PlistValue(PlistValue::Array{colour, zone, odd, b.add("seven")}));
  auto back = KeyedArchive::decodePlist(b.bytes(b.object("NSDictionary", dict)));
  ASSERT_TRUE(back);
  PlistValue want = PlistValue::dict();
  want.set("color", PlistValue(PlistValue::Array{1.0, 0.0, 0.0, 1.0}));
  want.set("zone", "UTC");
  want.set("7", "seven");
  EXPECT_EQ(*back, want) << back->description();
  EXPECT_TRUE(log.contains("NSUUID"));
}

TEST(KeyedArchive, DamagedArchivesDecodeToNoneWithALogLine) {
  test::TempDeviceRoot root;
  LogCapture log;
  auto decodes = [](const Bytes& bytes) { return KeyedArchive::decode(bytes).has_value(); };
  EXPECT_FALSE(decodes(Bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0', 1, 2, 3}));
  EXPECT_TRUE(log.contains("not a property list"));

  PlistValue notArchive = PlistValue::dict();
  notArchive.set("$archiver", "Something");
  EXPECT_FALSE(decodes(notArchive.toBytes(PlistValue::Format::Binary)));

  {  // The root points past the object table.
    ArchiveBuilder b;
    EXPECT_FALSE(decodes(b.bytes(PlistUid{99})));
    EXPECT_TRUE(log.contains("out of range"));
  }
  {  // An array that contains itself.
    ArchiveBuilder b;
    PlistValue self = PlistValue::dict();
    self.set("NS.objects", PlistValue(PlistValue::Array{PlistUid{2}}));
    PlistUid at = b.object("NSArray", self);
    ASSERT_EQ(at.value, 2u);
    EXPECT_FALSE(decodes(b.bytes(at)));
    EXPECT_TRUE(log.contains("cycle"));
  }
  {  // Keys and values of different lengths; a class reference to a non-class.
    ArchiveBuilder b;
    PlistValue d = PlistValue::dict();
    d.set("NS.keys", PlistValue(PlistValue::Array{b.add("a")}));
    d.set("NS.objects", PlistValue::array());
    EXPECT_FALSE(decodes(b.bytes(b.object("NSDictionary", d))));
    PlistValue bad = PlistValue::dict();
    bad.set("$class", b.add(5));
    EXPECT_FALSE(decodes(b.bytes(b.add(bad))));
  }
  {  // An unknown class at the root.
    ArchiveBuilder b;
    EXPECT_FALSE(decodes(b.bytes(b.object("TWSecretThing", PlistValue::dict()))));
    EXPECT_TRUE(log.contains("TWSecretThing"));
  }
  size_t before = log.lines.size();
  EXPECT_FALSE(decodes(Bytes{}));
  ArchiveBuilder nil;
  EXPECT_FALSE(decodes(nil.bytes(PlistUid{0})));
  EXPECT_EQ(log.lines.size(), before) << "no value is not damage";
}

TEST(KeyedArchive, NestingAndSharingAreBounded) {
  test::TempDeviceRoot root;
  LogCapture log;
  {  // Deeper than the limit.
    ArchiveBuilder b;
    PlistUid inner = b.add("leaf");
    for (int i = 0; i < KeyedArchive::kMaxDepth + 5; ++i) {
      PlistValue a = PlistValue::dict();
      a.set("NS.objects", PlistValue(PlistValue::Array{inner}));
      inner = b.object("NSArray", a);
    }
    EXPECT_FALSE(KeyedArchive::decode(b.bytes(inner)));
    EXPECT_TRUE(log.contains("deep"));
  }
  // Each level holds the level below twice: small to store, 2^40 values to expand.
  auto doubling = [](int levels) {
    ArchiveBuilder b;
    PlistUid inner = b.add("leaf");
    for (int i = 0; i < levels; ++i) {
      PlistValue a = PlistValue::dict();
      a.set("NS.objects", PlistValue(PlistValue::Array{inner, inner}));
      inner = b.object("NSArray", a);
    }
    return b.bytes(inner);
  };
  EXPECT_FALSE(KeyedArchive::decode(doubling(40)));
  EXPECT_TRUE(log.contains("values"));
  auto shared = KeyedArchive::decodePlist(doubling(3));
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->description(), "(((leaf, leaf), (leaf, leaf)), ((leaf, leaf), (leaf, leaf)))");
}
