// TWEventAlarmSound: the alarm engine's registered sound — the sound file's location as
// handed to the audio service (`alarmSound`, `alarmSoundURLRef`) and the system sound id
// made from it (`alarmSoundObject`).
//
// A file that cannot be used (none found, empty, not audio) is registered as the system
// alarm sound (1304), which is never disposed of; a made id is disposed of when the sound is
// released or replaced, and at destruction. Thread-safe.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/audio/AudioServices.h"

class TWEventAlarmSound {
 public:
  TWEventAlarmSound() = default;
  ~TWEventAlarmSound() { release(); }
  TWEventAlarmSound(const TWEventAlarmSound&) = delete;
  TWEventAlarmSound& operator=(const TWEventAlarmSound&) = delete;

  // Replaces the registered sound by the file at `location` (a file link), or by the system
  // alarm sound when there is none or it cannot be played (one log line says why).
  void registerLocation(const std::optional<std::string>& location);
  void release();
  bool isRegistered() const;
  std::optional<std::string> location() const;
  // The id to play; 0 when nothing is registered.
  kestrel::SystemSoundID soundObject() const;

 private:
  mutable std::mutex mutex_;
  bool registered_ = false;             // guarded by mutex_
  std::optional<std::string> location_;  // guarded by mutex_
  kestrel::SystemSoundID soundObject_ = 0;  // guarded by mutex_
  bool ownsSoundObject_ = false;            // guarded by mutex_
};
