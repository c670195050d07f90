// kestrel demo: generate a sample device (a Taskwell installation and the device's own
// reminder lists), run the tasks and events plug-ins on it and print their sections as a
// person reads them. A plug-in that is not built is left out with a note on standard error.
#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/TimeZone.h"
#include "tools/fixture/DeviceCalendarFixture.h"
#include "tools/fixture/ReminderFixture.h"
#include "tools/fixture/TaskwellFixture.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/RowTouch.h"
#include "tools/kestrel/SectionPrint.h"
#include "tools/kestrel/SessionPicture.h"
#include "platform/ui/Screen.h"

namespace kestrel::tool {
namespace {
// The status row: a touch on it opens the tool bar.
constexpr const char* kStatusRowID = "[[[statusbar]]]";
}  // namespace

int runDemo(std::span<const std::string> args) {
  CommandLine line("demo", "--root DIR [--now ISO-8601] [--tz ZONE] [--tasks N] [--seed S] [--reminders DIR] [--calendars DIR]",
                   "Writes a sample Taskwell installation and two reminder lists under the device root\n"
                   "(replacing an earlier sample there), loads the tasks and the events plug-in, refreshes\n"
                   "them once and prints their sections, tasks first: each header, then every row in sort\n"
                   "order. A plug-in that is not built yet is left out (standard error says which). The\n"
                   "picture shows both sections, the tasks section after a touch on its status row, which\n"
                   "opens the tool bar under it.",
                   {{"root", "DIR", "device root folder (created when missing)"},
                    {"now", "ISO-8601", "simulated time, e.g. 2026-12-08T14:30:00Z (default: now)"},
                    {"tz", "ZONE", "system time zone, e.g. Europe/Berlin (default: the machine's)"},
                    {"tasks", "N", "number of sample tasks (default 36)"},
                    {"seed", "S", "seed of the sample data (default 1)"},
                    {"out", "FILE.png", "picture of the section (default: lock-screen.png in the device root)"},
                    {"reminders", "DIR", "a vdir folder of the user's reminder lists, shown in place of the sample lists", true},
                    {"calendars", "DIR", "a vdir folder of the user's calendars, shown in place of the sample calendars", true}});
  auto parsed = line.parse(args);
  if (!parsed) return line.fail(parsed.error() + " (see kestrel demo --help)", kExitUsage);
  if (parsed->help) {
    std::fputs(line.usage().c_str(), stdout);
    return kExitSuccess;
  }
  auto root = parsed->value("root");
  if (!root || root->empty()) return line.fail("--root DIR is required", kExitUsage);

  Date now = Clock::now();
  if (auto text = parsed->value("now"); text && !Date::parseISO8601(*text, &now))
    return line.fail("--now: not an ISO-8601 date: " + printable(*text), kExitUsage);
  TimeZone zone = TimeZone::systemTimeZone();
  if (auto name = parsed->value("tz")) {
    auto named = TimeZone::named(*name);
    if (!named) return line.fail("--tz: unknown time zone: " + printable(*name), kExitUsage);
    zone = *named;
  }

  fixture::FixtureOptions options;
  options.root = *root;
  options.now = now;
  options.tz = zone.name();
  try {
    if (auto n = parsed->value("tasks")) options.tasks = std::stoi(*n);
    if (auto s = parsed->value("seed")) options.seed = std::stoull(*s);
  } catch (const std::exception&) {
    return line.fail("--tasks and --seed take whole numbers", kExitUsage);
  }
  std::fprintf(stderr, "Writing a sample Taskwell installation under %s ...\n", root->c_str());
  auto generated = fixture::generateTaskwellFixture(options, nullptr);
  if (!generated.ok) return line.fail(generated.error, kExitFailure);

  Device::setRoot(*root);
  Clock::fix(now);
  TimeZone::setSystemTimeZone(zone);
  auto reminders = fixture::generateReminderFixture(now, zone);
  if (!reminders.ok) return line.fail(reminders.error, kExitFailure);
  auto calendars = fixture::generateDeviceCalendarFixture(now, zone, 0, options.seed);
  if (!calendars.ok) return line.fail(calendars.error, kExitFailure);
  std::fprintf(stderr, "Sample ready: %s; %d reminder lists, %d device calendars. Loading the plug-ins ...\n",
               generated.databasePath.c_str(), reminders.lists, calendars.calendars);

  const std::string out = parsed->value("out").value_or(*root + "/lock-screen.png");
  ui::Screen::setScale(2);
  ui::Screen::setSize({320, 480});

  std::vector<std::string> sessionArgs = {"--plugin", "tasks", "--plugin", "events", "--root", *root,
                                          "--now", now.description(), "--tz", zone.name()};
  for (const char* kind : {"reminders", "calendars"})
    for (const auto& folder : parsed->values(kind)) sessionArgs.insert(sessionArgs.end(), {std::string("--") + kind, folder});
  CommandLine sessionLine("demo", "", "", sessionOptions());
  auto session_options = sessionLine.parse(sessionArgs);
  if (!session_options) return line.fail(session_options.error(), kExitFailure);
  PluginSession::Failure failure;
  std::vector<std::string> missing;
  auto session = PluginSession::open(*session_options, &failure, {.skipMissingBuilt = true, .missing = &missing});
  for (const auto& note : missing) std::fprintf(stderr, "kestrel demo: showing what is built: %s\n", note.c_str());
  if (!session) return line.fail(failure.message, kExitFailure);

  setLockScreenTheme(*session, 2);
  for (auto& section : session->sections()) {
    HostEngine& engine = *section.engine;
    if (auto info = engine.sectionInfo(); info && info.value()) {
      std::printf("== %s", info.value()->title.c_str());
      if (!info.value()->detail.empty()) std::printf(" (%s)", info.value()->detail.c_str());
      std::printf(" ==\n");
    }
    printSectionAsShown(stdout, engine);
  }
  std::fflush(stdout);

  if (HostEngine* tasks = session->sectionNamed("tasks"); tasks && tasks->row(kStatusRowID)) {
    if (auto missed = touchRow(*tasks, kStatusRowID, 320))
      std::fprintf(stderr, "kestrel demo: the tool bar stays closed: %s\n", missed->c_str());
  }
  DrawnPicture drawn = drawSession(*session, out, 320, 2);
  if (!drawn.ok) return line.fail("cannot write the picture " + printable(out), kExitFailure);
  std::fprintf(stderr, "Lock screen drawn to %s (%d x %d pixels)\n", out.c_str(), drawn.width, drawn.height);
  return kExitSuccess;
}

}  // namespace kestrel::tool
