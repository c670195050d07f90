#include "tasks/TWTaskDebugPage.h"

#include "tasks/TWTaskPlugin.h"
#include "views/FWDetailListPage.h"

Ref<TWTaskDebug> TWTaskDebugForController(const TWTaskPlugin& controller) {
  TWTaskDebugState state;
  state.lastUpdate = controller.lastUpdate();
  if (auto status = controller.status()) {
    state.totalItems = status->itemsReturnedCount();
    state.itemsFiltered = status->itemsFilteredCount();
    state.itemsWithDetails = status->itemsWithDetailsCount();
    state.locationContextsAvailable = status->isAutoContextAvailable();
    state.autoContextOn = status->isAutoContextOn();
    state.fixedContextOn = status->isFixedContextOn();
  }
  return TWTaskDebug::initWithState(state);
}

bool TWTaskShowDebugPage(TWTaskPlugin& controller) {
  if (!controller.ksPlugin() || !controller.fwApplication()) return false;
  return FWShowDetailListPage(controller, FWDetailItems{FWDetailItem{}}, "Debug View/Title",
                              TWTaskDebugForController(controller));
}
