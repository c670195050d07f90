// FWPlugin: the tool-bar and status-bar rows, the message box and the system status-bar icon.
#include "runtime/FWPlugin.h"

using kestrel::RunLoop;

namespace {
// libstatusbar's alignment for the plug-ins' icon.
constexpr int kStatusBarIconAlignment = 2;
}  // namespace

// ---- Tool bar ---------------------------------------------------------------------------------

void FWPlugin::setToolbarIndex(int32_t row) { scheduleSetToolbarIndex(row); }

void FWPlugin::setToolbarIndex(int32_t row, int32_t updatingRow) {
  FWDisplayList items = currentItems();
  if (updatingRow >= 0 && static_cast<size_t>(updatingRow) < items.size()) postUpdatedItem(items[updatingRow]);
  setToolbarIndex(row);
}

void FWPlugin::hideToolbar() {
  if (isToolbarVisible()) setToolbarIndex(-1);
}

void FWPlugin::scheduleSetToolbarIndex(int32_t row) {
  RunLoop::main().performOnMainAndWait([&] {
    int32_t open = toolbarIndex();
    if (row == open) return;
    if (open >= 0) removeRows({dataForToolbar(open)});
    toolbarRow_ = row;
    if (row >= 0) {
      {
        std::lock_guard lock(fieldsMutex_);
        toolbarOpenedDate_ = Clock::now();
      }
      publishRows({dataForToolbar(row)});
    } else {
      std::lock_guard lock(fieldsMutex_);
      toolbarOpenedDate_.reset();
    }
  });
}

// ---- Status bar -------------------------------------------------------------------------------

void FWPlugin::setStatusbarVisible(bool visible) {
  if (visible != isStatusbarVisible()) scheduleSetStatusbarVisible(visible);
}

void FWPlugin::updateStatusbar() {
  if (isStatusbarVisible()) scheduleSetStatusbarVisible(true);
}

void FWPlugin::scheduleSetStatusbarVisible(bool visible) {
  RunLoop::main().performOnMainAndWait([&] {
    if (!visible && !isStatusbarVisible()) return;
    auto row = dataForStatusbar();
    if (visible)
      publishRows({row});
    else
      removeRows({row});
    statusBarOpen_ = visible;
  });
}

void FWPlugin::performStatusbarSwipe(int64_t action) { performSwipeAction(action); }

// ---- Message box ------------------------------------------------------------------------------

void FWPlugin::setMessageBox(std::optional<std::string> line1, std::optional<std::string> line2) {
  {
    std::lock_guard lock(fieldsMutex_);
    messageBoxLine1_ = std::move(line1);
    messageBoxLine2_ = std::move(line2);
    messageBoxDetail_.reset();
  }
  setMessageBoxMailable(true);
}

void FWPlugin::setMessageBox(std::optional<std::string> line1, std::optional<std::string> line2,
                             std::optional<std::string> detail) {
  std::lock_guard lock(fieldsMutex_);
  messageBoxLine1_ = std::move(line1);
  messageBoxLine2_ = std::move(line2);
  messageBoxDetail_ = std::move(detail);
}

void FWPlugin::resetMessageBox() {
  {
    std::lock_guard lock(fieldsMutex_);
    messageBoxLine1_.reset();
    messageBoxLine2_.reset();
    messageBoxDetail_.reset();
  }
  setMessageBoxMailable(true);
}

// ---- System status-bar icon -------------------------------------------------------------------

void FWPlugin::showLibstatusBarIcon(bool visible) {
  auto icon = statusbarIcon();
  if (!icon) {
    auto datasource = fwDatasource();
    auto imageName = datasource ? datasource->libstatusbarIconName() : std::nullopt;
    if (imageName) {
      // None when the device has no status-bar library: then there is no icon at all.
      icon = LSStatusBarItem::initWithIdentifier(resourceName(), kStatusBarIconAlignment);
      if (icon) {
        setStatusbarIcon(icon);
        KSLog("KS:%@: Allocated libstatusbar icon %@", resourceName(), icon);
        icon->setImageName(*imageName);
      }
    }
  }
  if (icon) {
    KSLog("KS:%@: Changing libstatusbar visibility = %d", resourceName(), visible);
    icon->setVisible(visible);
  }
}
