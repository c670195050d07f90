#include "events/TWEventDebugPage.h"

#include "events/TWEventPlugin.h"
#include "platform/host/KSHost.h"
#include "views/FWDetailListView.h"

Ref<TWEventDebug> TWEventDebugForController(const TWEventPlugin& controller) {
  auto access = controller.listAccess();
  std::vector<Ref<TWEvent>> events;
  for (const auto& item : controller.currentItems())
    if (auto event = std::dynamic_pointer_cast<TWEvent>(item)) events.push_back(event);
  return TWEventDebug::initWithAlarms(access ? access->additionalAlarms() : std::vector<Ref<TWAlarm>>{},
                                      std::move(events));
}

bool TWEventShowDebugPage(TWEventPlugin& controller) {
  auto host = controller.ksPlugin();
  auto application = controller.fwApplication();
  if (!host || !application) return false;
  const FWRect frame = controller.previewCompatibleRect();
  auto view = FWDetailListView::initWithFrame({frame.x, frame.y, frame.width, frame.height}, FWDetailItems{FWDetailItem{}},
                                              0, "Debug View/Title", application, TWEventDebugForController(controller));
  if (!view) return false;
  host->showPreview(controller.previewCompatibleView(view));
  return true;
}
