// AudioServices: the device's system sounds, as the plug-ins call them.
//
// A system sound id is made from a sound file's location (a "file://" link or a device
// path), played any number of times, and disposed of. Two ids exist without a file:
// kSystemSoundID_Vibrate (4095) vibrates the device and kSystemSoundID_DefaultAlarm (1304)
// plays the system alarm sound, "/System/Library/Audio/UISounds/alarm.caf".
//
// Every play and vibration is written to the device's log store (SoundRecord.h) with its
// file and why it sounded, so tools and tests can read them back. The file is looked at
// when it is played, not when the id is made: a missing, empty or non-audio file plays the
// default alarm sound instead, and the record says which file was wrong and why. An id that
// was never made or is already disposed of plays nothing, and the record says that too.
// With the sound output on (SoundService.h) the files are also heard.
//
// Thread-safe; playing never waits for the sound.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

using SystemSoundID = uint32_t;
using OSStatus = int32_t;

inline constexpr SystemSoundID kSystemSoundID_Vibrate = 4095;
inline constexpr SystemSoundID kSystemSoundID_DefaultAlarm = 1304;
inline constexpr OSStatus kAudioServicesNoError = 0;
// A location that names no file, no place for the id, or an unknown id.
inline constexpr OSStatus kAudioServicesSystemSoundUnspecifiedError = -1500;

// REQUIRES: outSystemSoundID is not null.
OSStatus AudioServicesCreateSystemSoundID(const std::string& inFileURL, SystemSoundID* outSystemSoundID);
OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID inSystemSoundID);
// `why` goes into the record ("alarm", "repeating alarm", ...).
void AudioServicesPlaySystemSound(SystemSoundID inSystemSoundID, std::string_view why = {});

}  // namespace kestrel
