// SectionActor: the information row, which opens the debug page in debug mode.
#include "runtime/FWDisplayRows.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/SectionActor.h"

namespace kestrel::tool {

StepOutcome SectionActor::touchInfoRow(const ActStep& step) {
  auto failed = [&](int status, const std::string& why) { return StepOutcome{status, step.text + ": " + why}; };
  if (!engine_.row(kUniqueIdInfo))
    return failed(kExitUsage, "the section shows no information row (it shows only in debug mode: --option debugCode=5807)");
  auto threads = threadIds();
  // The row has no control of its own: the table selects it, as the host's does.
  if (auto error = engine_.performRowAction(kUniqueIdInfo, HostEngine::RowAction::Default))
    return failed(kExitFailure, error->message);
  if (!settle(threads)) return failed(kExitFailure, "the plug-in did not settle");
  if (!shownPage(engine_)) return failed(kExitFailure, "the information row opened no page");
  return {};
}

}  // namespace kestrel::tool
