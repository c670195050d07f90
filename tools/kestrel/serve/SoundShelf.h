// SoundShelf: the sounds the host played, kept ready for the page in a format browsers
// play. add() reads the device's file when the sound plays and converts it at once: a CAF
// of linear PCM becomes a WAV (pcmWaveFromCAF); WAV, MP3, Ogg and FLAC are kept as they
// are; a file that is missing, not audio, larger than kMaxBytes or in another container
// falls back to the system alarm sound, and the entry says so. The last kKept sounds are
// kept, numbered from 1. Thread-safe (sounds play on the plug-ins' threads).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kestrel::tool::serve {

struct ShelvedSound {
  uint64_t number = 0;
  std::string mimeType;  // "audio/wav", ...
  std::shared_ptr<const std::string> bytes;
  std::string note;  // empty, or why another sound stands in
};

class SoundShelf {
 public:
  static constexpr size_t kKept = 16;
  static constexpr size_t kMaxBytes = 16 * 1024 * 1024;

  // `devicePath` as the sound record names it; none when neither it nor the alarm sound
  // can be played.
  std::optional<ShelvedSound> add(const std::string& devicePath);
  std::optional<ShelvedSound> find(uint64_t number) const;

 private:
  mutable std::mutex mutex_;
  std::deque<ShelvedSound> sounds_;  // GUARDED_BY(mutex_)
  uint64_t next_ = 1;                // GUARDED_BY(mutex_)
};

// The file's bytes in a browser-playable form and their type; none when it has none.
std::optional<std::pair<std::string, std::string>> browserPlayableSound(const std::string& localPath, size_t maxBytes);

}  // namespace kestrel::tool::serve
