// ActSteps: the steps `kestrel act` performs on a loaded plug-in, read from its command line.
//
//   complete N              touch the completion control of the N-th task row (1 = the top
//                           one; the fixed rows "[[[...]]]" are not counted)
//   context auto|manual|off touch the tool bar's locate, manual-contexts or contexts-off button
//                           (also "contexts ..."; "locate" is "context auto")
//   details                 touch the tool bar's details button
//   refresh                 the section's reload action
//   wait DURATION           move the clock on by DURATION (Duration.h), delivering every timer
//                           and notification due on the way, in time order
//   at TIME                 the same, up to an ISO-8601 time
//   alarm N                 touch the N-th event row (1 = the top one; the fixed rows do not
//                           count): a sounding alarm's row opens its tool bar
//   snooze|mute|unmute|sleep|cancel|view
//                           touch that button of the open alarm tool bar (cancel: the open
//                           page's Cancel button while a page is shown; view opens the
//                           event's page)
//   open N                  touch the N-th task row (counted as for complete), opening its page
//   info                    touch the information row (debug mode), opening the debug page
//   tap TEXT                select the page's first row whose title starts with TEXT
//   back|up|down|done|select
//                           the open page's back button, up/down control, Done or Select button
//   button TEXT             touch the page's in-row button, or else its bar button, whose title
//                           (a picture button's accessibility label)
//                           starts with TEXT
//   switch TEXT             toggle the switch of the page's first row whose title starts with TEXT
//   delete ROW              touch the delete control of that row of the page, then its Delete
//                           button
//   move ROW to PLACE       drag that row of the page by its move handle and drop it at PLACE
//                           ROW: N, the N-th row of the page as printed (1 = the first, across
//                           sections), or S.R, row R of section S (both from 1; untitled
//                           sections count). PLACE: a row as for ROW, where the dropped row
//                           lands; S.R may name the place after a section's last row.
//   search TEXT             the tool bar's search form: type TEXT, press Done
//   new TEXT [importance N] [device|taskwell]
//                           the new-task form: type TEXT, choose, press Done
//
// parseActSteps reads the words after the options; every step is checked before any runs, so
// a mistyped step changes nothing. Plain values; not synchronised.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/foundation/Date.h"
#include "platform/host/HostResult.h"

namespace kestrel::tool {

struct ActStep {
  enum class Kind { Complete, Context, Details, Refresh, Wait, At, Alarm, AlarmButton, Open, Tap, PageButton, Search, NewTask,
                    PageControl, PageSwitch, Info, PageDelete, PageMove };
  // A row of the shown page: with section 0, `row` counts the page's rows as printed;
  // otherwise the row within that section. Both from 1.
  struct PageRow {
    int section = 0;
    int row = 0;
  };
  enum class ContextMode { Auto, Manual, Off };
  Kind kind = Kind::Refresh;
  int row = 0;  // Complete, Alarm: 1-based position among the item rows
  std::string button{};  // AlarmButton: snooze, mute, unmute, sleep, cancel or view; PageButton: back, up, down, done, select
  std::string target{};  // Tap, PageSwitch: the start of the row's title; PageControl: of the button's title; Search, NewTask: the text typed
  int importance = -1;   // NewTask: the importance chosen (0, 1, 5, 10, 15); -1 keeps the preset
  std::string destination{};  // NewTask: "device", "taskwell" or empty (keep the form's choice)
  ContextMode mode = ContextMode::Off;
  double seconds = 0;  // Wait
  Date time{};         // At
  PageRow from{};      // PageDelete, PageMove: the row touched
  PageRow to{};        // PageMove: where it is dropped
  // The step as the user wrote it, for headers and messages ("complete 2").
  std::string text;
};

HostResult<std::vector<ActStep>> parseActSteps(std::span<const std::string> words);

// One line per step form, for --help.
const char* actStepsHelp();

}  // namespace kestrel::tool
