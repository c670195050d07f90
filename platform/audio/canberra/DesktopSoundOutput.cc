// The desktop sound output: libcanberra on a worker thread, in libkestrel-sound.so so that
// only processes that play sounds map libcanberra.
#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "platform/audio/SoundOutput.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"

namespace kestrel::audio {
namespace {

constexpr const char* kConvertedFolder = "/var/mobile/Library/Caches/com.kzt.kestrel.sounds";
// A system sound lasts seconds; a longer wait means the output hangs.
constexpr auto kLongestSound = std::chrono::seconds(30);

class DesktopSoundOutput : public SoundOutput {
 public:
  ~DesktopSoundOutput() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
  }

  void play(const std::string& localPath, SoundFileKind kind) override {
    std::lock_guard lock(mutex_);
    if (unavailable_ || stop_) return;
    queue_.push_back({localPath, kind});
    if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    wake_.notify_all();
  }

 private:
  struct Request {
    std::string path;
    SoundFileKind kind;
  };

  void run() {
    ca_context* context = nullptr;
    for (;;) {
      Request request;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        if (stop_) break;
        request = std::move(queue_.front());
        queue_.pop_front();
      }
      if (!context) {
        int error = ca_context_create(&context);
        if (error == CA_SUCCESS) error = ca_context_open(context);
        if (error != CA_SUCCESS) {
          giveUp(ca_strerror(error));
          break;
        }
      }
      playOne(context, request);
    }
    if (context) ca_context_destroy(context);  // cancels a sound still playing
  }

  void giveUp(const char* why) {
    KSLog("KS:SystemSound: No sound output (%@); sounds are recorded, not heard", std::string(why));
    std::lock_guard lock(mutex_);
    unavailable_ = true;
    queue_.clear();
  }

  // A file the output can read: WAV and Ogg as they are, CAF converted to WAV.
  std::string playableFile(const Request& request) {
    if (request.kind == SoundFileKind::WAV || request.kind == SoundFileKind::Ogg) return request.path;
    if (request.kind == SoundFileKind::CAF) {
      auto bytes = files::readFile(request.path);
      auto wave = bytes ? pcmWaveFromCAF(*bytes) : std::nullopt;
      if (wave) {
        std::string folder = Device::path(kConvertedFolder);
        std::string out = folder + "/" + std::to_string(std::hash<std::string>{}(request.path)) + ".wav";
        if (files::createDirectories(folder) && files::writeFileAtomically(out, *wave)) return out;
      }
    }
    if (undecodable_.insert(request.path).second)
      KSLog("KS:SystemSound: The sound output cannot play %@", Device::devicePath(request.path));
    return {};
  }

  // A sound's end, told by libcanberra's callback on a thread of its own. The callback finds
  // its waiter by number, so a callback that comes late (or never) touches nothing freed.
  struct Done {
    bool done = false;
  };
  static std::mutex& pendingMutex() {
    static std::mutex m;
    return m;
  }
  static std::condition_variable& pendingChanged() {
    static std::condition_variable cv;
    return cv;
  }
  static std::map<uintptr_t, Done>& pending() {
    static std::map<uintptr_t, Done> p;  // GUARDED_BY(pendingMutex())
    return p;
  }

  void playOne(ca_context* context, const Request& request) {
    std::string file = playableFile(request);
    if (file.empty()) return;
    static uintptr_t nextNumber = 1;  // worker threads take it under pendingMutex()
    uintptr_t number;
    {
      std::lock_guard lock(pendingMutex());
      number = nextNumber++;
      pending()[number] = Done{};
    }
    ca_proplist* properties = nullptr;
    ca_proplist_create(&properties);
    ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, file.c_str());
    ca_proplist_sets(properties, CA_PROP_EVENT_DESCRIPTION, "Kestrel system sound");
    int error = ca_context_play_full(
        context, 1, properties,
        [](ca_context*, uint32_t, int, void* user) {
          std::lock_guard lock(pendingMutex());
          auto it = pending().find(reinterpret_cast<uintptr_t>(user));
          if (it != pending().end()) it->second.done = true;
          pendingChanged().notify_all();
        },
        reinterpret_cast<void*>(number));
    ca_proplist_destroy(properties);
    if (error != CA_SUCCESS) {
      {
        std::lock_guard lock(pendingMutex());
        pending().erase(number);
      }
      // The file is there (it was checked, or just written), so "not found" means the output
      // device: ALSA answers so when the machine has no sound card.
      if (error == CA_ERROR_CORRUPT || error == CA_ERROR_NOTSUPPORTED ||
          (error == CA_ERROR_NOTFOUND && !files::exists(file))) {
        if (undecodable_.insert(request.path).second)
          KSLog("KS:SystemSound: The sound output cannot play %@: %@", Device::devicePath(request.path),
                std::string(ca_strerror(error)));
        return;
      }
      giveUp(ca_strerror(error));
      return;
    }
    // One sound at a time, as the device plays them; a stop request cuts the wait short.
    auto deadline = std::chrono::steady_clock::now() + kLongestSound;
    for (;;) {
      {
        std::unique_lock lock(pendingMutex());
        if (pendingChanged().wait_for(lock, std::chrono::milliseconds(100), [&] { return pending()[number].done; })) break;
      }
      std::lock_guard lock(mutex_);
      if (stop_ || std::chrono::steady_clock::now() >= deadline) break;
    }
    std::lock_guard lock(pendingMutex());
    pending().erase(number);
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Request> queue_;  // GUARDED_BY(mutex_)
  bool stop_ = false;          // GUARDED_BY(mutex_)
  bool unavailable_ = false;   // GUARDED_BY(mutex_)
  std::thread worker_;
  std::set<std::string> undecodable_;  // worker thread only
};

}  // namespace

}  // namespace kestrel::audio

extern "C" __attribute__((visibility("default"))) kestrel::audio::SoundOutput* kestrel_make_desktop_sound_output() {
  return new kestrel::audio::DesktopSoundOutput();
}
