// makeDesktopSoundOutput: the libcanberra output of libkestrel-sound.so, loaded on the first
// sound (PlatformParts.h); without that part every sound is skipped after one log line.
#include "platform/audio/SoundOutput.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PlatformParts.h"

namespace kestrel::audio {
namespace {

using Entry = SoundOutput* (*)();

class SilentOutput : public SoundOutput {
 public:
  void play(const std::string&, SoundFileKind) override {}
};

}  // namespace

std::unique_ptr<SoundOutput> makeDesktopSoundOutput() {
  auto entry = reinterpret_cast<Entry>(platformPartSymbol(kPlatformSoundPart, "kestrel_make_desktop_sound_output"));
  if (SoundOutput* output = entry ? entry() : nullptr) return std::unique_ptr<SoundOutput>(output);
  logLine("KS:Sound: No sound output; sounds are skipped");
  return std::make_unique<SilentOutput>();
}

}  // namespace kestrel::audio
