// TWItemPreview: the protocol answers and page pieces both previews share.
#include "tasks/TWItemPreview.h"

#include <algorithm>
#include <cctype>

#include "model/TWRecordComparators.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"

using kestrel::ui::BarButtonItem;
using kestrel::ui::BarButtonItemStyle;

namespace {

bool isBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
}

}  // namespace

bool TWItemPreview::buttonClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                                  const Ref<FWDetailListEntry>& button) {
  if (!isDialerPage(detailPageID_.value_or(std::string()))) return false;
  return dialNumberForButton(appFor(application), sections, button);
}

Ref<Bundle> TWItemPreview::bundle() const { return TWTaskBundleForApp(currentApplication_.get()); }

Ref<kestrel::KSPlugin> TWItemPreview::hostOf(FWApplication* app) {
  auto controller = app ? app->fwPlugin() : nullptr;
  return controller ? controller->ksPlugin() : nullptr;
}

Ref<FWDetailListEntry> TWItemPreview::placeEntry(const TWLocation& location, const char* mapPage) {
  const std::string& place = location.title();
  auto entry = FWDetailListEntry::entryWithTitle(place);
  if (location.coordinates() || FWCharacterCount(place) < kTWPreviewMapTitleLimit)
    entry->withLinkType(PlistValue(mapPage))->withIcon(FWImageNamed("map"));
  return entry;
}

FWDetailListEntries TWItemPreview::notesGroup(const TWObject& item, const Ref<Bundle>& bundle, const char* notesPage,
                                              const char* dialerPage, bool dialer) {
  FWDetailListEntries notes;
  const auto summary = item.notesSummary();
  if (!summary || isBlank(*summary)) return notes;
  notes.push_back(FWDetailListEntry::entryWithTitle(*summary)->withSize(kFWDetailListViewSystemFontSize)->withNoBold());
  if (item.notes() && summary->size() < item.notes()->size()) {
    notes.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Show Notes", bundle)
                        ->withIcon(FWImageNamed("notes"))
                        ->withLinkType(PlistValue(notesPage)));
  }
  if (dialer && numbersFromString(item.notes())) {
    notes.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Numbers", bundle)
                        ->withIcon(FWImageNamed("phone"))
                        ->withLinkType(PlistValue(dialerPage)));
  }
  return notes;
}

FWDetailListSections TWItemPreview::tagsPage(const Ref<TWObject>& item) const {
  if (!item) return {};
  auto tags = item->tags();
  tags.erase(std::remove(tags.begin(), tags.end(), nullptr), tags.end());
  std::stable_sort(tags.begin(), tags.end(), [](const Ref<TWContextObject>& a, const Ref<TWContextObject>& b) {
    return compareContextObjectNames(a, b) < 0;
  });
  FWDetailListEntries entries;
  for (const auto& tag : tags) {
    entries.push_back(detailColourEntryForTitle(tag->name(), std::nullopt, tag->icon(), std::string(), tag->color(),
                                                emojiAfter()));
  }
  return {FWDetailListSection::sectionForElements(entries)};
}

FWDetailListSections TWItemPreview::pageWithTitleGroup(const FWDetailListEntries& titleGroup) {
  return {FWDetailListSection::sectionForElements(titleGroup)->withExtraSeparatorSpace(4)};
}

void TWItemPreview::addGroup(FWDetailListSections& sections, const FWDetailListEntries& entries,
                             std::optional<std::string> title) {
  if (!entries.empty()) sections.push_back(FWDetailListSection::sectionForElements(entries, std::move(title)));
}

std::shared_ptr<BarButtonItem> TWItemPreview::barButton(const FWImage& image, const std::string& textKey,
                                                        std::string actionName, BarButtonItem::Action action) const {
  if (!image)
    return BarButtonItem::itemWithTitle(FWLocalise(bundle(), textKey), BarButtonItemStyle::Bordered,
                                        std::move(actionName), std::move(action));
  auto item = BarButtonItem::itemWithImage(image, BarButtonItemStyle::Plain, std::move(actionName), std::move(action));
  item->setAccessibilityLabel(FWLocalise(bundle(), textKey));
  return item;
}
