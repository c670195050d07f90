// NotificationCenter: the process-wide default notification centre.
//
// A notification has a name, a sender (any object, compared by identity; nullptr for none)
// and a user-info dictionary. Observers register for a name and an optional sender and are
// called synchronously, on the posting thread, in registration order. An observer is tied
// to an owner: removeObserver(owner) removes all of its registrations, and registrations
// whose owner (held weakly) has been destroyed are skipped and dropped. Posting while
// observers are added or removed from another thread is safe.
#pragma once

#include <any>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"

namespace kestrel {

struct Notification {
  std::string name;
  // The posting object (identity only), and a strong reference to it when it was shared.
  const void* object = nullptr;
  std::shared_ptr<void> objectRef;
  // Class name of the sender, for handlers that test the sender's exact class.
  std::string objectClassName;
  PlistValue userInfo;

  std::string description() const;
};

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;
  using Token = uint64_t;

  static NotificationCenter& defaultCenter();

  // Register `handler` for `name` (empty: all names) from `sender` (nullptr: any sender).
  // The registration lives while `owner` does and until removed.
  Token addObserver(const std::shared_ptr<const void>& owner, const std::string& name, Handler handler,
                    const void* sender = nullptr);
  // Registration not tied to a shared owner; remove it with removeToken or removeObserver(key).
  Token addObserver(const void* ownerKey, const std::string& name, Handler handler, const void* sender = nullptr);
  void removeObserver(const void* owner);
  void removeToken(Token token);

  void post(const Notification& notification);
  void post(const std::string& name, const void* object = nullptr, PlistValue userInfo = {});

  size_t observerCount() const;

 private:
  struct Entry {
    Token token;
    const void* ownerKey;
    std::weak_ptr<const void> owner;
    bool weakOwner;
    std::string name;
    const void* sender;
    std::shared_ptr<Handler> handler;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  Token next_ = 1;
};

}  // namespace kestrel
