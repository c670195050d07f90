// TWTaskPlugin: the tool bar, the status row and the actions of their buttons.
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "tasks/TWContextList.h"
#include "tasks/TWContextSelectList.h"
#include "tasks/TWManualContexts.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskCreate.h"
#include "tasks/TWTaskSearch.h"
#include "tasks/TWTaskPlugin.h"
#include "views/FWDetailListPage.h"

namespace {

using Item = TWTaskBarItem;

}  // namespace

std::vector<TWTaskBarItem> TWTaskPlugin::toolbarItemData() const {
  auto current = status();
  auto application = fwApplication();
  PlistValue prefs = hostPreferences();
  const bool autoOn = current && current->isAutoContextOn();
  const bool fixedOn = current && current->isFixedContextOn();
  const double fixedWidth = FWIsDeviceAnIPad() ? 10 : 3;

  std::vector<Item> items{Item::button("menuclose", TWTaskBarAction::ToggleMenu), Item::flexibleSpace(),
                          Item::flexibleSpace()};
  if (isTaskwellPresent() && !isNativeOnly()) {
    bool canLocate = current && current->isAutoContextAvailable() && !autoOn;
    items.insert(items.end(), {Item::button("locate", TWTaskBarAction::LocationContext, canLocate),
                               Item::fixedSpace(fixedWidth), Item::button("favorite2", TWTaskBarAction::ManualContext),
                               Item::fixedSpace(fixedWidth),
                               Item::button("cancel", TWTaskBarAction::DisableContexts, fixedOn || autoOn),
                               Item::flexibleSpace(), Item::fixedSpace(fixedWidth)});
  }
  bool toggled = current && current->isToggleOn();
  items.insert(items.end(), {Item::flexibleSpace(),
                             Item::button(toggled ? "expand" : "contract", TWTaskBarAction::ToggleDetails),
                             Item::flexibleSpace()});
  if (arePreviewsAllowed())
    items.insert(items.end(), {Item::button("search", TWTaskBarAction::SearchTodo), Item::flexibleSpace()});
  bool locked = application && application->isLockScreen();
  if ((!locked || FWPreferences::boolValue(kTWTaskOptionsLockCreate, kTWTaskOptionsLockCreateDefault, prefs)) &&
      FWPreferences::boolValue(kTWOptionsAddTaskFeature, kTWOptionsAddTaskFeatureDefault, prefs))
    items.insert(items.end(), {Item::button("newtodo", TWTaskBarAction::NewTodo), Item::flexibleSpace()});
  return items;
}

std::vector<TWTaskBarItem> TWTaskPlugin::statusbarItemData() const {
  return {Item::button("menuopen", TWTaskBarAction::ToggleMenu, true, 1)};
}

FWBarItems TWTaskPlugin::barButtons(const std::vector<TWTaskBarItem>& items) {
  using kestrel::ui::BarButtonItem;
  FWBarItems buttons;
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  for (const TWTaskBarItem& item : items) {
    switch (item.kind) {
      case TWTaskBarItem::Kind::FlexibleSpace: buttons.push_back(BarButtonItem::flexibleSpace()); break;
      case TWTaskBarItem::Kind::FixedSpace: buttons.push_back(BarButtonItem::fixedSpace(item.width)); break;
      case TWTaskBarItem::Kind::Button: {
        TWTaskBarAction action = item.action;
        auto button = BarButtonItem::itemWithImage(
            FWImageNamed(item.imageName), kestrel::ui::BarButtonItemStyle::Plain, TWTaskBarActionName(action),
            [weak, action](const std::shared_ptr<BarButtonItem>&) {
              if (auto controller = std::dynamic_pointer_cast<TWTaskPlugin>(weak.lock()))
                controller->performBarAction(action);
            });
        button->setEnabled(item.enabled);
        button->setTag(item.tag);
        buttons.push_back(button);
        break;
      }
    }
  }
  return buttons;
}

FWBarItems TWTaskPlugin::toolbarItems() { return barButtons(toolbarItemData()); }
FWBarItems TWTaskPlugin::statusbarItems() { return barButtons(statusbarItemData()); }

std::optional<std::string> TWTaskPlugin::statusbarCaptionValue() const {
  auto current = status();
  return current ? current->captionValue() : std::nullopt;
}

std::optional<std::string> TWTaskPlugin::statusbarCaptionIcon() const {
  auto current = status();
  if (!current) return std::nullopt;
  if (current->isAutoContextOn()) {
    auto application = fwApplication();
    bool located = application && !TWContextListAttribute(*application, kTWApplicationContextLocation).empty();
    return located ? "locate-mode" : "nolocate-mode";
  }
  if (current->isFixedContextOn()) return "favorite-mode";
  return std::nullopt;
}

std::optional<std::string> TWTaskPlugin::statusbarCaptionIcon2() const {
  auto current = status();
  if (current && current->isAutoContextOn() && current->isFixedContextOn()) return "favorite-mode";
  return std::nullopt;
}

std::optional<std::string> TWTaskPlugin::statusbarBadgeValue() const {
  auto current = status();
  if (!current || !FWPreferences::boolValue(kTWOptionsShowBadge, kTWOptionsShowBadgeDefault, hostPreferences()))
    return std::nullopt;
  return current->badgeValue();
}

void TWTaskPlugin::performBarAction(TWTaskBarAction action) {
  switch (action) {
    case TWTaskBarAction::ToggleMenu: toggleMenuClicked(); break;
    case TWTaskBarAction::LocationContext: locationContextClicked(); break;
    case TWTaskBarAction::ManualContext: manualContextClicked(); break;
    case TWTaskBarAction::DisableContexts: disableContextsClicked(); break;
    case TWTaskBarAction::ToggleDetails: toggleDetailsClicked(); break;
    case TWTaskBarAction::SearchTodo: searchTodoClicked(); break;
    case TWTaskBarAction::NewTodo: newTodoClicked(); break;
    case TWTaskBarAction::None: break;
  }
}

void TWTaskPlugin::toggleMenuClicked() {
  if (isToolbarVisible())
    hideToolbar();
  else
    setToolbarIndex(0);
}

void TWTaskPlugin::contextModeChanged(const std::string& popupKey) {
  if (auto current = status()) storeContextModes(fwApplication(), *current);
  displayPopupMessage(popupKey);
  hideToolbar();
  updateStatusbar();
  triggerUnconditionalRefresh();
}

void TWTaskPlugin::locationContextClicked() {
  auto current = status();
  auto application = fwApplication();
  if (!current || !application) return;
  PlistValue prefs = hostPreferences();
  if (FWPreferences::boolValue(kTWOptionsShowLocationPage, kTWOptionsShowLocationPageDefault, prefs)) {
    showContextPage(TWContextList::initWithPreferences(FWPreferences::initWithPreferences(prefs)),
                    "ListView/Locations");
    return;
  }
  application->setAttribute(kTWApplicationContextLocation, TWIntegration::locationContextsFromTW());
  current->setAutoContextOn(true);
  current->setFixedContextOn(current->isFixedContextOn() &&
                             FWPreferences::boolValue(kTWTaskOptionsCombineContexts,
                                                      kTWTaskOptionsCombineContextsDefault, prefs));
  contextModeChanged("Status/Context/Locations");
}

void TWTaskPlugin::manualContextClicked() {
  if (!status() || !fwApplication()) return;
  showContextPage(TWContextSelectList::initWithKey(kTWApplicationContextList1,
                                                   FWPreferences::initWithPreferences(hostPreferences())),
                  "ListView/Contexts");
}

void TWTaskPlugin::showContextPage(const std::shared_ptr<FWDetailListViewDelegate>& page, const std::string& caption) {
  FWShowDetailListPage(*this, FWDetailItems{FWDetailItem{std::string(caption)}}, caption, page);
}

void TWTaskPlugin::disableContextsClicked() {
  auto current = status();
  auto application = fwApplication();
  if (!current || !application) return;
  current->setAutoContextOn(false);
  current->setFixedContextOn(false);
  current->setCaptionValue(std::nullopt);
  application->clearAttribute(kTWApplicationContextLocation);
  application->clearAttribute(kTWApplicationContextFixed);
  contextModeChanged("Status/Context/Off");
}

void TWTaskPlugin::toggleDetailsClicked() {
  auto current = status();
  if (!current) return;
  bool wasOn = current->isToggleOn();
  displayPopupMessage(wasOn ? "Status/Details/Show" : "Status/Details/Hide");
  hideToolbar();
  current->setToggleOn(!wasOn);
  redisplayListOnNewThread();
}

void TWTaskPlugin::showInputForm(const std::shared_ptr<FWInputView>& form) {
  auto host = ksPlugin();
  if (!host) return;
  // The host tells the form it is on screen, and the form raises the keyboard.
  host->showPreview(previewCompatibleView(form));
}

void TWTaskPlugin::searchTodoClicked() {
  auto application = fwApplication();
  FWRect frame = previewCompatibleRect();
  showInputForm(TWTaskSearch::initWithFrame({frame.x, frame.y, frame.width, frame.height}, application,
                                            FWPreferences::initWithPreferences(hostPreferences())));
}

void TWTaskPlugin::newTodoClicked() {
  auto application = fwApplication();
  FWRect frame = previewCompatibleRect();
  showInputForm(TWTaskCreate::initWithFrame({frame.x, frame.y, frame.width, frame.height}, application,
                                            FWPreferences::initWithPreferences(hostPreferences())));
}
