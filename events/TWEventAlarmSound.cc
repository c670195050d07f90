#include "events/TWEventAlarmSound.h"

#include "platform/audio/SoundFile.h"
#include "platform/audio/SoundService.h"
#include "platform/foundation/Device.h"
#include "runtime/FWTypes.h"

using kestrel::SystemSoundID;

void TWEventAlarmSound::registerLocation(const std::optional<std::string>& location) {
  release();
  SystemSoundID id = kestrel::kSystemSoundID_DefaultAlarm;
  bool owned = false;
  if (!location) {
    KSLog("KS:TWEvent: No alarm sound file found - playing the system alarm");
  } else {
    std::string devicePath = kestrel::audio::SoundService::devicePathOfLocation(*location);
    auto check = kestrel::audio::inspectSoundFile(devicePath.empty() ? std::string() : kestrel::Device::path(devicePath));
    if (devicePath.empty() || !check.playable()) {
      // Checked once here, so each repetition does not complain again.
      KSLog("KS:TWEvent: Alarm sound %@ %@ - playing the system alarm", *location,
            devicePath.empty() ? std::string("is not a file") : check.description());
    } else if (kestrel::AudioServicesCreateSystemSoundID(*location, &id) == kestrel::kAudioServicesNoError) {
      owned = true;
    } else {
      KSLog("KS:TWEvent: Cannot make a system sound of %@ - playing the system alarm", *location);
      id = kestrel::kSystemSoundID_DefaultAlarm;
    }
  }
  std::lock_guard lock(mutex_);
  registered_ = true;
  location_ = location;
  soundObject_ = id;
  ownsSoundObject_ = owned;
}

void TWEventAlarmSound::release() {
  SystemSoundID dispose = 0;
  {
    std::lock_guard lock(mutex_);
    if (registered_ && ownsSoundObject_) dispose = soundObject_;
    registered_ = false;
    location_.reset();
    soundObject_ = 0;
    ownsSoundObject_ = false;
  }
  if (dispose != 0) kestrel::AudioServicesDisposeSystemSoundID(dispose);
}

bool TWEventAlarmSound::isRegistered() const {
  std::lock_guard lock(mutex_);
  return registered_;
}

std::optional<std::string> TWEventAlarmSound::location() const {
  std::lock_guard lock(mutex_);
  return location_;
}

SystemSoundID TWEventAlarmSound::soundObject() const {
  std::lock_guard lock(mutex_);
  return soundObject_;
}
