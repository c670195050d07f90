#include "platform/audio/SoundService.h"

#include <cstdlib>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"

namespace kestrel::audio {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    int hi, lo;
    if (text[i] == '%' && i + 2 < text.size() && (hi = hexDigit(text[i + 1])) >= 0 && (lo = hexDigit(text[i + 2])) >= 0) {
      char c = static_cast<char>(hi * 16 + lo);
      if (c == '\0') return {};  // a file name never holds a NUL
      out += c;
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

SoundService& SoundService::shared() {
  static SoundService* service = new SoundService;  // lives for the process; worker threads may still use it
  return *service;
}

std::string SoundService::devicePathOfLocation(const std::string& location) {
  std::string path = location;
  if (path.rfind("file://", 0) == 0) {
    path = path.substr(7);
    if (path.rfind("localhost/", 0) == 0) path = path.substr(9);
    path = percentDecoded(path);
  }
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return {};
  // A location already resolved under the device root reads as the device path it stands for.
  return Device::devicePath(Device::path(path));
}

OSStatus SoundService::create(const std::string& fileLocation, SystemSoundID* out) {
  if (!out) return kAudioServicesSystemSoundUnspecifiedError;
  std::string path = devicePathOfLocation(fileLocation);
  if (path.empty()) {
    KSLog("KS:SystemSound: Cannot make a system sound of %@: not a file location", fileLocation);
    return kAudioServicesSystemSoundUnspecifiedError;
  }
  std::lock_guard lock(mutex_);
  *out = nextID_++;
  files_[*out] = path;
  return kAudioServicesNoError;
}

OSStatus SoundService::dispose(SystemSoundID id) {
  std::lock_guard lock(mutex_);
  return files_.erase(id) ? kAudioServicesNoError : kAudioServicesSystemSoundUnspecifiedError;
}

std::optional<std::string> SoundService::fileOf(SystemSoundID id) const {
  if (id == kSystemSoundID_DefaultAlarm) return std::string(kDefaultAlarmPath);
  std::lock_guard lock(mutex_);
  auto it = files_.find(id);
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

void SoundService::play(SystemSoundID id, std::string_view whyText) {
  std::string why(whyText.empty() ? "played" : whyText);
  if (id == kSystemSoundID_Vibrate) {
    record(SoundRecord::Kind::Vibrate, {}, why);
    return;
  }
  auto file = fileOf(id);
  if (!file) {
    record(SoundRecord::Kind::Play, {}, why + "; unknown sound id " + std::to_string(id) + ": nothing sounded");
    return;
  }
  std::string local = Device::path(*file);
  SoundFileCheck check = inspectSoundFile(local);
  if (!check.playable() && *file != kDefaultAlarmPath) {
    // The default alarm sound stands in for a file that cannot sound.
    std::string fallback = Device::path(kDefaultAlarmPath);
    SoundFileCheck fallbackCheck = inspectSoundFile(fallback);
    if (fallbackCheck.playable()) {
      why += "; the file " + check.description() + ": the default sound " + kDefaultAlarmPath + " played instead";
      output(fallback, fallbackCheck.kind);
    } else {
      why += "; the file " + check.description() + ", and so the default sound " + kDefaultAlarmPath + ": nothing sounded";
    }
  } else if (!check.playable()) {
    why += "; the default sound " + check.description() + ": nothing sounded";
  } else {
    output(local, check.kind);
  }
  record(SoundRecord::Kind::Play, *file, why);
}

void SoundService::record(SoundRecord::Kind kind, const std::string& file, const std::string& why) {
  appendSoundRecord(kind, file, why);
  std::vector<std::shared_ptr<Observer>> observers;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [_, observer] : observers_) observers.push_back(observer);
  }
  SoundRecord shown{Clock::now(), 0, kind, file, why};
  for (const auto& observer : observers) (*observer)(shown);
}

void SoundService::output(const std::string& localPath, SoundFileKind kind) {
  std::shared_ptr<SoundOutput> out;
  {
    std::lock_guard lock(mutex_);
    if (!outputEnabled_) {
      const char* env = std::getenv("KESTREL_SOUND");
      outputEnabled_ = env && std::string(env) == "1";
    }
    if (!*outputEnabled_) return;
    if (!output_) output_ = makeDesktopSoundOutput();
    out = output_;
  }
  out->play(localPath, kind);
}

void SoundService::setOutputEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  outputEnabled_ = enabled;
}

void SoundService::setOutput(std::unique_ptr<SoundOutput> output) {
  std::shared_ptr<SoundOutput> old;
  {
    std::lock_guard lock(mutex_);
    old = std::move(output_);
    output_ = std::move(output);
    outputEnabled_ = output_ != nullptr;
  }
}

uint64_t SoundService::addObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  uint64_t token = nextToken_++;
  observers_[token] = std::make_shared<Observer>(std::move(observer));
  return token;
}

void SoundService::removeObserver(uint64_t token) {
  std::lock_guard lock(mutex_);
  observers_.erase(token);
}

}  // namespace kestrel::audio
