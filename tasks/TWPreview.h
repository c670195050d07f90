// TWPreview: what the previews of both plug-ins share — the page entries for sensitivity,
// repeat rules, coloured values and alarms. The task preview (TWTaskPreview) builds on it.
//
// Entries are built afresh for each page request; texts come from the plug-in's bundle
// (the key stands in where it has none). The class has no state of its own. Main thread
// only, like the pages.
#pragma once

#include <optional>
#include <string>
#include <vector>

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


  // ---- Phone dialer ---------------------------------------------------------------------
  // The phone-like numbers of `text` (a "+", digits, then digits, "-", "#" or "*"), or none
  // when they do not look like a phone number: none of 3 characters or more, fewer than 6
  // characters in all, or more than 10 numbers. One pass over the text.
  static std::optional<std::vector<std::string>> numbersFromString(const std::optional<std::string>& text);
  // The entries joined with spaces, elements as "*", "#" and ",", without any "-".
  static std::string makePhoneNumber(const FWDetailListEntries& entries);
  // The dialer: the prompt and the dial button, the numbers found, the dial elements, and
  // an empty section to drop on. Dial element keys are above 8999.
  static FWDetailListSections dataForNumberListPage(const Ref<FWApplication>& application,
                                                    const std::optional<std::string>& string,
                                                    const std::optional<std::string>& prompt,
                                                    const Ref<Bundle>& bundle);
  // The dial button: launches "tel:" with the number made from the dialer's number section
  // through the host. True when it was the dialer's button (the preview then closes).
  static bool dialNumberForButton(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                                  const Ref<FWDetailListEntry>& button);

  std::optional<bool> shouldReloadWhenTableReordered(const FWDetailListSections& sections) override { return true; }
};
