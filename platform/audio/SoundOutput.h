// SoundOutput: the machine's sound output, for the sound service's --sound mode.
//
// play() hands a file to a worker thread and returns at once, so the run loop never waits
// for a sound. The desktop output (makeDesktopSoundOutput) plays through libcanberra, the
// desktop event-sound library, which reads WAV and Ogg files; CAF files of linear PCM are
// turned into WAV first (SoundFile.h), under the device's caches folder. When there is no
// output device, one log line says so and every later sound is skipped; a file the output
// cannot decode gets one log line per file. Destruction stops the worker, cutting off a
// sound still playing; it waits for nothing longer than that.
//
// Thread safety: play() may be called from any thread.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/SoundFile.h"

namespace kestrel::audio {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // `localPath` is a file on this machine that inspectSoundFile() found to be `kind`.
  virtual void play(const std::string& localPath, SoundFileKind kind) = 0;
};

std::unique_ptr<SoundOutput> makeDesktopSoundOutput();

}  // namespace kestrel::audio
