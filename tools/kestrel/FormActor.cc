// SectionActor: the form steps — the tool bar's search and new-task forms, typed on the
// host's keyboard as a person would.
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/TextField.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/SectionActor.h"

namespace kestrel::tool {
namespace {

// The keyboard comes up a moment after the form appears.
constexpr double kKeyboardWaitSeconds = 1;
constexpr int kImportances[] = {0, 1, 5, 10, 15};

void collectControls(const std::shared_ptr<ui::View>& view, std::vector<std::shared_ptr<ui::SegmentedControl>>* out) {
  if (!view || view->isHidden()) return;
  if (auto control = std::dynamic_pointer_cast<ui::SegmentedControl>(view)) out->push_back(control);
  for (const auto& sub : view->subviews()) collectControls(sub, out);
}

std::shared_ptr<ui::NavigationBar> findBar(const std::shared_ptr<ui::View>& view) {
  if (!view || view->isHidden()) return nullptr;
  if (auto bar = std::dynamic_pointer_cast<ui::NavigationBar>(view)) return bar;
  for (const auto& sub : view->subviews())
    if (auto found = findBar(sub)) return found;
  return nullptr;
}

}  // namespace

StepOutcome SectionActor::fillForm(const ActStep& step) {
  const bool search = step.kind == ActStep::Kind::Search;
  if (auto outcome = tapToolbarButton(step, search ? "searchTodoClicked:" : "newTodoClicked:", true); !outcome.ok())
    return outcome;
  auto form = engine_.plugin().currentPreview();
  if (!form) return failed(kExitFailure, step, "the form did not open");
  auto threads = threadIds();
  if (auto outcome = moveClockTo(step, Clock::now().addingTimeInterval(kKeyboardWaitSeconds)); !outcome.ok())
    return outcome;
  auto field = engine_.plugin().currentKeyboard();
  if (!field) return failed(kExitFailure, step, "the form's keyboard did not come up");
  if (!field->insertText(step.target))
    return failed(kExitFailure, step, "the field refused the text (not UTF-8, or longer than the field takes)");

  std::vector<std::shared_ptr<ui::SegmentedControl>> controls;
  collectControls(form, &controls);
  // In the new-task form the importance control comes first, the destination second.
  if (step.importance >= 0) {
    if (controls.empty()) return failed(kExitFailure, step, "the form has no importance control");
    int segment = 0;
    for (int i = 0; i < 5; ++i)
      if (kImportances[i] == step.importance) segment = i;
    controls[0]->tapSegment(segment);
  }
  if (!step.destination.empty()) {
    if (controls.size() < 2)
      return failed(kExitUsage, step, "the form offers no destination (the plug-in is native-only or has no reminders)");
    controls[1]->tapSegment(step.destination == "device" ? 0 : 1);
  }
  auto bar = findBar(form);
  auto top = bar ? bar->topItem() : nullptr;
  auto done = top ? top->rightBarButtonItem() : nullptr;
  if (!done || done->actionName() != "doneClicked") return failed(kExitFailure, step, "the form has no Done button");
  const size_t urlsBefore = engine_.plugin().records().launchedURLs.size();
  if (!done->perform()) return failed(kExitFailure, step, "the Done button is disabled (an empty text)");
  if (auto outcome = settled(step, threads); !outcome.ok()) return outcome;
  if (search) {
    auto page = shownPage(engine_);
    if (!page || !page->table) return failed(kExitFailure, step, "no task or reminder matches (the form stays open)");
    return {};
  }
  if (engine_.plugin().records().launchedURLs.size() > urlsBefore) {
    // Taskwell creates the task from its link, which the host logs.
    return {};
  }
  if (engine_.plugin().currentPreview() == form)
    return failed(kExitFailure, step, "the task was not created (see the log); the form stays open");
  return {};
}

}  // namespace kestrel::tool
