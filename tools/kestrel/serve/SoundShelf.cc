#include "tools/kestrel/serve/SoundShelf.h"

#include <filesystem>

#include "platform/audio/SoundFile.h"
#include "platform/audio/SoundService.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace kestrel::tool::serve {

std::optional<std::pair<std::string, std::string>> browserPlayableSound(const std::string& localPath, size_t maxBytes) {
  std::error_code ec;
  auto size = std::filesystem::file_size(localPath, ec);
  if (ec || size == 0 || size > maxBytes) return std::nullopt;
  const audio::SoundFileCheck check = audio::inspectSoundFile(localPath);
  if (!check.playable()) return std::nullopt;
  auto bytes = files::readFile(localPath);
  if (!bytes) return std::nullopt;
  auto text = [](const Bytes& b) { return std::string(b.begin(), b.end()); };
  switch (check.kind) {
    case audio::SoundFileKind::CAF:
      if (auto wave = audio::pcmWaveFromCAF(*bytes)) return std::make_pair(std::string("audio/wav"), text(*wave));
      return std::nullopt;
    case audio::SoundFileKind::WAV: return std::make_pair(std::string("audio/wav"), text(*bytes));
    case audio::SoundFileKind::MP3: return std::make_pair(std::string("audio/mpeg"), text(*bytes));
    case audio::SoundFileKind::Ogg: return std::make_pair(std::string("audio/ogg"), text(*bytes));
    case audio::SoundFileKind::FLAC: return std::make_pair(std::string("audio/flac"), text(*bytes));
    default: return std::nullopt;
  }
}

std::optional<ShelvedSound> SoundShelf::add(const std::string& devicePath) {
  ShelvedSound sound;
  auto playable = devicePath.empty() ? std::nullopt : browserPlayableSound(Device::path(devicePath), kMaxBytes);
  if (!playable) {
    playable = browserPlayableSound(Device::path(audio::SoundService::kDefaultAlarmPath), kMaxBytes);
    if (!playable) return std::nullopt;
    sound.note = devicePath.empty() ? "the alarm sound" : "the alarm sound, for " + devicePath;
  }
  sound.mimeType = playable->first;
  sound.bytes = std::make_shared<const std::string>(std::move(playable->second));
  std::lock_guard lock(mutex_);
  sound.number = next_++;
  sounds_.push_back(sound);
  while (sounds_.size() > kKept) sounds_.pop_front();
  return sound;
}

std::optional<ShelvedSound> SoundShelf::find(uint64_t number) const {
  std::lock_guard lock(mutex_);
  for (const auto& sound : sounds_)
    if (sound.number == number) return sound;
  return std::nullopt;
}

}  // namespace kestrel::tool::serve
