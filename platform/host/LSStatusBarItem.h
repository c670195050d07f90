// LSStatusBarItem: the system status-bar icon library (libstatusbar), as the plug-ins use it.
//
// An item has an identifier, an alignment, an image name and a visibility; the host draws
// the visible items of the process. The library is optional on a device: while it is marked
// unavailable (setLibraryAvailable(false)), initWithIdentifier answers none, exactly as a
// plug-in sees a device without it. Items live as long as their holders keep them.
//
// Threads: every member is safe to call from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Ref.h"

namespace kestrel {

class LSStatusBarItem {
 public:
  // None when the library is unavailable.
  static Ref<LSStatusBarItem> initWithIdentifier(const std::string& identifier, int alignment);

  static bool isLibraryAvailable();
  static void setLibraryAvailable(bool available);
  // The items currently alive, in creation order (for the host to draw).
  static std::vector<Ref<LSStatusBarItem>> items();

  const std::string& identifier() const { return identifier_; }
  int alignment() const { return alignment_; }
  std::string imageName() const;
  void setImageName(const std::string& name);
  bool isVisible() const;
  void setVisible(bool visible);

  std::string description() const;

  LSStatusBarItem(std::string identifier, int alignment) : identifier_(std::move(identifier)), alignment_(alignment) {}

 private:
  const std::string identifier_;
  const int alignment_;
  mutable std::mutex mutex_;
  std::string imageName_;
  bool visible_ = true;
};

}  // namespace kestrel
