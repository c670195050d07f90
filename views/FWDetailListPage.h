// Shows a drill-down page of the plug-in's own (a debug or context page) as its preview: a
// detail list view of `list` in the preview-compatible frame, with the page delegate and
// caption given, through the host's showPreview; the view takes `background` as its own
// colour when one is given. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "runtime/FWDetailListViewDelegate.h"
#include "runtime/FWPlugin.h"

// False, showing nothing, without a host or a page delegate.
bool FWShowDetailListPage(FWPlugin& controller, FWDetailItems list, const std::string& caption,
                          std::shared_ptr<FWDetailListViewDelegate> page,
                          const std::optional<kestrel::Color>& background = std::nullopt);
