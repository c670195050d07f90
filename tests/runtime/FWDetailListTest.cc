// Detail page records: entry defaults, chaining, kinds, copies, localised factories,
// sections and the description formats used in logs.
#include <gtest/gtest.h>

#include "platform/foundation/DeviceProfile.h"
#include "platform/ui/Image.h"
#include "platform/ui/View.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWDetailListSection.h"
#include "runtime/FWImages.h"
#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::Color;
using kestrel::DeviceProfile;
using kestrel::PlistValue;

namespace {

Ref<kestrel::Bundle> pluginBundle() {
  return kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle");
}

TEST(FWDetailListEntry, NewEntryHasThePagesLook) {
  EXPECT_EQ(kFWDetailListViewLabelSize, 15);       // ceiling(17 - 2)
  EXPECT_EQ(kFWDetailListViewSystemFontSize, 12);  // ceiling(14 - 2)
  auto entry = FWDetailListEntry::entryWithTitle("Start");
  EXPECT_EQ(entry->title(), "Start");
  EXPECT_EQ(entry->size(), kFWDetailListViewLabelSize);
  EXPECT_EQ(entry->lines(), -1);
  EXPECT_EQ(entry->color(), Color::darkTextColor());
  EXPECT_EQ(entry->backgroundColor(), Color::whiteColor());
  EXPECT_TRUE(entry->value().isNone());
  EXPECT_TRUE(entry->key().isNone());
  EXPECT_FALSE(entry->isControl());
  EXPECT_FALSE(entry->isNotBold() || entry->isDraggable() || entry->isColorAccessory());
}

TEST(FWDetailListEntry, ModifiersChainOnTheSameEntry) {
  auto entry = FWDetailListEntry::entryWithTitle("Notes");
  auto chained = entry->withLinkType(PlistValue("-1"))->withNoBold()->withLines(2)->withClearBackground();
  EXPECT_EQ(chained, entry);
  EXPECT_TRUE(entry->isLink());
  EXPECT_TRUE(entry->isNotBold());
  EXPECT_EQ(entry->key(), PlistValue("-1"));
  EXPECT_EQ(entry->lines(), 2);
  EXPECT_TRUE(entry->backgroundColor().isClear());

  auto accessory = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, 18, 18});
  auto coloured = FWDetailListEntry::entryWithTitle("Calendar")->withColorAccessoryView(accessory);
  EXPECT_EQ(coloured->accessoryView(), accessory);
  EXPECT_TRUE(coloured->isColorAccessory());
}

TEST(FWDetailListEntry, ControlsAreTheInteractiveKinds) {
  auto make = [] { return FWDetailListEntry::entryWithTitle("x"); };
  EXPECT_TRUE(make()->withLinkType(PlistValue("k"))->isControl());
  EXPECT_TRUE(make()->withBackLinkType(PlistValue("k"))->isControl());
  EXPECT_TRUE(make()->withButtonType(PlistValue(0))->isControl());
  EXPECT_TRUE(make()->withProgressType()->isControl());
  auto switcher = make();
  switcher->setSwitcher(true);
  EXPECT_TRUE(switcher->isControl());
  auto checked = make();
  checked->setSelected(true);
  EXPECT_TRUE(checked->isControl());
  // Dragging, keys and values alone do not make a control.
  EXPECT_FALSE(make()->withDraggableType(PlistValue("12"))->withValue(PlistValue("v"))->isControl());
}

TEST(FWDetailListEntry, CopyTakesAllTwentyFieldsAndSharesObjects) {
  auto icon = FWImageAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle/arrow-right.png");
  ASSERT_TRUE(icon);
  auto accessory = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, 9, 9});
  auto source = FWDetailListEntry::entryWithTitle("Title", PlistValue("Value"))
                    ->withIcon(icon)
                    ->withLinkType(PlistValue("-3"))
                    ->withSize(21)
                    ->withColor(Color::redColor())
                    ->withLines(3)
                    ->withNoBold()
                    ->withBackgroundColor(Color::blueColor())
                    ->withColorAccessoryView(accessory)
                    ->withProgressType();
  source->setInfo("3");
  source->setButton(true);
  source->setMessage("Message");
  source->setBackLink(true);
  source->setSelected(true);
  source->setSwitcher(true);
  source->setDraggable(true);

  auto copy = source->copyWithZone();
  ASSERT_NE(copy, source);
  EXPECT_EQ(copy->icon(), icon);
  EXPECT_TRUE(copy->isLink());
  EXPECT_EQ(copy->size(), 21);
  EXPECT_EQ(copy->color(), Color::redColor());
  EXPECT_EQ(copy->lines(), 3);
  EXPECT_EQ(copy->title(), "Title");
  EXPECT_EQ(&copy->value(), &source->value());  // shared, not copied
  EXPECT_EQ(copy->info(), "3");
  EXPECT_TRUE(copy->isButton());
  EXPECT_EQ(copy->message(), "Message");
  EXPECT_TRUE(copy->isNotBold());
  EXPECT_TRUE(copy->isBackLink());
  EXPECT_TRUE(copy->isProgress());
  EXPECT_TRUE(copy->isSelected());
  EXPECT_TRUE(copy->isSwitcher());
  EXPECT_TRUE(copy->isDraggable());
  EXPECT_EQ(copy->backgroundColor(), Color::blueColor());
  EXPECT_EQ(&copy->key(), &source->key());
  EXPECT_EQ(copy->accessoryView(), accessory);
  EXPECT_TRUE(copy->isColorAccessory());
  // The copy is a record of its own: changing it leaves the source alone.
  EXPECT_EQ(copy->description().substr(copy->description().find(';')),
            source->description().substr(source->description().find(';')));
  copy->setValue(PlistValue(true));
  copy->setTitle(std::nullopt);
  EXPECT_EQ(source->value(), PlistValue("Value"));
  EXPECT_EQ(source->title(), "Title");
}

TEST(FWDetailListEntry, LocalisedFactoriesFallBackToTheKey) {
  auto bundle = pluginBundle();
  EXPECT_EQ(FWDetailListEntry::entryWithLocalisedTitle("Info/Send Mail", bundle)->title(), "Send Mail");
  EXPECT_EQ(FWDetailListEntry::entryWithLocalisedTitle("Detail/Unknown Key", bundle)->title(), "Detail/Unknown Key");
  EXPECT_EQ(FWDetailListEntry::entryWithLocalisedTitle("Info/Caption", nullptr)->title(), "Info/Caption");

  auto plain = FWDetailListEntry::entryWithLocalisedTitle("Info/Caption", PlistValue("Info/Send Mail"), bundle);
  EXPECT_EQ(plain->title(), "Message");
  EXPECT_EQ(plain->value(), PlistValue("Info/Send Mail"));  // a value is not looked up
  auto both = FWDetailListEntry::entryWithLocalisedTitleLocalisedValue("Info/Caption", "Info/Send Mail", bundle);
  EXPECT_EQ(both->value(), PlistValue("Send Mail"));
}

TEST(FWDetailListEntry, TitleSizeFollowsTheDevice) {
  EXPECT_EQ(FWDetailListEntry::fontSizeForTitle(), kFWDetailListViewLabelSize + 3);
  DeviceProfile::setCurrent(DeviceProfile::tablet());
  EXPECT_EQ(FWDetailListEntry::fontSizeForTitle(), 2 * kFWDetailListViewLabelSize);
  DeviceProfile::setCurrent(DeviceProfile::phone());
}

TEST(FWDetailListEntry, UnreadableIconFileGivesNoIcon) {
  kestrel::test::TempDeviceRoot root;
  rt::LogRecorder log;
  auto entry = FWDetailListEntry::entryWithTitle("x")->withIconFile(root.root() + "/missing.png");
  EXPECT_FALSE(entry->icon());
  EXPECT_FALSE(log.lines().empty());
  root.writeFile("/broken.png", "not a picture");
  EXPECT_FALSE(entry->withIconFile(root.path("/broken.png"))->icon());
}

TEST(FWDetailListSection, KeepsItsOwnCopyOfTheList) {
  FWDetailListEntries list{FWDetailListEntry::entryWithTitle("a"), FWDetailListEntry::entryWithTitle("b")};
  auto section = FWDetailListSection::sectionForElements(list, "Alarms");
  list.push_back(FWDetailListEntry::entryWithTitle("c"));
  EXPECT_EQ(section->entries().size(), 2u);
  section->entries().erase(section->entries().begin());
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(section->entries()[0], list[1]);  // entries themselves are shared
  EXPECT_EQ(section->title(), "Alarms");

  auto untitled = FWDetailListSection::sectionForElements({});
  EXPECT_EQ(untitled->withExtraSeparatorSpace(8)->withDraggableType(), untitled);
  EXPECT_FALSE(untitled->title());
  EXPECT_EQ(untitled->extraSeparatorSpace(), 8);
  EXPECT_TRUE(untitled->isDraggable());
}

TEST(FWDetailListSection, DescriptionsListEveryEntry) {
  auto entry = FWDetailListEntry::entryWithTitle("Due", PlistValue("Today"))->withButtonType(PlistValue(0));
  std::string expectedEntry = KSFormat(
      "<FWDetailListEntry: %p; title = Due; message = (null); key = 0; value = Today; info = (null); notBold = 0; "
      "size = 15.000000; icon = (null); lines = -1; color = UIDeviceRGBColorSpace 0 0 0 1; "
      "backgroundColor = UIDeviceRGBColorSpace 1 1 1 1; progress = 0; switcher = 0; selected = 0; link = 0; "
      "backLink = 0; button = 1; draggable = 0>",
      entry.get());
  EXPECT_EQ(entry->description(), expectedEntry);

  auto section = FWDetailListSection::sectionForElements({entry, entry});
  EXPECT_EQ(section->description(),
            KSFormat("<FWDetailListSection: %p; title = (null); draggable = 0; entries = (", section.get()) +
                "\r    " + expectedEntry + "\r    " + expectedEntry + ")>");
}

}  // namespace
