// TWPreview: what the previews of both plug-ins share — the page entries for sensitivity,
// repeat rules, coloured values and alarms, and the phone dialer page with its editing
// rules. The task and event previews (TWTaskPreview, TWEventPreview) build on it through
// TWItemPreview.
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
  // The dial button: logs the "tel:" link of the number made from the dialer's number
  // section and has the host dial the number, when the host can. True when it was the
  // dialer's button and there was a number to dial (the preview then closes).
  static bool dialNumberForButton(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                                  const Ref<FWDetailListEntry>& button);
  // The first row of `section` whose key is at least the entry's key; -1 when there is none.
  static int32_t locationForEntry(const Ref<FWDetailListEntry>& entry, const Ref<FWDetailListSection>& section);

  // ---- Dialer editing ---------------------------------------------------------------------
  // The number section (1) is built from the found numbers and copies of the dial elements;
  // the elements section (2) always offers every element, and takes back a deleted number.
  // Only rows of the number section may be deleted.
  bool allowDelete(const Ref<FWDetailListEntry>& entry, FWIndexPath indexPath) override;
  // A deleted element is gone (its original stays in the elements section); a deleted found
  // number goes back to the elements section in key order, unless it is already there.
  void deletedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections& sections,
                    FWIndexPath indexPath) override;
  // An element taken from the elements section leaves a copy at its old row; an element
  // dropped back there is removed again, so each element shows there exactly once. Found
  // numbers simply move.
  void movedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections& sections, FWIndexPath fromIndexPath,
                  FWIndexPath toIndexPath) override;
  // In the number section an element never lands at its head (row 0 becomes row 1); in
  // another section a row lands in key order, or where proposed when nothing follows it.
  std::optional<int32_t> targetIndexForMove(const Ref<FWDetailListEntry>& entry,
                                            const Ref<FWDetailListSection>& toSection,
                                            FWIndexPath proposedIndexPath) override;
  // The dial button (the last row of section 0) takes the number now made from section 1.
  void tableReordered(const FWDetailListSections& sections) override;
  std::optional<bool> shouldReloadWhenTableReordered(const FWDetailListSections& sections) override { return true; }
};
