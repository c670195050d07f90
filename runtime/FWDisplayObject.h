// FWDisplayObject: the base of every item in a display list, and the lookups on lists of them.
//
// An item is identified across refreshes by its `key` (it becomes the row's unique id) and
// carries an `objectVersion` that changes whenever its displayed content changes; the
// publisher re-sends a row when the version differs or `updateRequired` is set. Record
// classes set `key` and `objectVersion` when they are built.
//
// Threads: the two flags are atomic, because the update thread, the main thread and a
// redisplay may set and clear them concurrently. `key` and `objectVersion` are fixed once
// the item has been handed to the controller.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

class FWDisplayObject : public kestrel::KSDescribable {
 public:
  FWDisplayObject() = default;
  FWDisplayObject(std::string key, int32_t objectVersion) : key_(std::move(key)), objectVersion_(objectVersion) {}
  FWDisplayObject(const FWDisplayObject& other);
  FWDisplayObject& operator=(const FWDisplayObject& other);
  ~FWDisplayObject() override = default;

  const std::string& key() const { return key_; }
  int32_t objectVersion() const { return objectVersion_; }
  bool isUpdateRequired() const { return updateRequired_.load(std::memory_order_relaxed); }
  void setUpdateRequired(bool required) { updateRequired_.store(required, std::memory_order_relaxed); }
  bool isSummaryDisplay() const { return summaryDisplay_.load(std::memory_order_relaxed); }
  void setSummaryDisplay(bool summary) { summaryDisplay_.store(summary, std::memory_order_relaxed); }

  // The item's fields as a dictionary, for hosts and tools that show rows as data.
  // Subclasses add theirs to the base's.
  PlistValue fields() const override;
  virtual std::string description() const;

 protected:
  void setKey(std::string key) { key_ = std::move(key); }
  void setObjectVersion(int32_t version) { objectVersion_ = version; }

 private:
  std::string key_;
  int32_t objectVersion_ = 0;
  std::atomic<bool> updateRequired_{false};
  std::atomic<bool> summaryDisplay_{false};
};

using FWDisplayList = std::vector<Ref<FWDisplayObject>>;

// fwDisplayIndexForKey's answer when no item has the key.
inline constexpr int32_t kFWDisplayIndexNotFound = 2147483647;

// The first item whose key equals `key` exactly, or none. Linear scan from the front.
Ref<FWDisplayObject> fwDisplayObjectForKey(const FWDisplayList& list, std::string_view key);
// The index of that item, or kFWDisplayIndexNotFound.
int32_t fwDisplayIndexForKey(const FWDisplayList& list, std::string_view key);
