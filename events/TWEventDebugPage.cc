#include "events/TWEventDebugPage.h"

#include "events/TWEventPlugin.h"
#include "views/FWDetailListPage.h"

Ref<TWEventDebug> TWEventDebugForController(const TWEventPlugin& controller) {
  auto access = controller.listAccess();
  std::vector<Ref<TWEvent>> events;
  for (const auto& item : controller.currentItems())
    if (auto event = std::dynamic_pointer_cast<TWEvent>(item)) events.push_back(event);
  return TWEventDebug::initWithAlarms(access ? access->additionalAlarms() : std::vector<Ref<TWAlarm>>{},
                                      std::move(events));
}

bool TWEventShowDebugPage(TWEventPlugin& controller) {
  if (!controller.ksPlugin() || !controller.fwApplication()) return false;
  return FWShowDetailListPage(controller, FWDetailItems{FWDetailItem{std::string(kTWEventDebugPageItem)}},
                              "Debug View/Title", TWEventDebugForController(controller), kestrel::Color::whiteColor());
}
