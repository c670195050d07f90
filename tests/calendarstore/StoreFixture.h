// Shared fixture of the calendar store tests: a temporary device root, a store over it
// (not watching unless a test asks), helpers that write collections and .ics files the way
// another program would, and a capture of the log lines.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/calendarstore/CalendarStore.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel::test {

class StoreFixture : public ::testing::Test {
 protected:
  StoreFixture();
  ~StoreFixture() override;

  // Wraps components in a VCALENDAR.
  static std::string ics(const std::string& components);
  // A VTODO with the given UID and extra property lines ("SUMMARY:x\r\n...").
  static std::string todo(const std::string& uid, const std::string& lines);

  // Writes a reminder list folder with metadata, as another program would.
  void writeList(const std::string& id, const std::string& title, const std::string& color = "#FF0000");
  // Writes an item file in a list; answers its local path.
  std::string writeItem(const std::string& listId, const std::string& fileName, const std::string& text);
  std::string itemPath(const std::string& listId, const std::string& fileName) const;
  std::string readItem(const std::string& listId, const std::string& fileName) const;

  Ref<CalendarStore> openStore(bool watch = false);
  std::vector<std::string> titles(const std::vector<Reminder>& reminders) const;
  std::optional<Reminder> find(const std::string& uuid) { return store->reminderWithUUID(uuid); }

  // Log lines containing `text`.
  std::vector<std::string> logLinesContaining(const std::string& text);

  TempDeviceRoot root;
  Ref<CalendarStore> store;

 private:
  std::mutex logMutex_;
  std::vector<std::string> log_;
};

}  // namespace kestrel::test
