// A device with a generated Taskwell installation (tools/fixture, no generated events unless
// asked), the host's plug-in object and an events controller, for tests that drive the
// events plug-in as the host does; and helpers that add Taskwell events, calendars and
// alarms with known dates to the installation's database.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "events/TWEventPlugin.h"
#include "model/TWEvent.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/host/HostPlugin.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel::test {

struct EventRow {
  int64_t key = 0;
  std::string title = "Event";
  Date start;
  Date end;
  bool allDay = false;            // start and end are then UTC midnights of the local days
  std::optional<int64_t> calendar = std::nullopt;
  std::optional<int64_t> rootKey = std::nullopt;  // default: the key
  std::string entity = "TWCalEvent";
  int busyStatus = 0;
};

class EventPluginHarness {
 public:
  // Taskwell installed with a store of `schema` (0: not installed); `events` generated
  // events besides the ones a test adds.
  explicit EventPluginHarness(int schema = 260, int events = 0, bool watchStore = false);
  ~EventPluginHarness();

  Ref<TWEventPlugin>& controller() { return controller_; }
  Ref<FWApplication> app() const { return controller_->fwApplication(); }
  HostPlugin& host() { return *host_; }
  const std::string& root() const { return root_.root(); }
  // Local path of the installation's database.
  const std::string& databaseFile() const { return databaseFile_; }

  void setOptions(PlistValue::Dict options);
  bool detect();
  // One list build with the current options.
  std::vector<Ref<TWEvent>> fetch();
  std::vector<std::string> fetchKeys();

  // Rows of the database (run on the installation's file, as Taskwell would write).
  void exec(const std::string& sql);
  void addCalendar(int64_t key, const std::string& title);
  void addEvent(const EventRow& row);
  // An alarm `before` seconds before the event's start (relative) or at `at` (absolute).
  void addAlarm(int64_t alarmKey, int64_t eventKey, std::optional<int64_t> before, std::optional<Date> at);
  // The entity number Taskwell's store gives `name`.
  int64_t entity(const std::string& name);

 private:
  TempDeviceRoot root_;
  std::string databaseFile_;
  std::shared_ptr<HostPlugin> host_;
  Ref<TWEventPlugin> controller_;
};

// Pumps the main run loop until every controller's background threads have finished.
void finishEventThreads();

}  // namespace kestrel::test
