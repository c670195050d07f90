#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

#include "platform/foundation/Format.h"

namespace kestrel {

std::string Notification::description() const {
  return KSFormat("NSConcreteNotification %p {name = %@; object = %@; userInfo = %@}", this, name,
                  objectClassName.empty() ? std::string("(null)") : objectClassName, userInfo);
}

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter;  // lives for the process
  return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const std::shared_ptr<const void>& owner,
                                                          const std::string& name, Handler handler,
                                                          const void* sender) {
  std::lock_guard lock(mutex_);
  Token t = next_++;
  entries_.push_back({t, owner.get(), owner, true, name, sender, std::make_shared<Handler>(std::move(handler))});
  return t;
}

NotificationCenter::Token NotificationCenter::addObserver(const void* ownerKey, const std::string& name,
                                                          Handler handler, const void* sender) {
  std::lock_guard lock(mutex_);
  Token t = next_++;
  entries_.push_back({t, ownerKey, {}, false, name, sender, std::make_shared<Handler>(std::move(handler))});
  return t;
}

void NotificationCenter::removeObserver(const void* owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.ownerKey == owner; });
}

void NotificationCenter::removeToken(Token token) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.token == token; });
}

void NotificationCenter::post(const Notification& n) {
  // Collect under the lock, call outside it, so handlers may post or (un)register.
  struct Call {
    std::shared_ptr<const void> keepAlive;
    std::shared_ptr<Handler> handler;
    Token token;
  };
  std::vector<Call> calls;
  {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [](const Entry& e) { return e.weakOwner && e.owner.expired(); });
    for (const auto& e : entries_) {
      if (!e.name.empty() && e.name != n.name) continue;
      if (e.sender && e.sender != n.object) continue;
      Call c{e.weakOwner ? e.owner.lock() : nullptr, e.handler, e.token};
      if (e.weakOwner && !c.keepAlive) continue;
      calls.push_back(std::move(c));
    }
  }
  for (auto& c : calls) {
    {
      // Skip registrations removed by an earlier handler of this same post.
      std::lock_guard lock(mutex_);
      if (std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.token == c.token; }))
        continue;
    }
    (*c.handler)(n);
  }
}

void NotificationCenter::post(const std::string& name, const void* object, PlistValue userInfo) {
  Notification n;
  n.name = name;
  n.object = object;
  n.userInfo = std::move(userInfo);
  post(n);
}

size_t NotificationCenter::observerCount() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace kestrel
