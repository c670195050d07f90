// RepeatNotifications: the host's repeating notifications (the events plug-in's alarm
// sound repeats through them).
//
// A registration posts its named notification on the main run loop every `interval`
// seconds after it was registered (the first post one interval in), as long as that
// instant lies within `duration` seconds of the registration; after the last post it ends
// by itself. Registering a name again replaces the running registration; cancel() stops it.
// Intervals under kMinimumInterval and negative or non-finite values are refused (logged),
// since they would flood the run loop. Posts carry the registration's user info and the
// owner's identity as sender.
//
// Timers fire by the Clock, so with a fixed clock RunLoop::main().advanceClockTo() drives
// them; they carry the label timerLabel(name). Every member is thread-safe; posts happen on the thread that pumps the run loop.
// Destruction cancels every registration.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Date.h"
#include "platform/foundation/PlistValue.h"

namespace kestrel {

class RepeatNotifications {
 public:
  static constexpr double kMinimumInterval = 1.0;
  static constexpr const char* kTimerLabelPrefix = "repeat notification ";
  static std::string timerLabel(const std::string& name);

  struct Registration {
    std::string name;
    double interval = 0;
    double duration = 0;
    bool wake = false;
    PlistValue userInfo;
    Date start;
    int posted = 0;  // notifications posted so far
  };

  // `sender` is posted as the notifications' object (identity only) with that class name.
  RepeatNotifications(const void* sender, std::string senderClassName);
  ~RepeatNotifications();
  RepeatNotifications(const RepeatNotifications&) = delete;
  RepeatNotifications& operator=(const RepeatNotifications&) = delete;

  bool registerNotification(const std::string& name, double interval, double duration, bool wake,
                            const PlistValue& userInfo);
  void cancel(const std::string& name);
  void cancelAll();
  bool isRegistered(const std::string& name) const;
  std::optional<Registration> registration(const std::string& name) const;

 private:
  struct State;
  std::shared_ptr<State> state_;  // timers reach it weakly
};

}  // namespace kestrel
