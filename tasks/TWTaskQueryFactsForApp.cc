// The query facts of an application record: from its controller (companion detection) and
// its status record.
#include "model/TWIntegration.h"
#include "model/TWPlugin.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskStatus.h"

TWTaskQueryFacts TWTaskQueryFactsForApp(FWApplication* application) {
  TWTaskQueryFacts facts;
  if (!application) return facts;
  if (auto plugin = std::dynamic_pointer_cast<TWPlugin>(application->fwPlugin())) {
    facts.dbVersion = plugin->dbVersion();
    for (auto& [name, number] : plugin->dbEntityKeys()) facts.dbEntityKeys.emplace(name, number);
    facts.debug = plugin->isDebugMode();
  }
  if (auto status = application->infoAs<TWTaskStatus>()) {
    facts.autoContextOn = status->isAutoContextOn();
    facts.fixedContextOn = status->isFixedContextOn();
  }
  facts.defaultTaskCalendarID = static_cast<int32_t>(TWIntegration::defaultTaskCalendarID(application));
  return facts;
}

Ref<TWTaskIntegration> TWTaskIntegration::implementationForApp(FWApplication* application) {
  return implementationForApp(TWTaskQueryFactsForApp(application));
}

bool TWTaskIntegration::isTaskwellPresent(FWApplication* application) {
  auto plugin = application ? std::dynamic_pointer_cast<TWPlugin>(application->fwPlugin()) : nullptr;
  return plugin && plugin->isTaskwellPresent();
}
