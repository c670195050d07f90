#include "tools/kestrel/SectionActor.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Toolbar.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PagePrint.h"

namespace kestrel::tool {
namespace {

constexpr const char* kStatusRowID = "[[[statusbar]]]";
constexpr const char* kToolbarRowID = "[[[toolbar]]]";
constexpr const char* kMenuAction = "toggleMenuClicked:";

bool isFixedRow(const KSData& row) { return row.uniqueID.rfind("[[[", 0) == 0; }

// Runs a touch; the plug-in's exception becomes the answer.
std::optional<std::string> guardedTouch(const std::function<void()>& touch) {
  try {
    touch();
    return std::nullopt;
  } catch (const std::exception& e) {
    return std::string(e.what());
  } catch (...) {
    return std::string("unknown exception");
  }
}

std::shared_ptr<ui::BarButtonItem> findBarButton(const ui::View& view, const std::string& actionName) {
  if (auto bar = dynamic_cast<const ui::Toolbar*>(&view))
    for (const auto& item : bar->items())
      if (item && item->actionName() == actionName) return item;
  for (const auto& sub : view.subviews())
    if (sub)
      if (auto found = findBarButton(*sub, actionName)) return found;
  return nullptr;
}

// The button of the row's view that carries `actionName`; none when the row or button is absent.
std::shared_ptr<ui::BarButtonItem> barButtonOfRow(HostEngine& engine, const std::string& rowID,
                                                  const std::string& actionName) {
  for (const auto& shown : engine.rowViews())
    if (shown.row && shown.row->uniqueID == rowID && shown.view) return findBarButton(*shown.view, actionName);
  return nullptr;
}

const char* buttonName(const std::string& actionName) {
  if (actionName == "locationContextClicked:") return "locate";
  if (actionName == "manualContextClicked:") return "manual-contexts";
  if (actionName == "disableContextsClicked:") return "contexts-off";
  if (actionName == "toggleDetailsClicked:") return "details";
  return "tool-bar";
}

}  // namespace

std::set<std::string> SectionActor::threadIds() {
  std::error_code ec;
  std::set<std::string> ids;
  for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec))
    ids.insert(it->path().filename().string());
  return ids;
}

bool SectionActor::settle(const std::set<std::string>& threadsBefore) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(settleTimeout_);
  auto onlyOldThreads = [&] {
    for (const auto& id : threadIds())
      if (!threadsBefore.count(id)) return false;
    return true;
  };
  for (;;) {
    engine_.pumpUntilIdle();
    if (onlyOldThreads()) {
      engine_.pumpUntilIdle();
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // Returns as soon as a refresh thread queues its publishing.
    RunLoop::main().runFor(0.005);
  }
}

StepOutcome SectionActor::settled(const ActStep& step, const std::set<std::string>& threadsBefore) {
  if (settle(threadsBefore)) return {};
  return failed(kExitFailure, step,
                "the plug-in did not finish refreshing within " + std::to_string(static_cast<int>(settleTimeout_)) +
                    " seconds");
}

StepOutcome SectionActor::perform(const ActStep& step) {
  if (step.kind == ActStep::Kind::Wait) return moveClockTo(step, Clock::now().addingTimeInterval(step.seconds));
  if (step.kind == ActStep::Kind::At) return moveClockTo(step, step.time);
  if (Clock::isFixed()) RunLoop::main().advanceClockBy(kStepSeconds);
  engine_.pumpUntilIdle();
  switch (step.kind) {
    case ActStep::Kind::Complete: return complete(step);
    case ActStep::Kind::Details: return tapToolbarButton(step, "toggleDetailsClicked:");
    case ActStep::Kind::Refresh: return refresh(step);
    case ActStep::Kind::Alarm: return touchAlarmRow(step);
    case ActStep::Kind::AlarmButton:
      if (step.button == "cancel" && engine_.plugin().currentPreview()) return tapPageButton(step);
      return tapAlarmButton(step);
    case ActStep::Kind::Open: return openRow(step);
    case ActStep::Kind::Info: return touchInfoRow(step);
    case ActStep::Kind::Tap: return tapPageRow(step);
    case ActStep::Kind::PageButton: return tapPageButton(step);
    case ActStep::Kind::PageControl: return touchPageControl(step);
    case ActStep::Kind::PageSwitch: return togglePageSwitch(step);
    case ActStep::Kind::PageDelete: return deletePageRow(step);
    case ActStep::Kind::PageMove: return movePageRow(step);
    case ActStep::Kind::Search:
    case ActStep::Kind::NewTask: return fillForm(step);
    case ActStep::Kind::Wait:
    case ActStep::Kind::At: break;
    case ActStep::Kind::Context:
      switch (step.mode) {
        case ActStep::ContextMode::Auto: return tapToolbarButton(step, "locationContextClicked:", true);
        case ActStep::ContextMode::Manual: return tapToolbarButton(step, "manualContextClicked:", true);
        case ActStep::ContextMode::Off: return tapToolbarButton(step, "disableContextsClicked:");
      }
  }
  return failed(kExitUsage, step, "unknown step");
}

SectionActor::ItemRow SectionActor::itemRow(const ActStep& step, const std::string& kind) const {
  ItemRow found;
  int items = 0;
  for (const auto& candidate : engine_.rows()) {
    if (isFixedRow(*candidate)) continue;
    if (++items == step.row) found.row = candidate;
  }
  if (!found.row)
    found.refused = failed(kExitUsage, step,
                           items == 0 ? "the section shows no " + kind + " rows"
                                      : "there is no " + kind + " row " + std::to_string(step.row) +
                                            " (the section shows " + std::to_string(items) + ")");
  return found;
}

StepOutcome SectionActor::complete(const ActStep& step) {
  auto [row, refused] = itemRow(step, "task");
  if (!row) return refused;
  Ref<KSAction> control = row->accessoryTapAction ? row->accessoryTapAction : row->accessoryHoldAction;
  if (!control)
    return failed(kExitUsage, step,
                  "task row " + std::to_string(step.row) + " (" + row->uniqueID +
                      ") has no completion control (the option completeTasks is 0, or Taskwell's database is "
                      "older than schema 250)");
  const std::string id = row->uniqueID;
  auto threads = threadIds();
  if (auto thrown = guardedTouch([&] { control->perform(row); }))
    return failed(kExitFailure, step, "the completion control failed: " + *thrown);
  row.reset();
  if (auto outcome = settled(step, threads); !outcome.ok()) return outcome;
  if (engine_.row(id))
    return failed(kExitFailure, step, "task " + id + " is still listed: its completion failed (see the log)");
  return {};
}

std::string SectionActor::openToolbar() {
  if (engine_.row(kToolbarRowID)) return {};
  if (!engine_.row(kStatusRowID))
    return "the status row is hidden (option isShowToolbar is off), so the tool bar cannot be opened";
  auto menu = barButtonOfRow(engine_, kStatusRowID, kMenuAction);
  if (!menu) return "the status row has no menu button";
  if (auto thrown = guardedTouch([&] { menu->perform(); })) return "the menu button failed: " + *thrown;
  engine_.pumpUntilIdle();
  if (!engine_.row(kToolbarRowID)) return "the menu button did not open the tool bar";
  return {};
}

StepOutcome SectionActor::tapToolbarButton(const ActStep& step, const std::string& actionName, bool opensPage) {
  if (auto problem = openToolbar(); !problem.empty()) return failed(kExitFailure, step, problem);
  const std::string name = buttonName(actionName);
  auto button = barButtonOfRow(engine_, kToolbarRowID, actionName);
  if (!button)
    return failed(kExitFailure, step,
                  "the tool bar has no " + name + " button (context buttons need Taskwell's database)");
  if (!button->isEnabled()) {
    std::string why = step.kind != ActStep::Kind::Context ? ""
                      : step.mode == ActStep::ContextMode::Auto
                          ? " (Auto mode is on already, or Taskwell does not monitor locations)"
                      : step.mode == ActStep::ContextMode::Off ? " (no context mode is on)"
                                                               : "";
    return failed(kExitFailure, step, "the " + name + " button is disabled" + why);
  }
  auto threads = threadIds();
  size_t pagesBefore = engine_.plugin().records().shownPreviews.size();
  bool touched = false;
  if (auto thrown = guardedTouch([&] { touched = button->perform(); }))
    return failed(kExitFailure, step, "the " + name + " button failed: " + *thrown);
  button.reset();
  if (!touched) return failed(kExitFailure, step, "the " + name + " button did nothing");
  if (auto outcome = settled(step, threads); !outcome.ok()) return outcome;
  // Buttons that change the list close the tool bar; one that opens a page leaves it open.
  if (opensPage && engine_.plugin().records().shownPreviews.size() > pagesBefore) return {};
  if (engine_.row(kToolbarRowID)) {
    if (engine_.plugin().records().shownPreviews.size() > pagesBefore)
      return failed(kExitFailure, step, "the " + name + " button opened a page, which act cannot drive");
    std::string hint = step.kind == ActStep::Kind::Context && step.mode == ActStep::ContextMode::Auto
                           ? "; --option isShowLocations=false makes the button switch Auto mode on directly"
                           : "";
    return failed(kExitFailure, step,
                  "the " + name + " button opens a page that is not available yet; nothing changed" + hint);
  }
  return {};
}

StepOutcome SectionActor::touchAlarmRow(const ActStep& step) {
  auto [row, refused] = itemRow(step, "event");
  if (!row) return refused;
  const std::string id = row->uniqueID;
  const bool wasOpen = engine_.row(kToolbarRowID) != nullptr;
  auto threads = threadIds();
  row.reset();
  if (auto error = engine_.performRowAction(id, HostEngine::RowAction::Default))
    return failed(kExitFailure, step, error->message);
  if (auto outcome = settled(step, threads); !outcome.ok()) return outcome;
  if (!wasOpen && !engine_.row(kToolbarRowID))
    return failed(kExitFailure, step, "event row " + std::to_string(step.row) + " (" + id +
                                          ") has no sounding alarm, so touching it opens no tool bar");
  return {};
}

StepOutcome SectionActor::tapAlarmButton(const ActStep& step) {
  if (!engine_.row(kToolbarRowID))
    return failed(kExitFailure, step, "no alarm tool bar is open (touch a sounding alarm's row with 'alarm N' first)");
  const bool opensPage = step.button == "view";
  const std::string actionName = opensPage ? std::string("showPreviewClicked:") : step.button + "AlarmClicked:";
  auto button = barButtonOfRow(engine_, kToolbarRowID, actionName);
  if (!button) {
    std::string why = step.button == "unmute" ? " (the alarm is not muted)"
                      : step.button == "mute" ? " (the alarm is muted already)"
                      : opensPage             ? " (the option isShowPreviews is off)"
                                              : "";
    return failed(kExitFailure, step, "the tool bar has no " + step.button + " button" + why);
  }
  auto threads = threadIds();
  bool touched = false;
  if (auto thrown = guardedTouch([&] { touched = button->perform(); }))
    return failed(kExitFailure, step, "the " + step.button + " button failed: " + *thrown);
  button.reset();
  if (!touched) return failed(kExitFailure, step, "the " + step.button + " button did nothing");
  if (auto outcome = settled(step, threads); !outcome.ok()) return outcome;
  if (opensPage && !shownPage(engine_))
    return failed(kExitFailure, step, "the view button opened no page");
  return {};
}

StepOutcome SectionActor::refresh(const ActStep& step) {
  auto threads = threadIds();
  if (auto error = engine_.performReloadAction()) return failed(kExitFailure, step, error->message);
  return settled(step, threads);
}

StepOutcome SectionActor::moveClockTo(const ActStep& step, Date target) {
  if (!Clock::isFixed()) return failed(kExitFailure, step, "the clock is not fixed");
  if (target < Clock::now())
    return failed(kExitFailure, step, "the time " + target.description() + " is before the clock's time " +
                                          Clock::now().description());
  auto threads = threadIds();
  if (!settle(threads)) return settled(step, threads);
  for (size_t fired = 0;; ++fired) {
    auto next = RunLoop::main().nextTimerDate();
    if (!next || *next > target) break;
    if (fired >= kMaxTimersPerMove)
      return failed(kExitFailure, step,
                    "more than " + std::to_string(kMaxTimersPerMove) + " timers fell due; stopped at " +
                        Clock::now().description());
    // Each timer at its own time, with what it started finished before the next.
    if (*next > Clock::now()) Clock::fix(*next);
    threads = threadIds();
    engine_.pumpUntilIdle();
    if (auto outcome = settled(step, threads); !outcome.ok()) return outcome;
  }
  Clock::fix(target);
  threads = threadIds();
  engine_.pumpUntilIdle();
  return settled(step, threads);
}

}  // namespace kestrel::tool
