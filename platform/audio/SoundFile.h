// SoundFile: what the sound service needs to know of a sound file before it plays it.
//
// inspectSoundFile() reads only the file's first bytes and names its container (CAF, WAV,
// AIFF, Ogg, FLAC, MP3) or its problem: missing, unreadable, empty, or not audio. A file
// that is damaged behind a good header is found out only when it is decoded for output.
// pcmWaveFromCAF() turns a CAF file of linear PCM (8, 16, 24 or 32-bit integers, either byte
// order, any channel count) into a 16-bit WAV file image, which every desktop sound player
// reads; anything else in the file, or a truncated one, answers none. Stateless.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Files.h"

namespace kestrel::audio {

enum class SoundFileKind { CAF, WAV, AIFF, Ogg, FLAC, MP3, Missing, Unreadable, Empty, NotAudio };

struct SoundFileCheck {
  SoundFileKind kind = SoundFileKind::Missing;
  bool playable() const { return kind <= SoundFileKind::MP3; }
  // For a problem: "is missing", "is empty", ...; for a sound, its container ("CAF").
  std::string description() const;
};

SoundFileCheck inspectSoundFile(const std::string& localPath);
std::optional<Bytes> pcmWaveFromCAF(const Bytes& caf);

}  // namespace kestrel::audio
