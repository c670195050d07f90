#include "tasks/TWTaskSearch.h"

#include <algorithm>

#include "database/FWDatabase.h"
#include "platform/ui/Transition.h"
#include "model/TWRecordComparators.h"
#include "runtime/FWLogging.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPopupView.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskPreview.h"
#include "views/FWDetailListView.h"

using kestrel::Color;
using namespace kestrel::ui;

TWTaskSearch::TWTaskSearch(const Rect& frame, Ref<FWApplication> application, Ref<FWPreferences> preferences)
    : FWInputView(frame, "Search Task/Title", "Search Task/Name", "Search Task/Name Prompt", application,
                  preferences),
      preferences_(preferences ? std::move(preferences) : std::make_shared<FWPreferences>()) {
  popupView_ = std::make_shared<View>(Rect{0, 0, frame.width(), kPopupAreaHeight});
  popupView_->setBackgroundColor(Color::clearColor());
  popupView_->setUserInteractionEnabled(false);
  popupView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  text()->setAutocapitalizes(false);
}

void TWTaskSearch::installSubviews() {
  FWInputView::installSubviews();
  addSubview(popupView_);
}

std::vector<Ref<TWTask>> TWTaskSearch::matchingTasks(FWApplication* app, const FWPreferences& prefs,
                                                     const std::string& text) {
  FWDBConnection database = app ? FWDBConnectDatabase(app->databasePath(), app) : nullptr;
  std::vector<Ref<TWTask>> matches;
  if (database) matches = TWTaskIntegration::basicTaskList(app, database, prefs, std::nullopt, std::nullopt, text);
  auto reminders = TWTaskNative::basicTaskList(app, nullptr, prefs, std::nullopt, text);
  matches.insert(matches.end(), reminders.begin(), reminders.end());
  std::stable_sort(matches.begin(), matches.end(),
                   [](const Ref<TWTask>& a, const Ref<TWTask>& b) { return compareNativeTaskTitles(a, b) < 0; });
  if (database) TWTaskIntegration::addAlarmDataToTaskList(app, database, matches, prefs);
  FWDBDisconnectDatabase(database);
  return matches;
}

void TWTaskSearch::doneClicked() {
  const std::string searchText = text()->text();
  KSLog("KS:TWTask: New todo to be created: %@", searchText);
  if (hasFired()) return;
  setHasFired(true);
  auto app = application();
  auto plugin = app ? app->fwPlugin() : nullptr;
  if (plugin) plugin->hideToolbar();

  auto matches = matchingTasks(app.get(), *preferences_, searchText);
  if (matches.empty()) {
    setHasFired(false);
    std::optional<Color> color;
    if (!isLightBackground()) color = Color::darkGrayColor();
    FWPopupView::displayPopupMessage(localised("Search Task/No Match"), color, popupView_);
    return;
  }
  hideKeyboard(true);
  const auto parts = subviews();
  for (const auto& part : parts) part->removeFromSuperview();
  FWDetailItems list(matches.begin(), matches.end());
  auto preview = TWTaskPreview::initWithApplication(app);
  auto results = FWDetailListView::initWithFrame(bounds(), std::move(list), 0, "ListView/Item %i/%i", app, preview);
  results->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  addSubview(results);
  resultsView_ = results;
  // The matches turn up from below, as the face of a cube.
  addTransition(*this,
                {.type = TransitionType::Cube, .subtype = TransitionSubtype::FromBottom, .duration = 0.3,
                 .timing = TimingFunction::EaseInEaseOut, .extendsFill = true},
                kTWTaskSearchReloadAnimationKey);
}
