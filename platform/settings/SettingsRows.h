// SettingsRows: a pane's rows as a person reads them, and the touches that change them.
//
// settingsRows() lists every specifier with its group, its title and its current value as
// the pane shows it: switches "on"/"off", a choice list the title of its current value, a
// text field its text, a title-value row its value. The touches do exactly what a finger
// does: toggle flips a switch through its setter; set picks a choice by its title (or its
// value), sets a switch to on or off, or types text into a field and confirms it; press
// runs a button. A row is named by its title, or "GROUP/TITLE" where titles repeat, without
// regard to case.
//
// Typed text is untrusted. A field marked "isNumeric" (or "keyboard" = "numbers") takes a
// whole number within its "min" and "max" and stores an integer; any other field takes text
// of at most "maxLength" bytes (default kMaxTextBytes) of valid UTF-8 without control
// characters. Anything else is refused with a message and nothing is written. Main thread
// only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/host/HostResult.h"
#include "platform/settings/PSListController.h"

namespace kestrel {

struct SettingsRow {
  PSCellType type;
  std::string group;  // the title of the group the row is in; empty before the first
  std::string title;
  std::string value;  // as shown; empty for rows without one
  std::string footer;
  Ref<PSSpecifier> specifier;
};

inline constexpr size_t kMaxTextBytes = 256;

std::vector<SettingsRow> settingsRows(PSListController& pane);
// The text a row shows for its value.
std::string settingsValueText(PSSpecifier& specifier);

// Each answers a line saying what changed ("Hide future tasks: on -> off"), or why nothing
// did.
HostResult<std::string> settingsToggle(PSListController& pane, std::string_view title);
HostResult<std::string> settingsSet(PSListController& pane, std::string_view title, std::string_view value);
HostResult<std::string> settingsPress(PSListController& pane, std::string_view title);

}  // namespace kestrel
