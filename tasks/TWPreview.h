// TWPreview: what the previews of both plug-ins share — the page entries for sensitivity,
// repeat rules, coloured values and alarms. The task preview (TWTaskPreview) builds on it.
//
// Entries are built afresh for each page request; texts come from the plug-in's bundle
// (the key stands in where it has none). The class has no state of its own. Main thread
// only, like the pages.
#pragma once

#include <optional>
#include <string>

#include "model/TWObject.h"
#include "model/TWOptions.h"
#include "runtime/FWApplication.h"
#include "runtime/FWDetailListViewDelegate.h"

class TWPreview : public FWDetailListViewDelegate {
 public:
  // "Detail/Sensitivity" with the sensitivity's name; values outside the table read Normal.
  static Ref<FWDetailListEntry> entryForSensitivity(int32_t sensitivity, const Ref<Bundle>& bundle);
  // The recurrence's interval and end, each when it has one; nothing without a recurrence.
  static FWDetailListEntries repeatSectionForObject(const Ref<TWObject>& item, const Ref<Bundle>& bundle,
                                                    const Ref<FWApplication>& application);
  // With a value, the value is decorated with the icons; without one, the title is. A colour
  // (not clear) becomes an 18 × 18 dot accessory.
  static Ref<FWDetailListEntry> detailColourEntryForTitle(const std::string& title,
                                                          const std::optional<std::string>& value,
                                                          const std::string& icon, const std::string& calendarIcon,
                                                          const std::optional<Color>& calendarColor, bool emojiAfter);
  // One entry per alarm, in time order, with its caption (relative, absolute, at a fixed time
  // of day, or a place); place alarms link to their map page.
  static FWDetailListEntries alarmsListForObject(const Ref<TWObject>& item, Date dueDate, const Ref<Bundle>& bundle,
                                                 const Ref<FWApplication>& application);

  std::optional<bool> shouldReloadWhenTableReordered(const FWDetailListSections& sections) override { return true; }
};
