#include "settings/TWTaskDebug.h"

#include "model/TWContext.h"
#include "model/TWOptions.h"
#include "runtime/FWApplication.h"
#include "runtime/FWLocalTime.h"

namespace {

using ContextArray = std::vector<Ref<TWContext>>;

std::optional<std::string> pageKey(const PlistValue& key) {
  if (const std::string* text = key.asString()) return *text;
  return std::nullopt;
}

const char* attributeForPage(const std::string& page) {
  if (page == kTWTaskDebugLocationsPage) return kTWApplicationContextLocation;
  if (page == kTWTaskDebugManualPage) return kTWApplicationContextFixed;
  return nullptr;
}

}  // namespace

void TWTaskDebug::willShowBasePage(const FWDetailItem& item) {
  TWDebugView::willShowBasePage(item);
  detailPageID_.reset();
}

std::optional<FWDetailItems> TWTaskDebug::listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage, int32_t,
                                                             const Ref<FWApplication>&) {
  const auto page = pageKey(key);
  if (!page || !attributeForPage(*page)) return std::nullopt;
  // One page listing the contexts; the attribute is read when the page is drawn.
  return FWDetailItems{currentPage};
}

FWDetailListSections TWTaskDebug::dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                        const Ref<FWApplication>& application) {
  const auto page = pageKey(key);
  const char* attribute = page ? attributeForPage(*page) : nullptr;
  if (!attribute) return TWDebugView::dataForDetailListPage(item, key, application);
  detailPageID_ = *page;
  FWDetailListEntries entries;
  const auto contexts =
      application ? application->attribute<ContextArray>(attribute).value_or(ContextArray{}) : ContextArray{};
  for (const auto& context : contexts)
    if (context) entries.push_back(FWDetailListEntry::entryWithTitle(context->title()));
  return {FWDetailListSection::sectionForElements(entries)};
}

FWDetailListSections TWTaskDebug::detailSectionsForListPage(const FWDetailItem&, const PlistValue&,
                                                            const Ref<FWApplication>& application) {
  FWDetailListEntries update{
      FWDetailListEntry::entryWithTitle("⚡ Last Update", PlistValue(FWDebugTimeStringForUTCDate(state_.lastUpdate))),
      FWDetailListEntry::entryWithTitle("Total Items", PlistValue(std::to_string(state_.totalItems))),
      FWDetailListEntry::entryWithTitle("Items Filtered", PlistValue(std::to_string(state_.itemsFiltered))),
      FWDetailListEntry::entryWithTitle("Items With Details", PlistValue(std::to_string(state_.itemsWithDetails)))};
  auto locations = state_.autoContextOn
                       ? FWDetailListEntry::entryWithTitle("Locations")->withLinkType(PlistValue(kTWTaskDebugLocationsPage))
                       : FWDetailListEntry::entryWithTitle("Locations", PlistValue("Off"));
  auto manual = state_.fixedContextOn
                    ? FWDetailListEntry::entryWithTitle("Manual")->withLinkType(PlistValue(kTWTaskDebugManualPage))
                    : FWDetailListEntry::entryWithTitle("Manual", PlistValue("Off"));
  FWDetailListEntries contexts{
      FWDetailListEntry::entryWithTitle("Location Contexts",
                                        PlistValue(state_.locationContextsAvailable ? "Available" : "Unavailable")),
      locations, manual};
  return {FWDetailListSection::sectionForElements(update, "Last Update Details"),
          FWDetailListSection::sectionForElements(contexts, "Task Contexts")};
}

std::optional<std::string> TWTaskDebug::captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                           int32_t displayDepth, const Ref<FWApplication>& application) {
  const auto page = pageKey(forKey);
  if (page == std::optional<std::string>(kTWTaskDebugLocationsPage)) return localise(application, "ListView/Locations");
  if (page == std::optional<std::string>(kTWTaskDebugManualPage)) return localise(application, "ListView/Contexts");
  return TWDebugView::captionForListPage(list, forKey, displayDepth, application);
}
