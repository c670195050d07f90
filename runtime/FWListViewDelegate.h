// FWListViewDelegate: the data source of a plug-in's list — it reads the items and builds
// their views.
//
// The controller calls the refresh operations (shouldUpdateForDate, fetchNewDataForPrefs and
// the status-bar icon questions) on the update thread, which may be a background thread, one
// update at a time; the header detail and the view operations come from the host on the main
// thread, possibly while an update reads. The two status-bar icon operations are optional:
// their defaults answer none ("not answered") and the controller then skips the step that
// would use them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/KSHost.h"
#include "runtime/FWDisplayObject.h"
#include "runtime/FWTypes.h"

class FWApplication;
class FWPreferences;

using FWTheme = std::shared_ptr<const kestrel::KSTheme>;
using FWView = std::shared_ptr<kestrel::ui::View>;

// A frame in points, as the detail pages are laid out.
struct FWRect {
  double x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const FWRect&, const FWRect&) = default;
};

class FWListViewDelegate {
 public:
  virtual ~FWListViewDelegate() = default;

  // True when the data source itself wants a re-read since `lastUpdate`.
  virtual bool shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) = 0;
  // The new display list, in display order.
  virtual FWDisplayList fetchNewDataForPrefs(const Ref<FWPreferences>& prefs,
                                             const Ref<FWApplication>& application) = 0;
  // Detail text of the section header.
  virtual std::string detailForHeader(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) = 0;

  // The row view to use, reusing `existing` when it fits.
  virtual FWView viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                              const Ref<FWApplication>& application) = 0;
  // Fills the view for the item (none for the information row).
  virtual void setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem, const FWTheme& theme,
                                   const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) = 0;
  virtual double heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme,
                               const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) = 0;
  // The detail page of the item at `atIndex` of `forItems`, or none when it has none.
  virtual FWView previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems,
                                  const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                  const Ref<FWApplication>& application) = 0;

  // Optional: whether to show the system status-bar icon for the new list.
  virtual std::optional<bool> showLibstatusbarIconForItems(const FWDisplayList& items,
                                                           const Ref<FWPreferences>& prefs) {
    return std::nullopt;
  }
  // Optional: the image name of the status-bar icon.
  virtual std::optional<std::string> libstatusbarIconName() { return std::nullopt; }
};
