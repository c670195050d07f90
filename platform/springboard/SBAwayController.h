// SBAwayController: whether the device is locked (the lock screen is showing).
//
// The state lives in kDevicePath ({"locked": boolean}) so that the host program sets it and
// every process of the device reads the same answer; isLocked() reads the file on each
// call. A device whose state was never set is unlocked. A
// damaged state file reads as locked, with one log line: when in doubt the lock-screen
// restrictions apply. Thread-safe; the shared instance lives for the process.
#pragma once

#include "platform/foundation/Ref.h"
#include "platform/foundation/SharedPlistFile.h"

namespace kestrel {

class SBAwayController {
 public:
  static constexpr const char* kDevicePath = "/var/mobile/Library/SpringBoard/LockState.plist";

  static Ref<SBAwayController> sharedAwayController();

  bool isLocked() const;
  // False, with a log line, when the state cannot be written.
  bool setLocked(bool locked);

 private:
  SBAwayController();
  // The device root can change between tests, so the file is resolved on every call.
  static SharedPlistFile stateFile();
};

}  // namespace kestrel
