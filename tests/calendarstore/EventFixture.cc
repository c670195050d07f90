#include "tests/calendarstore/EventFixture.h"

#include "platform/foundation/Files.h"

namespace kestrel::test {

EventFixture::EventFixture() { TimeZone::setSystemTimeZone("Europe/Berlin"); }

std::string EventFixture::vevent(const std::string& uid, const std::string& lines) {
  return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\n" + lines + "END:VEVENT\r\n";
}

void EventFixture::writeCalendar(const std::string& id, const std::string& title,
                                 const std::vector<std::pair<std::string, std::string>>& files) {
  std::string folder = std::string(CalendarStore::kEventsFolder) + "/" + id;
  root.writeFile(folder + "/displayname", title);
  for (const auto& [name, content] : files) root.writeFile(folder + "/" + name, content);
}

std::string EventFixture::eventPath(const std::string& calendarId, const std::string& fileName) const {
  return root.path(std::string(CalendarStore::kEventsFolder) + "/" + calendarId + "/" + fileName);
}

std::string EventFixture::writeEvent(const std::string& calendarId, const std::string& fileName,
                                     const std::string& text) {
  std::string path = eventPath(calendarId, fileName);
  files::writeFileAtomically(path, text);
  return path;
}

std::vector<Event> EventFixture::eventsBetween(const char* from, const char* to) {
  return store->eventsMatchingPredicate(CalendarStore::predicateForEventsWithStartDate(iso(from), iso(to), std::nullopt));
}

std::vector<std::string> EventFixture::starts(const std::vector<Event>& events) {
  std::vector<std::string> out;
  for (const auto& e : events) out.push_back(e.startDate.description() + " " + e.title);
  return out;
}

std::vector<std::string> EventFixture::startsBetween(const char* from, const char* to) {
  return starts(eventsBetween(from, to));
}

}  // namespace kestrel::test
