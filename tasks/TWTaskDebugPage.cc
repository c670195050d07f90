#include "tasks/TWTaskDebugPage.h"

#include "platform/host/KSHost.h"
#include "tasks/TWTaskPlugin.h"
#include "views/FWDetailListView.h"

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
  auto host = controller.ksPlugin();
  auto application = controller.fwApplication();
  if (!host || !application) return false;
  const FWRect frame = controller.previewCompatibleRect();
  auto view = FWDetailListView::initWithFrame({frame.x, frame.y, frame.width, frame.height}, FWDetailItems{FWDetailItem{}},
                                              0, "Debug View/Title", application, TWTaskDebugForController(controller));
  if (!view) return false;
  host->showPreview(controller.previewCompatibleView(view));
  return true;
}
