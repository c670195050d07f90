#include "settings/TWDebugView.h"

#include <cstdio>

#include "database/FWDatabase.h"
#include "model/TWPlugin.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/KSHost.h"
#include "runtime/FWApplication.h"
#include "runtime/FWConsole.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"

namespace {

Ref<kestrel::KSPlugin> hostOf(const Ref<FWApplication>& application) {
  auto controller = application ? application->fwPlugin() : nullptr;
  return controller ? controller->ksPlugin() : nullptr;
}

std::optional<std::string> pageKey(const PlistValue& key) {
  if (const std::string* text = key.asString()) return *text;
  return std::nullopt;
}

bool isTextPage(const std::string& key) {
  return key == kTWDebugPluginPage || key == kTWDebugTaskwellPage || key == kTWDebugKestrelPage ||
         key == kTWDebugConsolePage;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    if (!text.empty()) text += "\n";
    text += line;
  }
  return text;
}

}  // namespace

std::string TWDebugView::localise(const Ref<FWApplication>& application, const std::string& key) {
  Ref<Bundle> bundle = application ? application->pluginBundle() : nullptr;
  if (!bundle) {
    auto host = hostOf(application);
    bundle = host ? host->bundle() : nullptr;
  }
  return bundle ? FWLocalise(bundle, key) : key;
}

FWDetailListSections TWDebugView::dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                        const Ref<FWApplication>& application) {
  auto controller = application ? application->fwPlugin() : nullptr;
  auto twController = std::dynamic_pointer_cast<TWPlugin>(controller);
  FWDetailListSections sections;

  const int32_t version = twController ? twController->dbVersion() : -1;
  char versionText[32];
  std::snprintf(versionText, sizeof versionText, "%.02f", version / 100.0);
  sections.push_back(FWDetailListSection::sectionForElements(
      {FWDetailListEntry::entryWithTitle(localise(application, "Debug View/Version"), PlistValue(versionText))}));

  FWDetailListEntries prefs{FWDetailListEntry::entryWithTitle(localise(application, "Debug View/Prefs"))
                                ->withLinkType(PlistValue(kTWDebugPluginPage))};
  if (twController && twController->isTaskwellPresent() && !twController->isNativeOnly())
    prefs.push_back(FWDetailListEntry::entryWithTitle(localise(application, "Debug View/TW Prefs"))
                        ->withLinkType(PlistValue(kTWDebugTaskwellPage)));
  prefs.push_back(FWDetailListEntry::entryWithTitle(localise(application, "Debug View/KS Prefs"))
                      ->withLinkType(PlistValue(kTWDebugKestrelPage)));
  sections.push_back(FWDetailListSection::sectionForElements(prefs, localise(application, "Debug View/Preferences")));

  sections.push_back(FWDetailListSection::sectionForElements(
      {FWDetailListEntry::entryWithTitle(localise(application, "Debug View/Console"))
           ->withLinkType(PlistValue(kTWDebugConsolePage))}));

  std::string cacheAge = "----";
  if (application && !application->databasePath().empty())
    if (auto updated = FWDBAlternateDatabaseUpdated(application->databasePath(), application.get()))
      cacheAge = FWDebugTimeStringForUTCDate(*updated);
  sections.push_back(FWDetailListSection::sectionForElements(
      {FWDetailListEntry::entryWithTitle("Database Cache", PlistValue(cacheAge))}, "Database Cache"));

  for (auto& section : detailSectionsForListPage(item, key, application)) sections.push_back(section);

  const Date now = Clock::now();
  const auto zone = kestrel::TimeZone::systemTimeZone();
  const Date midnight = FWLocalDateForLocalMidnight();
  FWDetailListEntries time{
      FWDetailListEntry::entryWithTitle("Language", PlistValue(kestrel::Locale::current().identifier())),
      FWDetailListEntry::entryWithTitle("TZ name", PlistValue(zone.name())),
      FWDetailListEntry::entryWithTitle("TZ code", PlistValue(zone.abbreviationForDate(now))),
      FWDetailListEntry::entryWithTitle("Offset", PlistValue(std::to_string(zone.secondsFromGMTForDate(now)))),
      FWDetailListEntry::entryWithTitle("Now", PlistValue(now.description())),
      FWDetailListEntry::entryWithTitle("Start", PlistValue(FWUTCForLocalDate(midnight).description())),
      FWDetailListEntry::entryWithTitle("UTC", PlistValue(midnight.description())),
      FWDetailListEntry::entryWithTitle("DST", PlistValue(zone.isDaylightSavingTimeForDate(now) ? "YES" : "NO"))};
  sections.push_back(FWDetailListSection::sectionForElements(time, localise(application, "Debug View/Time")));
  return sections;
}

std::optional<std::string> TWDebugView::listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                           int32_t displayDepth,
                                                           const Ref<FWApplication>& application) {
  pasteInfo_.reset();
  const auto page = pageKey(key);
  if (!page || !isTextPage(*page)) return std::nullopt;
  std::string text;
  auto host = hostOf(application);
  if (*page == kTWDebugPluginPage) {
    text = host ? host->preferences().description() : PlistValue::dict().description();
  } else if (*page == kTWDebugTaskwellPage) {
    // A missing or damaged preferences file shows as an empty dictionary. The record holds
    // the device path; the file lives under the device root.
    auto prefs = application && !application->preferencesPath().empty()
                     ? PlistValue::fromFile(kestrel::Device::path(application->preferencesPath()))
                     : std::nullopt;
    text = prefs ? prefs->description() : PlistValue::dict().description();
  } else if (*page == kTWDebugKestrelPage) {
    text = host ? host->globalPreferences().description() : PlistValue::dict().description();
  } else {
    text = joined(console());
  }
  pasteInfo_ = text;
  return text;
}

std::optional<bool> TWDebugView::listPageTextScrollToEndForKey(const PlistValue& key, const FWDetailItem&, int32_t,
                                                               const Ref<FWApplication>&) {
  return pageKey(key) == std::optional<std::string>(kTWDebugConsolePage);
}

std::optional<std::string> TWDebugView::captionForListPage(const FWDetailItems&, const PlistValue& forKey, int32_t,
                                                           const Ref<FWApplication>& application) {
  const auto page = pageKey(forKey);
  if (!page) return std::nullopt;
  if (*page == kTWDebugPluginPage) return localise(application, "Debug View/Prefs Title");
  if (*page == kTWDebugTaskwellPage) return localise(application, "Debug View/TW Title");
  if (*page == kTWDebugKestrelPage) return localise(application, "Debug View/KS Title");
  if (*page == kTWDebugConsolePage) return localise(application, "Debug View/Log Title");
  return std::nullopt;
}

std::optional<std::string> TWDebugView::doneButtonCaptionForKey(const PlistValue& key, const FWDetailItem&, int32_t,
                                                                const Ref<FWApplication>& application) {
  const auto page = pageKey(key);
  if (!page || !isTextPage(*page)) return std::nullopt;
  return localise(application, "Detail/Button/Copy");
}

bool TWDebugView::doneClicked(const Ref<FWApplication>& application, const FWDetailListSections&) {
  if (!pasteInfo_) return true;
  if (auto board = kestrel::Pasteboard::pasteboardWithName(kTWDebugPasteboard, true))
    board->setItems({kestrel::Pasteboard::Item{{kTWDebugPasteboardType, PlistValue(*pasteInfo_)}}});
  if (auto control = controlDelegate()) control->displayPopupInstruction(localise(application, "Debug View/Copied"));
  return false;
}

std::vector<std::string> TWDebugView::console() { return FWDebugViewConsole(); }
