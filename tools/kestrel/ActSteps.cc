#include "tools/kestrel/ActSteps.h"

#include <charconv>
#include <optional>

#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Duration.h"

namespace kestrel::tool {
namespace {

std::optional<int> rowNumber(const std::string& word) {
  int value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value < 1) return std::nullopt;
  return value;
}

// "N" (a row of the page as printed) or "S.R" (row R of section S), each from 1.
std::optional<ActStep::PageRow> pageRow(const std::string& word) {
  const size_t dot = word.find('.');
  if (dot == std::string::npos) {
    auto row = rowNumber(word);
    if (!row) return std::nullopt;
    return ActStep::PageRow{0, *row};
  }
  auto section = rowNumber(word.substr(0, dot));
  auto row = rowNumber(word.substr(dot + 1));
  if (!section || !row) return std::nullopt;
  return ActStep::PageRow{*section, *row};
}

}  // namespace

HostResult<std::vector<ActStep>> parseActSteps(std::span<const std::string> words) {
  std::vector<ActStep> steps;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const std::string* argument = i + 1 < words.size() ? &words[i + 1] : nullptr;
    ActStep step;
    if (word == "complete") {
      if (!argument) return HostError{"'complete' needs a row number (complete N, 1 = the first task row)"};
      auto row = rowNumber(*argument);
      if (!row) return HostError{"'complete " + printable(*argument) + "': the row number must be a whole number from 1"};
      step.kind = ActStep::Kind::Complete;
      step.row = *row;
      step.text = "complete " + std::to_string(*row);
      ++i;
    } else if (word == "locate") {
      step.kind = ActStep::Kind::Context;
      step.mode = ActStep::ContextMode::Auto;
      step.text = "locate";
    } else if (word == "context" || word == "contexts") {
      if (!argument) return HostError{"'context' needs a mode: context auto, context manual or context off"};
      step.kind = ActStep::Kind::Context;
      if (*argument == "auto")
        step.mode = ActStep::ContextMode::Auto;
      else if (*argument == "manual")
        step.mode = ActStep::ContextMode::Manual;
      else if (*argument == "off")
        step.mode = ActStep::ContextMode::Off;
      else
        return HostError{"'context " + printable(*argument) + "': the mode is auto, manual or off"};
      step.text = word + " " + *argument;
      ++i;
    } else if (word == "details") {
      step.kind = ActStep::Kind::Details;
      step.text = "details";
    } else if (word == "info") {
      step.kind = ActStep::Kind::Info;
      step.text = "info";
    } else if (word == "refresh") {
      step.kind = ActStep::Kind::Refresh;
      step.text = "refresh";
    } else if (word == "wait") {
      if (!argument) return HostError{"'wait' needs a duration such as 90s, 15m or 1h30m"};
      auto seconds = parseDuration(*argument);
      if (!seconds)
        return HostError{"'wait " + printable(*argument) + "': not a duration such as 90s, 15m, 1h30m or 1d"};
      step.kind = ActStep::Kind::Wait;
      step.seconds = *seconds;
      step.text = "wait " + *argument;
      ++i;
    } else if (word == "at") {
      if (!argument) return HostError{"'at' needs an ISO-8601 time such as 2026-12-08T15:00:00Z"};
      if (!Date::parseISO8601(*argument, &step.time))
        return HostError{"'at " + printable(*argument) + "': not an ISO-8601 time such as 2026-12-08T15:00:00Z"};
      step.kind = ActStep::Kind::At;
      step.text = "at " + *argument;
      ++i;
    } else if (word == "alarm") {
      if (!argument) return HostError{"'alarm' needs a row number (alarm N, 1 = the first event row)"};
      auto row = rowNumber(*argument);
      if (!row) return HostError{"'alarm " + printable(*argument) + "': the row number must be a whole number from 1"};
      step.kind = ActStep::Kind::Alarm;
      step.row = *row;
      step.text = "alarm " + std::to_string(*row);
      ++i;
    } else if (word == "open") {
      if (!argument) return HostError{"'open' needs a row number (open N, 1 = the first task row)"};
      auto row = rowNumber(*argument);
      if (!row) return HostError{"'open " + printable(*argument) + "': the row number must be a whole number from 1"};
      step.kind = ActStep::Kind::Open;
      step.row = *row;
      step.text = "open " + std::to_string(*row);
      ++i;
    } else if (word == "tap") {
      if (!argument || argument->empty()) return HostError{"'tap' needs the start of a row's title (tap TEXT)"};
      step.kind = ActStep::Kind::Tap;
      step.target = *argument;
      step.text = "tap " + *argument;
      ++i;
    } else if (word == "button" || word == "switch") {
      if (!argument || argument->empty())
        return HostError{"'" + word + "' needs the start of " + (word == "button" ? "a button's" : "a row's") + " title (" +
                         word + " TEXT)"};
      step.kind = word == "button" ? ActStep::Kind::PageControl : ActStep::Kind::PageSwitch;
      step.target = *argument;
      step.text = word + " " + *argument;
      ++i;
    } else if (word == "delete") {
      if (!argument) return HostError{"'delete' needs a row of the page (delete N, or delete S.R for row R of section S)"};
      auto row = pageRow(*argument);
      if (!row)
        return HostError{"'delete " + printable(*argument) + "': the row is N or S.R, whole numbers from 1"};
      step.kind = ActStep::Kind::PageDelete;
      step.from = *row;
      step.text = "delete " + *argument;
      ++i;
    } else if (word == "move") {
      const std::string* to = i + 2 < words.size() ? &words[i + 2] : nullptr;
      const std::string* place = i + 3 < words.size() ? &words[i + 3] : nullptr;
      if (!argument || !to || *to != "to" || !place)
        return HostError{"'move' needs a row and a place (move N to M, or S.R forms)"};
      auto from = pageRow(*argument);
      auto target = pageRow(*place);
      if (!from || !target)
        return HostError{"'move " + printable(*argument) + " to " + printable(*place) +
                         "': rows and places are N or S.R, whole numbers from 1"};
      step.kind = ActStep::Kind::PageMove;
      step.from = *from;
      step.to = *target;
      step.text = "move " + *argument + " to " + *place;
      i += 3;
    } else if (word == "search") {
      if (!argument) return HostError{"'search' needs the text to look for (search TEXT)"};
      step.kind = ActStep::Kind::Search;
      step.target = *argument;
      step.text = "search " + printable(*argument);
      ++i;
    } else if (word == "new") {
      if (!argument) return HostError{"'new' needs the new task's title (new TEXT [importance N] [device|taskwell])"};
      step.kind = ActStep::Kind::NewTask;
      step.target = *argument;
      step.text = "new " + printable(*argument);
      ++i;
      for (;;) {
        const std::string* next = i + 1 < words.size() ? &words[i + 1] : nullptr;
        if (next && *next == "importance") {
          const std::string* value = i + 2 < words.size() ? &words[i + 2] : nullptr;
          int importance = -1;
          if (value) {
            auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), importance);
            if (error != std::errc() || end != value->data() + value->size()) importance = -1;
          }
          if (importance != 0 && importance != 1 && importance != 5 && importance != 10 && importance != 15)
            return HostError{"'new ... importance': the importance is 0, 1, 5, 10 or 15"};
          step.importance = importance;
          step.text += " importance " + std::to_string(importance);
          i += 2;
        } else if (next && (*next == "device" || *next == "taskwell")) {
          step.destination = *next;
          step.text += " " + *next;
          ++i;
        } else {
          break;
        }
      }
    } else if (word == "back" || word == "up" || word == "down" || word == "done" || word == "select") {
      step.kind = ActStep::Kind::PageButton;
      step.button = word;
      step.text = word;
    } else if (word == "snooze" || word == "mute" || word == "unmute" || word == "sleep" || word == "cancel" ||
               word == "view") {
      step.kind = ActStep::Kind::AlarmButton;
      step.button = word;
      step.text = word;
    } else {
      return HostError{"unknown step '" + printable(word) + "' (steps: complete N, context auto|manual|off, details, refresh, wait DURATION, at TIME, alarm N, snooze, mute, unmute, sleep, cancel, view, open N, tap TEXT, back, up, down, done, select, button TEXT, switch TEXT, delete ROW, move ROW to PLACE, search TEXT, new TEXT)"};
    }
    steps.push_back(std::move(step));
  }
  if (steps.empty())
    return HostError{"no step given (steps: complete N, context auto|manual|off, details, refresh, wait DURATION, at TIME, alarm N, snooze, mute, unmute, sleep, cancel, view, open N, tap TEXT, back, up, down, done, select, button TEXT, switch TEXT, delete ROW, move ROW to PLACE, search TEXT, new TEXT)"};
  return steps;
}

const char* actStepsHelp() {
  return "Steps (for the tasks plug-in):\n"
         "  complete N               touch the completion control of the N-th task row, counted from 1\n"
         "                           in the printed order; the fixed rows \"[[[...]]]\" do not count\n"
         "  context auto             touch the tool bar's locate button: with the option\n"
         "                           isShowLocations=false it switches Auto (location) mode on; otherwise\n"
         "                           it opens the location page (also: locate), which is then printed\n"
         "  context manual           touch the tool bar's manual-contexts button (also: contexts manual):\n"
         "                           the page of context switches opens and is printed\n"
         "  context off              touch the tool bar's contexts-off button: both context modes off\n"
         "  open N                   touch the N-th task row, counted as for complete: its detail page\n"
         "                           opens, and after this step and the page steps the page is printed\n"
         "                           (bar, sections, rows with their values and kinds) instead of the section\n"
         "  info                     touch the information row (shown in debug mode): the debug page opens\n"
         "  tap TEXT                 select the first row of the page whose title starts with TEXT: a link\n"
         "                           opens its sub-page, a back link goes back\n"
         "  back, up, down, done,    the page's back button, its up/down control, its Done or Cancel button\n"
         "  cancel                   (cancel touches the alarm tool bar when no page is open)\n"
         "  select                   the page's Select button\n"
         "  button TEXT              touch the page's in-row button whose title (or whose row's title)\n"
         "                           starts with TEXT, or else its bar or tool-bar button so titled\n"
         "  switch TEXT              toggle the switch of the first row whose title starts with TEXT\n"
         "  delete ROW               touch the delete control of a row of the page, then its Delete\n"
         "                           button (the dialer's number rows have one)\n"
         "  move ROW to PLACE        drag a row of the page by its move handle and drop it at PLACE;\n"
         "                           where it lands is the page's answer (a dial element never heads\n"
         "                           the number). ROW is N, the N-th row of the printed page counted\n"
         "                           from 1 across its sections, or S.R, row R of section S (from 1;\n"
         "                           sections without a title count too). PLACE is a row as for ROW,\n"
         "                           whose place the dropped row takes; S.R with R one past a\n"
         "                           section's last row drops it at that section's end\n"
         "  search TEXT              the tool bar's search form: TEXT typed on the keyboard, then Done; the\n"
         "                           matching tasks and reminders are printed as a page\n"
         "  new TEXT [importance N] [device|taskwell]\n"
         "                           the tool bar's new-task form: TEXT typed, importance N (0, 1, 5, 10,\n"
         "                           15) and the destination chosen, then Done\n"
         "  details                  touch the tool bar's details button: the detail lines are shown or\n"
         "                           hidden and the rows drawn again (see their heights with --json)\n"
         "  refresh                  the section's reload action: the data is read again\n"
         "Steps for any plug-in:\n"
         "  wait DURATION            move the clock on by DURATION (90s, 15m, 1h30m, 1d), delivering every\n"
         "                           timer, wake-up and repeating notification due on the way in time\n"
         "                           order, each with the plug-ins' refreshes settled; no real time passes\n"
         "  at TIME                  the same, up to an ISO-8601 time (not before the clock's time)\n"
         "Steps for the events plug-in:\n"
         "  alarm N                  touch the N-th event row, counted from 1 in the printed order: the row\n"
         "                           of a sounding alarm opens (or closes) its tool bar\n"
         "  snooze, mute, unmute,    touch that button of the open alarm tool bar: snooze for the option\n"
         "  sleep, cancel            snoozeDuration, mute until the reminder ends, sound again, sleep\n"
         "                           until the event starts, or stop the alarm\n"
         "  view                     touch the open alarm tool bar's view button: the event's page opens\n"
         "                           and is printed, and the page steps drive it\n";
}

}  // namespace kestrel::tool
