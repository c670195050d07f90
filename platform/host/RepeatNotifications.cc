#include "platform/host/RepeatNotifications.h"

#include <cmath>
#include <map>
#include <mutex>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"

namespace kestrel {

std::string RepeatNotifications::timerLabel(const std::string& name) { return kTimerLabelPrefix + name; }

struct RepeatNotifications::State : std::enable_shared_from_this<State> {
  struct Entry {
    Registration registration;
    uint64_t serial = 0;
    RunLoop::TimerId timer = 0;
  };

  const void* sender = nullptr;
  std::string senderClassName;
  mutable std::mutex mutex;
  std::map<std::string, Entry> entries;  // GUARDED_BY(mutex)
  uint64_t nextSerial = 1;               // GUARDED_BY(mutex)

  // REQUIRES: mutex held. Schedules the k-th post of the entry, or its end when no post
  // fits into the duration any more.
  void scheduleLocked(Entry& entry, int k) {
    const Registration& r = entry.registration;
    std::weak_ptr<State> weak = weak_from_this();
    std::string name = r.name;
    uint64_t serial = entry.serial;
    if (k * r.interval <= r.duration) {
      entry.timer = RunLoop::main().scheduleLabelledTimerAt(r.start.addingTimeInterval(k * r.interval), timerLabel(name),
                                                            [weak, name, serial, k] {
                                                              if (auto self = weak.lock()) self->fire(name, serial, k);
                                                            });
    } else {
      entry.timer = RunLoop::main().scheduleLabelledTimerAt(r.start.addingTimeInterval(r.duration), timerLabel(name),
                                                            [weak, name, serial] {
                                                              if (auto self = weak.lock()) self->expire(name, serial);
                                                            });
    }
  }

  void fire(const std::string& name, uint64_t serial, int k) {
    Notification n;
    bool last = false;
    {
      std::lock_guard lock(mutex);
      auto it = entries.find(name);
      if (it == entries.end() || it->second.serial != serial) return;
      Registration& r = it->second.registration;
      ++r.posted;
      last = (k + 1) * r.interval > r.duration;
      if (!last) scheduleLocked(it->second, k + 1);
      n.name = name;
      n.object = sender;
      n.objectClassName = senderClassName;
      n.userInfo = r.userInfo;
    }
    NotificationCenter::defaultCenter().post(n);
    // The last post ends the registration, unless a handler replaced it meanwhile.
    if (last) expire(name, serial);
  }

  void expire(const std::string& name, uint64_t serial) {
    std::lock_guard lock(mutex);
    auto it = entries.find(name);
    if (it != entries.end() && it->second.serial == serial) entries.erase(it);
  }
};

RepeatNotifications::RepeatNotifications(const void* sender, std::string senderClassName)
    : state_(std::make_shared<State>()) {
  state_->sender = sender;
  state_->senderClassName = std::move(senderClassName);
}

RepeatNotifications::~RepeatNotifications() { cancelAll(); }

bool RepeatNotifications::registerNotification(const std::string& name, double interval, double duration, bool wake,
                                               const PlistValue& userInfo) {
  if (!std::isfinite(interval) || interval < kMinimumInterval || !std::isfinite(duration) || duration < 0) {
    KSLog("KS:Kestrel: Refusing repeat notification %@; interval = %f; duration = %f", name, interval, duration);
    return false;
  }
  std::lock_guard lock(state_->mutex);
  if (auto it = state_->entries.find(name); it != state_->entries.end()) RunLoop::main().cancelTimer(it->second.timer);
  State::Entry& entry = state_->entries[name];
  entry.registration = Registration{name, interval, duration, wake, userInfo, Clock::now(), 0};
  entry.serial = state_->nextSerial++;
  state_->scheduleLocked(entry, 1);
  return true;
}

void RepeatNotifications::cancel(const std::string& name) {
  std::lock_guard lock(state_->mutex);
  auto it = state_->entries.find(name);
  if (it == state_->entries.end()) return;
  RunLoop::main().cancelTimer(it->second.timer);
  state_->entries.erase(it);
}

void RepeatNotifications::cancelAll() {
  std::lock_guard lock(state_->mutex);
  for (auto& [name, entry] : state_->entries) RunLoop::main().cancelTimer(entry.timer);
  state_->entries.clear();
}

bool RepeatNotifications::isRegistered(const std::string& name) const {
  std::lock_guard lock(state_->mutex);
  return state_->entries.count(name) != 0;
}

std::optional<RepeatNotifications::Registration> RepeatNotifications::registration(const std::string& name) const {
  std::lock_guard lock(state_->mutex);
  auto it = state_->entries.find(name);
  if (it == state_->entries.end()) return std::nullopt;
  return it->second.registration;
}

}  // namespace kestrel
