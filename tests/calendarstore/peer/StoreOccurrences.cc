// store_occurrences: the calendar store's occurrences of .ics files in a window, for the
// comparison with another calendar library (compare_with_peer.py).
//
//   store_occurrences --tz ZONE --from TIME --to TIME FILE...
//
// Each file becomes a calendar of its own in a temporary device root. One line per
// occurrence, tab separated: file name, UID, start and end (ISO-8601 UTC), "all-day" or
// "timed", status (none, confirmed, tentative, cancelled), title. The store's log lines go
// to standard error.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TimeZone.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

namespace {

const char* statusName(EventStatus status) {
  switch (status) {
    case EventStatus::Confirmed: return "confirmed";
    case EventStatus::Tentative: return "tentative";
    case EventStatus::Canceled: return "cancelled";
    default: return "none";
  }
}

int usage() {
  std::fprintf(stderr, "usage: store_occurrences --tz ZONE --from TIME --to TIME FILE...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string zone = "UTC";
  Date from, to;
  bool haveFrom = false, haveTo = false;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--tz" || arg == "--from" || arg == "--to") && i + 1 < argc) {
      std::string value = argv[++i];
      if (arg == "--tz") zone = value;
      if (arg == "--from") haveFrom = Date::parseISO8601(value, &from);
      if (arg == "--to") haveTo = Date::parseISO8601(value, &to);
    } else if (arg.rfind("--", 0) == 0) {
      return usage();
    } else {
      paths.push_back(arg);
    }
  }
  if (!haveFrom || !haveTo || paths.empty()) return usage();

  test::TempDeviceRoot root;
  if (!TimeZone::named(zone)) return usage();
  TimeZone::setSystemTimeZone(zone);
  setLogEchoToStderr(true);
  for (size_t i = 0; i < paths.size(); ++i) {
    auto text = files::readText(paths[i]);
    if (!text) {
      std::fprintf(stderr, "cannot read %s\n", paths[i].c_str());
      return 1;
    }
    std::string folder = std::string(CalendarStore::kEventsFolder) + "/file" + std::to_string(i);
    root.writeFile(folder + "/displayname", std::filesystem::path(paths[i]).filename().string());
    root.writeFile(folder + "/item.ics", *text);
  }
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  for (const Calendar& calendar : store->calendarsForEntityType(EntityType::Event)) {
    auto events = store->eventsMatchingPredicate(
        CalendarStore::predicateForEventsWithStartDate(from, to, std::vector<Calendar>{calendar}));
    for (const Event& e : events)
      std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\n", calendar.title.c_str(), e.calendarItemIdentifier.c_str(),
                  e.startDate.description().c_str(), e.endDate.description().c_str(), e.allDay ? "all-day" : "timed",
                  statusName(e.status), e.title.c_str());
  }
  return 0;
}
