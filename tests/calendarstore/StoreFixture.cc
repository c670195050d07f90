#include "tests/calendarstore/StoreFixture.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel::test {

StoreFixture::StoreFixture() {
  setLogObserver([this](const std::string& line) {
    std::lock_guard lock(logMutex_);
    log_.push_back(line);
  });
  store = openStore();
}

StoreFixture::~StoreFixture() {
  store.reset();
  setLogObserver(nullptr);
}

std::string StoreFixture::ics(const std::string& components) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other Program//EN\r\n" + components + "END:VCALENDAR\r\n";
}

std::string StoreFixture::todo(const std::string& uid, const std::string& lines) {
  return "BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\n" + lines + "END:VTODO\r\n";
}

void StoreFixture::writeList(const std::string& id, const std::string& title, const std::string& color) {
  std::string folder = std::string(CalendarStore::kRemindersFolder) + "/" + id;
  root.writeFile(folder + "/displayname", title);
  root.writeFile(folder + "/color", color);
}

std::string StoreFixture::itemPath(const std::string& listId, const std::string& fileName) const {
  return root.path(std::string(CalendarStore::kRemindersFolder) + "/" + listId + "/" + fileName);
}

std::string StoreFixture::writeItem(const std::string& listId, const std::string& fileName, const std::string& text) {
  std::string path = itemPath(listId, fileName);
  files::writeFileAtomically(path, text);
  return path;
}

std::string StoreFixture::readItem(const std::string& listId, const std::string& fileName) const {
  return files::readText(itemPath(listId, fileName)).value_or("");
}

Ref<CalendarStore> StoreFixture::openStore(bool watch) {
  CalendarStore::Options options;
  options.watchForChanges = watch;
  return CalendarStore::open(options);
}

std::vector<std::string> StoreFixture::titles(const std::vector<Reminder>& reminders) const {
  std::vector<std::string> out;
  for (const auto& r : reminders) out.push_back(r.title);
  return out;
}

std::vector<std::string> StoreFixture::logLinesContaining(const std::string& text) {
  std::lock_guard lock(logMutex_);
  std::vector<std::string> out;
  for (const auto& line : log_)
    if (line.find(text) != std::string::npos) out.push_back(line);
  return out;
}

}  // namespace kestrel::test
