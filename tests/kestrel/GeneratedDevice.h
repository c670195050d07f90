// A device root written by the generators (a Taskwell installation in schema 260 and, as
// asked, the sample reminder lists and device calendars) at a fixed "now" in Europe/Berlin,
// for tests that run kestrel's commands on it. The folder is removed with the object.
//
// sessionArgs() answers the command-line words that load the built tasks plug-in on it with
// the given options; openSession() runs them through PluginSession, as `kestrel rows` does.
// eventsSessionArgs() loads the built events plug-in instead.
// Options are stored in the plug-in's preferences, so clearOptions() starts afresh.
// Main thread only; one device at a time (the device root, clock and zone are global).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "tools/fixture/TaskwellFixture.h"
#include "tools/kestrel/PluginSession.h"

namespace kestrel::test {

class GeneratedDevice {
 public:
  static constexpr const char* kNow = "2026-12-08T14:30:00Z";
  static constexpr const char* kZone = "Europe/Berlin";

  struct Contents {
    bool reminders = true;
    bool calendars = false;
    bool taskwellEvents = true;  // the generated Taskwell events (false: none)
  };

  // An event a test places at a known time, with alarms `alarmsBefore` seconds before its start.
  struct PlacedEvent {
    std::string title;
    Date start;
    Date end;
    std::vector<int> alarmsBefore;
  };

  GeneratedDevice();
  explicit GeneratedDevice(Contents contents);
  ~GeneratedDevice();
  GeneratedDevice(const GeneratedDevice&) = delete;
  GeneratedDevice& operator=(const GeneratedDevice&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& root() const { return root_; }
  const fixture::FixtureResult& taskwell() const { return taskwell_; }
  std::string localPath(const std::string& devicePath) const { return root_ + devicePath; }

  // "--plugin <built library> --root <root> --now <now> --tz <zone>" and "--option k=v" each.
  std::vector<std::string> sessionArgs(const std::vector<std::string>& options = {}) const;
  // The same words for the events plug-in, followed by `words` as they stand.
  std::vector<std::string> eventsSessionArgs(const std::vector<std::string>& words = {}) const;
  // Points the process at this device and loads the plug-in; none (and a test failure) when
  // that fails.
  std::unique_ptr<tool::PluginSession> openSession(const std::vector<std::string>& options = {}) const;
  void clearOptions() const;
  // Writes `notes` into Taskwell's database for the first Taskwell task the tasks plug-in
  // shows (with device reminders hidden) and answers that task's key.
  std::string setNotesOfFirstTask(const std::string& notes) const;
  // Writes the event into Taskwell's database (key `key`, in a calendar "Placed"), as
  // Taskwell would.
  void addTaskwellEvent(int64_t key, const PlacedEvent& event) const;
  // Writes the event into the device's calendar "Placed" as a calendar client would (one
  // .ics file named after `uid`).
  void addDeviceEvent(const std::string& uid, const PlacedEvent& event) const;
  // Makes `title`, without coordinates, the only place of that task and answers its key.
  std::string setPlaceOfFirstTask(const std::string& title) const;
  // Whether Taskwell's preferences turn location monitoring (and so Auto mode) on.
  void setLocationMonitoring(bool on) const;

 private:
  // Runs each statement with ?1 = the first task's key and ?2 = `text`.
  std::string writeToFirstTask(const std::vector<const char*>& statements, const std::string& text) const;

  std::string root_;
  std::string error_;
  fixture::FixtureResult taskwell_;
};

// The Taskwell (non-native) task rows of a section, in order, as their fields.
struct ShownTask {
  std::string key;
  PlistValue fields;
};
std::vector<ShownTask> shownTasks(HostEngine& engine, bool includeNative = false);
std::vector<std::string> keysOf(const std::vector<ShownTask>& tasks);

}  // namespace kestrel::test
