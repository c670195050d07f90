#include <gtest/gtest.h>

#include "platform/foundation/Date.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/PlistValue.h"

using namespace kestrel;

namespace {
struct Described {
  std::string description() const { return "<Described>"; }
};
}  // namespace

TEST(Format, ObjectiveCSpecifiers) {
  EXPECT_EQ(KSFormat("KS:%@: Initialising plugin *************", "TWTask"),
            "KS:TWTask: Initialising plugin *************");
  EXPECT_EQ(KSFormat("%d|%i|%lu|%5d|%-4d|%03i", 1, -2, 3ul, 42, 7, 5), "1|-2|3|   42|7   |005");
  EXPECT_EQ(KSFormat("%f %.0f %.2f", 1.5, 2.5, 3.14159), "1.500000 2 3.14");
  EXPECT_EQ(KSFormat("%s and %@", std::string("a"), Described{}), "a and <Described>");
  EXPECT_EQ(KSFormat("[%02i:%02i:%02i.%03i|%i] ", 9, 5, 7, 42, 1234), "[09:05:07.042|1234] ");
  EXPECT_EQ(KSFormat("100%% of %@", PlistValue(3)), "100% of 3");
}

TEST(Format, MismatchedAndMissingArgumentsAreHarmless) {
  EXPECT_EQ(KSFormat("%d", "12"), "12");
  EXPECT_EQ(KSFormat("%@", 5), "5");
  EXPECT_EQ(KSFormat("%@ %@", "one"), "one (null)");
  EXPECT_EQ(KSFormat("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(KSFormat("trailing %"), "trailing %");
  EXPECT_EQ(KSFormat("%@", std::shared_ptr<Described>()), "(null)");
  EXPECT_EQ(KSFormat("%@", std::make_shared<Described>()), "<Described>");
  EXPECT_EQ(KSFormat("%@", Date::nullDate()), "(null)");
}

namespace {
struct SelfAddressed {
  std::string description() const { return KSFormat("<SelfAddressed: %p>", this); }
};
}  // namespace

TEST(Format, PointerToADescribedObjectPrintsItsAddressWithoutDescribingIt) {
  SelfAddressed object;
  std::string address = KSFormat("%p", static_cast<const void*>(&object));
  EXPECT_EQ(object.description(), "<SelfAddressed: " + address + ">");
  EXPECT_EQ(KSFormat("%@", &object), object.description());
  EXPECT_EQ(KSFormat("%@", std::optional<const SelfAddressed*>(&object)), object.description());
}
