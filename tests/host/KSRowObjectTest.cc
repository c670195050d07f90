#include <gtest/gtest.h>

#include "platform/host/KSHost.h"

namespace kestrel {
namespace {

// A plug-in's item hierarchy: the base knows its description, the subclass adds fields.
class DisplayObject {
 public:
  virtual ~DisplayObject() = default;
  virtual std::string description() const { return "<DisplayObject>"; }
};

class Task : public DisplayObject, public KSDescribable {
 public:
  std::string description() const override { return "<Task: Call>"; }
  PlistValue fields() const override { return PlistValue(PlistValue::Dict{{"title", PlistValue("Call")}}); }
};

TEST(KSRowObjectTest, FindsTheFieldsOfTheDynamicTypeBehindABasePointer) {
  KSData row("12", PlistValue::dict());
  Ref<DisplayObject> item = std::make_shared<Task>();
  row.object = item;
  EXPECT_EQ(row.object.description(), "<Task: Call>");
  ASSERT_TRUE(row.object.isDescribable());
  EXPECT_EQ(row.object.fields().stringForKey("title"), "Call");
  // Still a shared_ptr<void> to the item for the plug-in's own casts.
  EXPECT_EQ(std::static_pointer_cast<DisplayObject>(row.object), item);
}

TEST(KSRowObjectTest, ItemsWithoutFieldsOrDescriptionAndClearing) {
  KSData row("x", PlistValue::dict());
  row.object = std::make_shared<DisplayObject>();
  EXPECT_FALSE(row.object.isDescribable());
  EXPECT_EQ(row.object.description(), "<DisplayObject>");

  row.object = std::make_shared<int>(3);
  EXPECT_EQ(row.object.description(), "");
  EXPECT_TRUE(row.object.fields().isNone());

  row.object = std::make_shared<Task>();
  KSRowObject copy = row.object;
  row.object = nullptr;
  EXPECT_FALSE(row.object);
  EXPECT_FALSE(row.object.isDescribable());
  EXPECT_EQ(copy.fields().stringForKey("title"), "Call");
  copy.reset();
  EXPECT_EQ(copy.description(), "");
}

}  // namespace
}  // namespace kestrel
