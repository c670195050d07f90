// TWContext: a task context of the companion (a place or situation) that can be switched
// on by hand, by a fixed choice or by the device's location.
//
// Two contexts are equal when their keys are equal, so a list that adds contexts uniquely
// (addUniqueObject) keeps one per key. `selected`, `locationAware` and `count` may change
// while other threads read them (they are atomic); key and title never change.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

class TWContext : public kestrel::KSDescribable {
  struct Private {};

 public:
  // Not selected; not location aware; count -1 (not counted).
  static Ref<TWContext> contextForKey(int32_t key, std::string title);
  static Ref<TWContext> contextForKey(int32_t key, std::string title, bool selected);

  TWContext(Private, int32_t key, std::string title, bool selected)
      : key_(key), title_(std::move(title)), selected_(selected) {}

  // Z_PK of the context.
  int32_t key() const { return key_; }
  // The title, possibly followed by a space and the context's icon.
  const std::string& title() const { return title_; }
  bool selected() const { return selected_.load(); }
  void setSelected(bool selected) { selected_.store(selected); }
  // Has a place with a notification radius above 0.
  bool locationAware() const { return locationAware_.load(); }
  void setLocationAware(bool aware) { locationAware_.store(aware); }
  // Open tasks in the context; -1 when not counted.
  int32_t count() const { return count_.load(); }
  void setCount(int32_t count) { count_.store(count); }

  friend bool operator==(const TWContext& a, const TWContext& b) { return a.key_ == b.key_; }

  std::string description() const;
  PlistValue fields() const override;

 private:
  const int32_t key_;
  const std::string title_;
  std::atomic<bool> selected_;
  std::atomic<bool> locationAware_{false};
  std::atomic<int32_t> count_{-1};
};
