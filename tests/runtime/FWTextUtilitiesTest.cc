#include <gtest/gtest.h>

#include "runtime/FWCollectionUtilities.h"
#include "runtime/FWObjectDescription.h"
#include "runtime/FWTextUtilities.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

TEST(FWTextUtilities, LocaliseFallsBackToTheKey) {
  kestrel::test::TempDeviceRoot root;
  root.writeFile("/b/TW.bundle/en.lproj/Localizable.strings", "\"Detail/Start\" = \"Start\";");
  auto bundle = Bundle::bundleAtPath(root.path("/b/TW.bundle"));
  EXPECT_EQ(FWLocalise(bundle, "Detail/Start"), "Start");
  EXPECT_EQ(FWLocalise(bundle, "Detail/End"), "Detail/End");
  EXPECT_EQ(FWLocalise(nullptr, "Detail/Start"), "Detail/Start");
}

TEST(FWTextUtilities, SplittableStringKeepsParenthesesAndDashesWithTheirWords) {
  EXPECT_EQ(FWSplittableString("Home (Work) - Office"), "Home\u00A0(Work)\u00A0-\u00A0Office");
  EXPECT_EQ(FWSplittableString("a - - b"), "a\u00A0-\u00A0- b");  // replacements do not overlap
  EXPECT_EQ(FWSplittableString("(x)-y"), "(x)-y");
  EXPECT_EQ(FWSplittableString(""), "");
}

TEST(FWTextUtilities, XMLEncodingEscapesTheAmpersandFirst) {
  EXPECT_EQ(FWXMLEncodeString("<a href='x'>\"Tom & Jerry\"</a>"),
            "&lt;a href=&apos;x&apos;&gt;&quot;Tom &amp; Jerry&quot;&lt;/a&gt;");
  EXPECT_EQ(FWXMLEncodeString("&amp;&lt;"), "&amp;amp;&amp;lt;");
  EXPECT_EQ(FWXMLEncodeString("plain \u00E9"), "plain \u00E9");
}

TEST(FWTextUtilities, Base64OfUTF8BytesWithPadding) {
  EXPECT_EQ(FWBase64EncodeString(""), "");
  EXPECT_EQ(FWBase64EncodeString("f"), "Zg==");
  EXPECT_EQ(FWBase64EncodeString("fo"), "Zm8=");
  EXPECT_EQ(FWBase64EncodeString("foo"), "Zm9v");
  EXPECT_EQ(FWBase64EncodeString("foobar"), "Zm9vYmFy");
  EXPECT_EQ(FWBase64EncodeString("\u00E9\xFF?>"), "w6n/Pz4=");  // high bytes and both alphabet ends
  std::string longText(100, 'a');
  EXPECT_EQ(FWBase64EncodeString(longText).find('\n'), std::string::npos);
  EXPECT_EQ(FWBase64EncodeString(longText).size(), 136u);
}

TEST(FWTextUtilities, CharStringDecodingReplacesDamageAndAcceptsNull) {
  EXPECT_EQ(FWUFT8StringForCharString(nullptr), "");
  EXPECT_EQ(FWUFT8StringForCharString("Caf\xC3\xA9"), "Caf\u00E9");
  EXPECT_EQ(FWUFT8StringForCharString("ok\xFF\xC3" "end"), "ok\uFFFD\uFFFDend");
  EXPECT_EQ(FWUFT8StringForCharString("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");  // an encoded surrogate is ill-formed
}

TEST(FWTextUtilities, AppendStringAddsTheSeparatorOnlyBetweenTexts) {
  std::string joined;
  for (const char* title : {"Home", "Work", "Errands"}) appendString(joined, title, ", ");
  EXPECT_EQ(joined, "Home, Work, Errands");
}

struct Context {
  int key;
  friend bool operator==(const Context&, const Context&) = default;
};

TEST(FWCollectionUtilities, AddUniqueObjectComparesObjectsNotReferences) {
  std::vector<Ref<Context>> list;
  auto home = std::make_shared<Context>(Context{1});
  EXPECT_TRUE(addUniqueObject(list, home));
  EXPECT_FALSE(addUniqueObject(list, std::make_shared<Context>(Context{1})));
  EXPECT_FALSE(addUniqueObject(list, Ref<Context>()));
  std::vector<Ref<Context>> more{std::make_shared<Context>(Context{2}), nullptr, home,
                                 std::make_shared<Context>(Context{2})};
  addUniqueObjectsFromArray(list, more);
  addUniqueObjectsFromArray(list, nullptr);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1]->key, 2);

  std::vector<std::string> words{"a"};
  addUniqueObjectsFromArray(words, std::vector<std::string>{"b", "a", "c", "b"});
  EXPECT_EQ(words, (std::vector<std::string>{"a", "b", "c"}));
}

struct Opaque {};

TEST(FWObjectDescription, ListsValuedPropertiesSortedByName) {
  Ref<Context> none;
  std::optional<int> missing;
  std::string description = FWObjectDescription({
      {"title", FWPropertyValue(std::string("Call Anna"))},
      {"key", FWPropertyValue(12)},
      {"due", FWPropertyValue(Date(0))},
      {"colour", FWPropertyValue(Color::rgba(1, 0, 0))},
      {"flag", FWPropertyValue(true)},
      {"parent", FWPropertyValue(none)},
      {"count", FWPropertyValue(missing)},
      {"note", FWPropertyValue(static_cast<const char*>(nullptr))},
  });
  EXPECT_EQ(description,
            "{colour = \"UIDeviceRGBColorSpace 1 0 0 1\"; due = 2001-01-01T00:00:00Z; flag = 1; key = 12; "
            "title = \"Call Anna\"; }");
  EXPECT_EQ(FWObjectDescription({}), "{}");
  auto opaque = std::make_shared<Opaque>();
  EXPECT_NE(FWObjectDescription({{"object", FWPropertyValue(opaque)}}).find("object = "), std::string::npos);
}

}  // namespace
