// Fixture of the event tests: event calendars written the way another program would, and
// the occurrences a window holds, read as "start title" lines in UTC so expectations can be
// worked out by hand.
#pragma once

#include <string>
#include <vector>

#include "tests/calendarstore/StoreFixture.h"
#include "tests/support/IsoDate.h"

namespace kestrel::test {

class EventFixture : public StoreFixture {
 protected:
  EventFixture();

  // A VEVENT with the given UID and extra property lines.
  static std::string vevent(const std::string& uid, const std::string& lines);

  // An event calendar folder with metadata; `files` maps metadata file names to contents
  // ("type", "readonly", "owner", ...).
  void writeCalendar(const std::string& id, const std::string& title,
                     const std::vector<std::pair<std::string, std::string>>& files = {});
  std::string eventPath(const std::string& calendarId, const std::string& fileName) const;
  std::string writeEvent(const std::string& calendarId, const std::string& fileName, const std::string& text);

  std::vector<Event> eventsBetween(const char* from, const char* to);
  // "2026-12-08T08:00:00Z Title" per occurrence, in the store's order.
  std::vector<std::string> startsBetween(const char* from, const char* to);
  static std::vector<std::string> starts(const std::vector<Event>& events);
};

}  // namespace kestrel::test
