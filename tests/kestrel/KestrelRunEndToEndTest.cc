// `kestrel run` as a process with the real tasks and events plug-ins on a generated device,
// the host's timer out of the way: a device event that another program writes into the
// calendar store's folders reaches the screen through the store's watcher, with no refresh
// asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Files.h"
#include "tests/host/KestrelProcess.h"
#include "tests/kestrel/GeneratedDevice.h"

namespace {

using kestrel::CalendarStore;
using kestrel::test::GeneratedDevice;

constexpr double kWatchdog = 60;

std::string ics(const std::string& component) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other Program//EN\r\n" + component + "END:VCALENDAR\r\n";
}

// The first collection folder of a store folder.
std::string firstCollection(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.is_directory()) found.push_back(entry.path().string());
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

// Writes as another program does: a whole file renamed into place.
void writeAsAnotherProgram(const std::string& path, const std::string& text) {
  ASSERT_TRUE(kestrel::files::writeFileAtomically(path, text)) << path;
}

TEST(KestrelRunEndToEnd, ADeviceEventWrittenByAnotherProgramReachesTheScreenWithoutARefresh) {
  GeneratedDevice device{{.reminders = true, .calendars = true}};
  ASSERT_TRUE(device.ok()) << device.error();
  const std::string scratch = device.root() + "/scratch";
  std::filesystem::create_directories(scratch);
  // Real speed and a timer that never comes: only the plug-ins' own watching refreshes.
  auto process = kestrel::test::startKestrel(
      {"run", "--plugin", TW_PLUGIN_PATH, "--plugin", TW_CAL_PLUGIN_PATH, "--root", device.root(), "--now",
       GeneratedDevice::kNow, "--tz", GeneratedDevice::kZone, "--speed", "1", "--for", "10m", "--timer", "1d",
       "--option", "maxTasks=40"},
      scratch);
  ASSERT_GT(process.pid, 0);
  struct Stop {
    kestrel::test::RunningProcess& process;
    ~Stop() {
      if (process.pid > 0) ::kill(process.pid, SIGINT);
    }
  } stop{process};
  ASSERT_TRUE(kestrel::test::waitForOutput(process, "libTWCalPlugin  added  ", kWatchdog))
      << kestrel::test::outputSoFar(process);
  ASSERT_TRUE(kestrel::test::waitForOutput(process, "libTWPlugin  added  ", kWatchdog));

  // Another program adds a device event for this afternoon.
  const std::string calendar = firstCollection(device.localPath(CalendarStore::kEventsFolder));
  ASSERT_FALSE(calendar.empty());
  writeAsAnotherProgram(calendar + "/from-elsewhere.ics",
                        ics("BEGIN:VEVENT\r\nUID:from-elsewhere\r\nDTSTAMP:20261208T140000Z\r\n"
                            "SUMMARY:Event from another program\r\nDTSTART:20261208T160000Z\r\n"
                            "DTEND:20261208T170000Z\r\nEND:VEVENT\r\n"));
  EXPECT_TRUE(kestrel::test::waitForOutput(process, "Event from another program", kWatchdog))
      << kestrel::test::outputSoFar(process);
  ::kill(process.pid, SIGINT);
  auto run = kestrel::test::finishKestrel(process, kWatchdog);
  process.pid = -1;
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("stopped: "), std::string::npos) << run.out;
}

}  // namespace
