// TWCalendarPrefs: the settings panes that choose which calendars a plug-in shows, one
// switch per calendar, grouped by account. Taskwell's calendars come from the database the
// status pasteboard names (the pane runs in the Settings application, apart from the
// plug-in); device calendars from the calendar store. Each switch writes the list of hidden
// calendars straight into the plug-in's preference domain: Taskwell calendar keys under
// `twCalendarPref`, device calendar identifiers under `nativeCalendarPref`. A switch is on
// while its calendar is not in the list.
//
// Device calendar keys are the store's identifiers. Older stores keyed calendars by short
// names; once the pane sees a long identifier (more than kShortCalendarIdLength characters)
// it drops from the stored list, once, the short entries that no listed calendar uses any
// more, and writes the cleaned list back. Short identifiers of calendars that still exist
// are kept: they are the keys the plug-ins compare with.
//
// Subclasses only choose what is listed and where it is stored:
//   TWCalendarPrefs           Taskwell calendars only (internal task calendar included)
//   TWTaskCalendarPrefs       + writable device reminder lists       (tasks plug-in)
//   TWEventCalendarPrefs      + device event calendars, no internal  (events plug-in)
//   TWEventInfoCalendarPrefs  as above, the short-information lists "noinfoTWEvents" and
//                             "noinfoNativeCals"                     (events plug-in)
// Main thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/TWContextObject.h"
#include "settings/TWSwitchListPrefs.h"

class TWCalendarPrefs : public TWSwitchListPrefs {
 public:
  static constexpr size_t kShortCalendarIdLength = 30;
  // Group names that sort calendars without an account, and Taskwell's, apart.
  static constexpr const char* kOtherCalendarsGroup = "[[[[[[[[[[";
  static constexpr const char* kTaskwellCalendarsGroup = "]]]]]]]]]]]]";

  void initForContentSize(double width, double height) override;

  void setState(bool state, kestrel::PSSpecifier& specifier) override;
  bool stateForSpecifier(kestrel::PSSpecifier& specifier) override;

  // A group of calendars: "calendarTitle" and its entries.
  struct CalendarGroup {
    std::string calendarTitle;
    std::vector<Ref<TWContextObject>> calendarEntries;
  };

 protected:
  std::vector<Ref<kestrel::PSSpecifier>> loadSpecifiers() override;
  std::vector<CalendarGroup> deviceCalendarGroups() const;

  bool nativeCalendars = false;
  bool taskCalendars = true;
  bool internalCalendars = true;
  bool longCalendarIds = false;
  bool shortCalendarIdsPurged = false;
  std::string twCalendarPref = "hideTWEvents";
  std::string nativeCalendarPref = "hideNativeCals";

 private:
  void loadHiddenLists(const std::string& domain);
  void purgeShortCalendarIds(const std::string& domain);
  bool storeList(const std::string& domain, const std::string& key, const PlistValue::Array& list);

  std::optional<PlistValue::Array> hiddenTW;
  std::optional<PlistValue::Array> hiddenNative;
  std::vector<std::string> listedNativeKeys;  // keys of the device calendars the pane shows
};

class TWTaskCalendarPrefs : public TWCalendarPrefs {
 public:
  void initForContentSize(double width, double height) override;
};

class TWEventCalendarPrefs : public TWCalendarPrefs {
 public:
  void initForContentSize(double width, double height) override;
};

class TWEventInfoCalendarPrefs : public TWEventCalendarPrefs {
 public:
  void initForContentSize(double width, double height) override;
};
