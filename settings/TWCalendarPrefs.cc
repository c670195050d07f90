#include "settings/TWCalendarPrefs.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <map>

#include "model/TWIntegration.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/PreferenceDomain.h"
#include "runtime/FWKeys.h"
#include "settings/TWStatusBoard.h"

using kestrel::PSSpecifier;

namespace {

std::string foldedCase(const std::string& text) {
  std::string out;
  icu::UnicodeString::fromUTF8(text).foldCase().toUTF8String(out);
  return out;
}

PlistValue::Array storedList(kestrel::PreferenceDomain& domain, const std::string& key) {
  auto value = domain.valueForKey(key);
  return value && value->isArray() ? *value->asArray() : PlistValue::Array{};
}

}  // namespace

void TWCalendarPrefs::initForContentSize(double, double) {
  nativeCalendars = false;
  taskCalendars = true;
  internalCalendars = true;
  twCalendarPref = "hideTWEvents";
  nativeCalendarPref = "hideNativeCals";
}

void TWTaskCalendarPrefs::initForContentSize(double width, double height) {
  TWCalendarPrefs::initForContentSize(width, height);
  nativeCalendars = true;
}

void TWEventCalendarPrefs::initForContentSize(double width, double height) {
  TWCalendarPrefs::initForContentSize(width, height);
  nativeCalendars = true;
  taskCalendars = false;
  internalCalendars = false;
}

void TWEventInfoCalendarPrefs::initForContentSize(double width, double height) {
  TWEventCalendarPrefs::initForContentSize(width, height);
  twCalendarPref = "noinfoTWEvents";
  nativeCalendarPref = "noinfoNativeCals";
}

std::vector<TWCalendarPrefs::CalendarGroup> TWCalendarPrefs::deviceCalendarGroups() const {
  auto store = kestrel::CalendarStore::open({.watchForChanges = false});
  if (!store) return {};
  std::vector<kestrel::Calendar> calendars = taskCalendars
                                                 ? store->readWriteCalendarsForEntityType(kestrel::EntityType::Reminder)
                                                 : store->calendarsForEntityType(kestrel::EntityType::Event);
  std::vector<CalendarGroup> groups;
  for (const auto& calendar : calendars) {
    std::string group = calendar.sourceTitle.empty() ? kOtherCalendarsGroup : calendar.sourceTitle;
    auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.calendarTitle == group; });
    if (it == groups.end()) it = groups.insert(groups.end(), CalendarGroup{group, {}});
    std::string key = FWKeyForCalendar({.identifier = calendar.calendarIdentifier, .title = calendar.title});
    it->calendarEntries.push_back(
        TWContextObject::objectWithKey({.key = 0, .name = calendar.title, .icon = key, .native = true}));
  }
  std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
    return foldedCase(a.calendarTitle) < foldedCase(b.calendarTitle);
  });
  for (auto& group : groups)
    std::stable_sort(group.calendarEntries.begin(), group.calendarEntries.end(),
                     [](const auto& a, const auto& b) { return a->name() < b->name(); });
  return groups;
}

std::vector<Ref<PSSpecifier>> TWCalendarPrefs::loadSpecifiers() {
  std::vector<CalendarGroup> groups;
  if (nativeCalendars) groups = deviceCalendarGroups();

  const std::string domain = paneDomain();
  auto database = TWSettingsDatabase::fromStatusBoard(domain.empty() ? "TWSettings" : domain);
  if (database) {
    auto calendars = TWIntegration::arrayOfCalendars(database->application.get(), false, internalCalendars);
    if (!calendars.empty()) groups.push_back({kTaskwellCalendarsGroup, calendars});
  }

  std::vector<Ref<PSSpecifier>> rows;
  listedNativeKeys.clear();
  for (const auto& group : groups) {
    const bool taskwell = group.calendarTitle == kTaskwellCalendarsGroup;
    if (nativeCalendars) {
      std::string title = group.calendarTitle == kOtherCalendarsGroup ? localise("Filters/Other Calendars")
                          : taskwell                                  ? localise("Filters/Tallybook Calendars")
                                                                      : group.calendarTitle;
      rows.push_back(PSSpecifier::groupSpecifierWithName(title));
    }
    for (const auto& entry : group.calendarEntries) {
      auto row = switchRow(TWIntegration::stringForTitle(entry->name(), "", "", false), true);
      row->setProperty("isTaskwell", taskwell);
      std::string key = taskwell ? std::to_string(entry->key()) : entry->icon();
      row->setProperty("calendarKey", key);
      if (!taskwell) {
        listedNativeKeys.push_back(key);
        if (key.size() > kShortCalendarIdLength) {
          longCalendarIds = true;
          shortCalendarIdsPurged = false;
        }
      }
      rows.push_back(std::move(row));
    }
  }
  if (!database) {
    auto notFound = PSSpecifier::groupSpecifierWithName("");
    notFound->setProperty("footerText", localise("Filters/Taskwell Not Found"));
    rows.push_back(std::move(notFound));
  }
  return rows;
}

void TWCalendarPrefs::loadHiddenLists(const std::string& domain) {
  if (hiddenTW && (hiddenNative || !nativeCalendars)) return;
  kestrel::PreferenceDomain preferences(domain);
  if (!hiddenTW) hiddenTW = storedList(preferences, twCalendarPref);
  if (nativeCalendars && !hiddenNative) hiddenNative = storedList(preferences, nativeCalendarPref);
}

void TWCalendarPrefs::purgeShortCalendarIds(const std::string& domain) {
  if (!longCalendarIds || shortCalendarIdsPurged || !hiddenNative) return;
  shortCalendarIdsPurged = true;
  size_t before = hiddenNative->size();
  std::erase_if(*hiddenNative, [&](const PlistValue& entry) {
    std::string key = keyText(entry);
    bool stillUsed = std::find(listedNativeKeys.begin(), listedNativeKeys.end(), key) != listedNativeKeys.end();
    return key.size() < kShortCalendarIdLength && !stillUsed;
  });
  if (hiddenNative->size() != before) {
    KSLog("KS:TWCommon: Dropped %@ short calendar identifiers from %@", before - hiddenNative->size(),
          nativeCalendarPref);
    storeList(domain, nativeCalendarPref, *hiddenNative);
  }
}

bool TWCalendarPrefs::stateForSpecifier(PSSpecifier& row) {
  const std::string domain = domainOf(row);
  loadHiddenLists(domain);
  purgeShortCalendarIds(domain);
  const std::string key = row.stringProperty("calendarKey");
  if (row.properties.boolForKey("isTaskwell")) return !containsKey(*hiddenTW, key);
  return !(hiddenNative && containsKey(*hiddenNative, key));
}

void TWCalendarPrefs::setState(bool state, PSSpecifier& row) {
  const std::string domain = domainOf(row);
  // Lists not read yet are read first: starting from empty ones would drop what is stored.
  loadHiddenLists(domain);
  if (!hiddenTW) hiddenTW.emplace();
  if (!hiddenNative) hiddenNative.emplace();
  const bool taskwell = row.properties.boolForKey("isTaskwell");
  PlistValue::Array& list = taskwell ? *hiddenTW : *hiddenNative;
  const std::string key = row.stringProperty("calendarKey");
  if (state)
    std::erase_if(list, [&](const PlistValue& v) { return keyText(v) == key; });
  else if (!containsKey(list, key))
    list.push_back(PlistValue(key));
  storeList(domain, taskwell ? twCalendarPref : nativeCalendarPref, list);
}

bool TWCalendarPrefs::storeList(const std::string& domain, const std::string& key, const PlistValue::Array& list) {
  kestrel::PreferenceDomain preferences(domain);
  preferences.setValue(key, PlistValue(list));
  if (preferences.synchronize()) return true;
  setProblem(localise("Filters/Cannot Save"));
  return false;
}
