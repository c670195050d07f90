#include "platform/host/LSStatusBarItem.h"

#include <algorithm>

#include "platform/foundation/Format.h"

namespace kestrel {
namespace {
std::mutex gRegistryMutex;
bool gAvailable = true;
std::vector<std::weak_ptr<LSStatusBarItem>> gItems;
}  // namespace

Ref<LSStatusBarItem> LSStatusBarItem::initWithIdentifier(const std::string& identifier, int alignment) {
  std::lock_guard lock(gRegistryMutex);
  if (!gAvailable) return nullptr;
  auto item = std::make_shared<LSStatusBarItem>(identifier, alignment);
  std::erase_if(gItems, [](const auto& w) { return w.expired(); });
  gItems.push_back(item);
  return item;
}

bool LSStatusBarItem::isLibraryAvailable() {
  std::lock_guard lock(gRegistryMutex);
  return gAvailable;
}

void LSStatusBarItem::setLibraryAvailable(bool available) {
  std::lock_guard lock(gRegistryMutex);
  gAvailable = available;
}

std::vector<Ref<LSStatusBarItem>> LSStatusBarItem::items() {
  std::lock_guard lock(gRegistryMutex);
  std::vector<Ref<LSStatusBarItem>> out;
  for (const auto& w : gItems)
    if (auto item = w.lock()) out.push_back(std::move(item));
  return out;
}

std::string LSStatusBarItem::imageName() const {
  std::lock_guard lock(mutex_);
  return imageName_;
}

void LSStatusBarItem::setImageName(const std::string& name) {
  std::lock_guard lock(mutex_);
  imageName_ = name;
}

bool LSStatusBarItem::isVisible() const {
  std::lock_guard lock(mutex_);
  return visible_;
}

void LSStatusBarItem::setVisible(bool visible) {
  std::lock_guard lock(mutex_);
  visible_ = visible;
}

std::string LSStatusBarItem::description() const {
  std::lock_guard lock(mutex_);
  return KSFormat("<LSStatusBarItem: %p; identifier = %@; alignment = %d; imageName = %@; visible = %d>",
                  static_cast<const void*>(this), identifier_, alignment_, imageName_, visible_);
}

}  // namespace kestrel
