#include "platform/audio/AudioServices.h"

#include "platform/audio/SoundService.h"

namespace kestrel {

OSStatus AudioServicesCreateSystemSoundID(const std::string& inFileURL, SystemSoundID* outSystemSoundID) {
  return audio::SoundService::shared().create(inFileURL, outSystemSoundID);
}

OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID inSystemSoundID) {
  return audio::SoundService::shared().dispose(inSystemSoundID);
}

void AudioServicesPlaySystemSound(SystemSoundID inSystemSoundID, std::string_view why) {
  audio::SoundService::shared().play(inSystemSoundID, why);
}

}  // namespace kestrel
