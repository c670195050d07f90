// SoundRecord: one play or vibration as the device's log store keeps it, so tools and tests
// can read back every sound after the fact (and from another process).
//
// A record is one log-store entry whose message is
//   "KS:SystemSound: play" or "KS:SystemSound: vibrate", a tab, the sound file's device
//   path (empty for a vibration or a sound without a file), a tab, and why it sounded;
// tabs and line breaks inside the fields become spaces. soundRecords() reads them back in
// the order they were written, from `since` on, skipping every other log line.
// Thread-safe (the log store serialises writers).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Date.h"

namespace kestrel::audio {

struct SoundRecord {
  enum class Kind { Play, Vibrate };
  Date time;
  int pid = 0;
  Kind kind = Kind::Play;
  std::string file;  // device path; empty for a vibration
  std::string why;

  // One line for people: "vibrate (why)" or "play FILE (why)".
  std::string description() const;
};

bool appendSoundRecord(SoundRecord::Kind kind, const std::string& file, const std::string& why);
std::vector<SoundRecord> soundRecords(std::optional<Date> since = std::nullopt);

}  // namespace kestrel::audio
