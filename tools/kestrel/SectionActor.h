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
// loop. settle() pumps the run loop until no thread started since the step is left and
// nothing is queued, with a watchdog (settleTimeoutSeconds of real time) that turns a hang
// into a failed step. A reminder saved by a completion announces the store change on the
// main thread; its refresh is waited for the same way.
//
// A step that cannot do its work answers a message and an exit status: kExitUsage when the
// step names no task row or a row without a completion control, kExitFailure when the
// button is disabled, when the button opens a page that is not available, when the
// completed task is still listed, or when the plug-in does not settle. REQUIRES: the
// clock is fixed (Clock::fix). Main thread only.
#pragma once

#include <string>

#include "platform/host/HostEngine.h"
#include "tools/kestrel/ActSteps.h"

namespace kestrel::tool {

struct StepOutcome {
  int status = 0;       // an exit status of Commands.h; 0 when the step did its work
  std::string message;  // why it did not; empty on success
  bool ok() const { return status == 0; }
};

class SectionActor {
 public:
  static constexpr double kStepSeconds = 10;
  static constexpr double kDefaultSettleTimeoutSeconds = 120;

  explicit SectionActor(HostEngine& engine, double settleTimeoutSeconds = kDefaultSettleTimeoutSeconds)
      : engine_(engine), settleTimeout_(settleTimeoutSeconds) {}

  StepOutcome perform(const ActStep& step);

  // Pumps until the threads started after `threadsBefore` have finished; false on timeout.
  bool settle(size_t threadsBefore);
  // Threads of this process now.
  static size_t threadCount();

 private:
  StepOutcome complete(const ActStep& step);
  StepOutcome tapToolbarButton(const ActStep& step, const std::string& actionName);
  StepOutcome refresh(const ActStep& step);
  // Opens the tool bar row with the status row's menu button; an error text when it can't.
  std::string openToolbar();
  StepOutcome settled(const ActStep& step, size_t threadsBefore);

  HostEngine& engine_;
  double settleTimeout_;
};

}  // namespace kestrel::tool
