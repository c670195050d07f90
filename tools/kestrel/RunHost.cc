#include "tools/kestrel/RunHost.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <ctime>
#include <functional>
#include <thread>
#include <variant>

#include "platform/audio/SoundService.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/Duration.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/RunControl.h"

namespace kestrel::tool {
namespace {

constexpr double kDefaultTimerSeconds = 60;
constexpr double kLargestSpeed = 100000;

// SIGINT and SIGTERM are taken by a thread of their own (blocked everywhere else, threads
// started later included), which ends the run loop; SIGUSR1 queues `onControl` on the run
// loop (RunControl.h). Nothing runs in a signal handler.
class StopSignals {
 public:
  explicit StopSignals(std::function<void()> onControl) : onControl_(std::move(onControl)) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    thread_ = std::thread([this] {
      const timespec slice{0, 100 * 1000 * 1000};
      while (!done_.load()) {
        int signal = sigtimedwait(&set_, nullptr, &slice);
        if (signal == SIGINT || signal == SIGTERM) {
          received_.store(signal);
          RunLoop::main().quit();
        } else if (signal == SIGUSR1) {
          RunLoop::main().deferredInvoke(onControl_);
        }
      }
    });
  }
  ~StopSignals() {
    done_.store(true);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  int received() const { return received_.load(); }

 private:
  sigset_t set_{}, previous_{};
  std::atomic<bool> done_{false};
  std::atomic<int> received_{0};
  std::function<void()> onControl_;
  std::thread thread_;
};

// The host's timer notification, every `interval` from `start`, as a labelled run-loop timer.
// REQUIRES: cancel() before the engine goes.
class HostTimer {
 public:
  HostTimer(HostEngine& engine, Date start, double interval) : engine_(engine), start_(start), interval_(interval) {}
  ~HostTimer() { cancel(); }
  void schedule(int k) {
    id_ = RunLoop::main().scheduleLabelledTimerAt(start_.addingTimeInterval(k * interval_), "host timer", [this, k] {
      schedule(k + 1);
      engine_.postTimerFired();
    });
  }
  void cancel() { RunLoop::main().cancelTimer(id_); }
  // After the clock was set: the notification keeps its interval from now, as the device's
  // timer counts elapsed time, not clock time.
  void restartFromNow() {
    cancel();
    start_ = Clock::now();
    schedule(1);
  }

 private:
  HostEngine& engine_;
  Date start_;
  double interval_;
  RunLoop::TimerId id_ = 0;
};

// Runs the main run loop for up to a second of real time; a call that throws is logged.
void runLoopSlice() {
  try {
    RunLoop::main().runFor(1.0);
  } catch (const std::exception& e) {
    KSLog("KS:Kestrel: A run-loop call threw: %@", std::string(e.what()));
  } catch (...) {
    KSLog("KS:Kestrel: A run-loop call threw: %@", std::string("unknown exception"));
  }
}

// Reads and removes the control file and applies its requests (RunControl.h).
void applyControlFile(PluginSession& session, RunReporter& reporter, HostTimer& hostTimer) {
  const std::string path = Device::path(RunControl::kDevicePath);
  auto size = files::size(path);
  if (!size) return;
  std::optional<std::string> text = *size <= RunControl::kMaxFileSize ? files::readText(path) : std::nullopt;
  files::removeFile(path);
  if (!text) {
    reporter.note("control  refused " + std::string(RunControl::kDevicePath) + ": not a readable text file of at most 64 KB");
    return;
  }
  bool clockSet = false;
  for (const RunControl::Line& line : RunControl::parse(*text)) {
    if (!line.request) {
      reporter.note("control  refused " + line.text + ": " + line.refusal);
      continue;
    }
    if (const auto* zone = std::get_if<RunControl::SetZone>(&*line.request)) {
      // The zone is the device's: set once, and every loaded plug-in hears of it.
      if (!session.engine().changeSystemTimeZone(zone->name)) {
        reporter.note("control  refused " + line.text + ": unknown time zone");
        continue;
      }
    } else if (const auto* move = std::get_if<RunControl::MoveClock>(&*line.request)) {
      Clock::advance(move->seconds);
      clockSet = true;
    } else if (const auto* set = std::get_if<RunControl::SetClock>(&*line.request)) {
      Clock::advance(set->time.timeIntervalSinceDate(Clock::now()));
      clockSet = true;
    }
    KSLog("KS:Kestrel: Run control: %@", line.text);
    reporter.note("control  " + line.text);
  }
  if (clockSet) hostTimer.restartFromNow();
  session.engine().pumpUntilIdle();
  reporter.reportChanges();
}

}  // namespace

std::vector<OptionSpec> runHostOptions() {
  std::vector<OptionSpec> options = sessionOptions();
  options.push_back({"speed", "N", "run the clock N times faster than real time, from --now (default 1)"});
  options.push_back({"until", "TIME", "end at this ISO-8601 time of the clock"});
  options.push_back({"for", "DURATION", "end after this much clock time: 90s, 15m, 2h, 1d, 1h30m"});
  options.push_back({"timer", "DURATION", "how often the host posts its timer notification (default 60s)"});
  options.push_back({"render", "FILE.png", "draw the sections to FILE.png at start and after every change (atomic)"});
  options.push_back({"sound", "", "also play sounds through the machine's sound output"});
  return options;
}

std::string runHostHelp() {
  return "Every change is printed as one line that starts with the clock's time:\n"
         "  TIME  SECTION  added|removed|changed  ROW-ID  TEXTS   a row the plug-in published\n"
         "  TIME  SECTION  popup  TEXT                             a popup over the section\n"
         "  TIME  sound  play FILE (WHY) | vibrate (WHY)           a system sound or vibration\n"
         "  TIME  wake-up  due DUE                                 a wake-up a plug-in scheduled\n"
         "  TIME  repeat  NAME                                     a repeating notification\n"
         "It starts with every row shown as added and ends with a line \"stopped: WHY\".\n"
         "\n"
         "The clock is the real one unless --now or --speed is given: then it starts at --now (or\n"
         "the real time) and runs --speed times faster, so an hour passes in a minute at --speed 60.\n"
         "The run ends at --until, after --for, or on Ctrl-C (SIGINT) or SIGTERM; the plug-ins are\n"
         "then unloaded as on the device, which saves what they keep. Sounds are recorded in the\n"
         "device's log store; --sound (or KESTREL_SOUND=1) also plays them.\n"
         "\n"
         "SIGUSR1 makes the host read and remove DEVICE-ROOT/var/run/kestrel/run-control and apply\n"
         "its lines: \"zone NAME\" (a new system time zone), \"clock +DURATION\", \"clock -DURATION\"\n"
         "or \"clock TIME\" (the clock set forward, back, or to a time); each is printed as\n"
         "  TIME  control  LINE                                    (or \"control  refused LINE: WHY\")";
}

int runHost(const CommandLine& line, std::span<const std::string> args, RunAttachment* attachment) {
  auto parsed = line.parse(args);
  if (!parsed) return line.fail(parsed.error() + " (see kestrel " + line.command() + " --help)", kExitUsage);
  if (parsed->help) {
    std::fputs(line.usage().c_str(), stdout);
    return kExitSuccess;
  }

  double speed = 1;
  if (auto text = parsed->value("speed")) {
    char* end = nullptr;
    speed = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || !std::isfinite(speed) || speed <= 0 || speed > kLargestSpeed)
      return line.fail("--speed '" + printable(*text) + "' is not a number above 0 and at most 100000", kExitUsage);
  }
  if (parsed->has("until") && parsed->has("for")) return line.fail("give --until or --for, not both", kExitUsage);
  std::optional<Date> until;
  if (auto text = parsed->value("until")) {
    Date date;
    if (!Date::parseISO8601(*text, &date))
      return line.fail("--until '" + printable(*text) + "' is not an ISO-8601 time", kExitUsage);
    until = date;
  }
  std::optional<double> runFor;
  if (auto text = parsed->value("for")) {
    runFor = parseDuration(*text);
    if (!runFor) return line.fail("--for '" + printable(*text) + "' is not a duration such as 90s, 15m or 2h", kExitUsage);
  }
  double timerSeconds = kDefaultTimerSeconds;
  if (auto text = parsed->value("timer")) {
    auto seconds = parseDuration(*text);
    if (!seconds || *seconds < 1)
      return line.fail("--timer '" + printable(*text) + "' is not a duration of a second or more", kExitUsage);
    timerSeconds = *seconds;
  }
  std::optional<std::string> picture = parsed->value("render");
  if (picture && picture->empty()) return line.fail("--render needs a file name", kExitUsage);
  if (parsed->has("sound")) audio::SoundService::shared().setOutputEnabled(true);

  // Control requests that come before the session exists find nothing to do.
  std::function<void()> control = [] {};
  // Before any thread exists, so every thread inherits the blocked signals.
  StopSignals signals([&control] { control(); });
  if (attachment)
    if (auto wrong = attachment->beforeOpen(*parsed)) return line.fail(*wrong, kExitUsage);
  PluginSession::Failure failure;
  auto session = PluginSession::open(*parsed, &failure);
  if (!session) return line.fail(failure.message, failure.usage ? kExitUsage : kExitFailure);

  // The sections as they stand are printed at the start time (a fixed --now stands still
  // meanwhile); then the clock runs.
  RunReporter reporter(*session, stdout, picture);
  if (attachment)
    if (auto problem = attachment->attach(*session, reporter)) {
      session.reset();
      return line.fail(*problem, kExitFailure);
    }
  reporter.start();
  const bool simulated = parsed->has("now") || parsed->has("speed");
  if (simulated) Clock::runSimulated(Clock::now(), speed);
  const Date start = Clock::now();
  if (runFor) until = start.addingTimeInterval(*runFor);
  HostTimer hostTimer(session->engine(), start, timerSeconds);
  hostTimer.schedule(1);
  control = [&] { applyControlFile(*session, reporter, hostTimer); };
  std::atomic<bool> reachedEnd{false};
  RunLoop::TimerId endTimer = 0;
  if (until) {
    endTimer = RunLoop::main().scheduleLabelledTimerAt(*until, "host end", [&reachedEnd, end = *until] {
      // The run ends at its time exactly, not when the loop gets round to it.
      Clock::fix(end);
      reachedEnd.store(true);
      RunLoop::main().quit();
    });
    if (*until <= start) {
      Clock::fix(*until);
      reachedEnd.store(true);
    }
  }
  while (!reachedEnd.load() && !signals.received()) runLoopSlice();
  control = [] {};
  RunLoop::main().cancelTimer(endTimer);
  hostTimer.cancel();
  session->engine().pumpUntilIdle();
  reporter.reportChanges();
  std::string why = signals.received() == SIGINT    ? "interrupted (SIGINT)"
                    : signals.received() == SIGTERM ? "terminated (SIGTERM)"
                                                    : "reached " + until->description();
  reporter.note("stopped: " + why);
  reporter.stop();
  if (attachment) attachment->detach();
  // The plug-ins unload as on the device, saving what they keep.
  session.reset();
  if (simulated) Clock::fix(Clock::now());
  return kExitSuccess;
}

}  // namespace kestrel::tool
