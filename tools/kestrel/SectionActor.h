// SectionActor: performs `kestrel act` steps on a loaded plug-in the way a person's touches
// would, and waits until the plug-in has shown their effect.
//
// Touches go through what the host shows: a task row's completion control (its accessory
// tap action, else its hold action), the buttons of the tool bar row (opened first with the
// status row's menu button when it is closed), and the section's reload action. Before each
// step the fixed clock moves on kStepSeconds, so every step is a fresh user action for the
// plug-in (it drops a second forced refresh within 2 seconds of the first).
//
// Waiting: a plug-in refreshes on threads of its own, which publish through the main run
// loop. settle() pumps the run loop until every thread started since the step began has
// finished and nothing is queued; threads that were there before (the store watcher's, a
// library's own) are not waited for, even when they end meanwhile. A watchdog
// (settleTimeoutSeconds of real time) turns a hang into a failed step. A reminder saved by a completion announces the store change on the
// main thread; its refresh is waited for the same way.
//
// `wait` and `at` move the fixed clock instead of touching: to each pending run-loop timer's
// time in turn (timers, plug-in wakes and repeating notifications alike, in time order, a
// timer scheduled on the way included when it falls due before the target), settling after
// each, then to the target; no real time is slept. They do not add kStepSeconds. A clock
// target before the clock's time fails; so does a chain of more than kMaxTimersPerMove timers.
//
// Detail pages: `open N` touches a task row as a finger would and expects the host to show
// a page; the page steps act on the page the host shows (PagePrint.h finds its parts).
//
// A step that cannot do its work answers a message and an exit status: kExitUsage when the
// step names no task row or a row without a completion control, kExitFailure when the
// button is disabled, when the button opens a page that is not available, when the
// completed task is still listed, or when the plug-in does not settle. REQUIRES: the
// clock is fixed (Clock::fix). Main thread only.
#pragma once

#include <set>
#include <string>

#include "platform/host/HostEngine.h"
#include "tools/kestrel/ActSteps.h"

namespace kestrel::tool {

struct StepOutcome {
  int status = 0;       // an exit status of Commands.h; 0 when the step did its work
  std::string message;  // why it did not; empty on success
  bool ok() const { return status == 0; }
};

// A step that could not do its work: `status`, and why after the step's own words.
inline StepOutcome failed(int status, const ActStep& step, const std::string& why) {
  return {status, step.text + ": " + why};
}

class SectionActor {
 public:
  static constexpr double kStepSeconds = 10;
  static constexpr double kDefaultSettleTimeoutSeconds = 120;
  static constexpr size_t kMaxTimersPerMove = 100000;

  explicit SectionActor(HostEngine& engine, double settleTimeoutSeconds = kDefaultSettleTimeoutSeconds)
      : engine_(engine), settleTimeout_(settleTimeoutSeconds) {}

  StepOutcome perform(const ActStep& step);

  // Pumps until every thread that is not in `threadsBefore` has finished; false on timeout.
  bool settle(const std::set<std::string>& threadsBefore);
  // The ids of this process's threads now.
  static std::set<std::string> threadIds();

 private:
  StepOutcome complete(const ActStep& step);
  // `opensPage`: the button is expected to show a page (a form), which then stays open.
  StepOutcome tapToolbarButton(const ActStep& step, const std::string& actionName, bool opensPage = false);
  // The new-task and search forms (FormActor.cc): open, type, choose, press Done.
  StepOutcome fillForm(const ActStep& step);
  StepOutcome refresh(const ActStep& step);
  // The events plug-in's alarm row and its tool bar.
  StepOutcome touchAlarmRow(const ActStep& step);
  StepOutcome tapAlarmButton(const ActStep& step);
  StepOutcome moveClockTo(const ActStep& step, Date target);
  // Detail pages (PageActor.cc).
  StepOutcome openRow(const ActStep& step);
  // The information row, which opens the debug page in debug mode (InfoRowActor.cc).
  StepOutcome touchInfoRow(const ActStep& step);
  StepOutcome tapPageRow(const ActStep& step);
  StepOutcome tapPageButton(const ActStep& step);
  // In-row buttons and switches, bar buttons by title (PageControlActor.cc).
  StepOutcome touchPageControl(const ActStep& step);
  StepOutcome togglePageSwitch(const ActStep& step);
  // Deleting and moving a page's rows by their editing controls (PageEditActor.cc).
  StepOutcome deletePageRow(const ActStep& step);
  StepOutcome movePageRow(const ActStep& step);
  // Opens the tool bar row with the status row's menu button; an error text when it can't.
  std::string openToolbar();
  // The step's N-th item row (fixed rows not counted), or none and the usage failure that
  // says why; `kind` ("task", "event") names the rows in it.
  struct ItemRow {
    Ref<KSData> row;
    StepOutcome refused;
  };
  ItemRow itemRow(const ActStep& step, const std::string& kind) const;
  StepOutcome settled(const ActStep& step, const std::set<std::string>& threadsBefore);

  HostEngine& engine_;
  double settleTimeout_;
};

}  // namespace kestrel::tool
