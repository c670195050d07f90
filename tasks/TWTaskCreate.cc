#include "tasks/TWTaskCreate.h"

#include <algorithm>

#include "model/TWOptions.h"
#include "platform/host/KSHost.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWLogging.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPopupView.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskStatus.h"

using namespace kestrel::ui;

TWTaskCreate::TWTaskCreate(const Rect& frame, Ref<FWApplication> application, Ref<FWPreferences> preferences)
    : FWInputView(frame, "New Task/Title", "New Task/Name", "New Task/Name Prompt", application, preferences) {
  std::vector<SegmentedControl::Segment> levels;
  for (const char* key : {"Importance/None", "Importance/Top", "Importance/High", "Importance/Normal", "Importance/Low"})
    levels.push_back({localised(key), nullptr});
  importance_ = std::make_shared<SegmentedControl>(std::move(levels));
  importance_->setStyle(SegmentedControlStyle::Bar);
  importance_->setTintColor(kestrel::Color::lightGrayColor());
  importance_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  const int preset = preferences ? preferences->intValue(kTWOptionsDefaultImportance, kTWOptionsDefaultImportanceDefault)
                                 : kTWOptionsDefaultImportanceDefault;
  importance_->setSelectedSegmentIndex(std::clamp(preset, 0, int(kImportanceValues.size()) - 1));

  destination_ = std::make_shared<SegmentedControl>(
      std::vector<SegmentedControl::Segment>{{localised("New Task/Native"), nullptr}, {localised("New Task/TW"), nullptr}});
  destination_->setStyle(SegmentedControlStyle::Bar);
  destination_->setTintColor(kestrel::Color::lightGrayColor());
  destination_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  auto status = application ? application->infoAs<TWTaskStatus>() : nullptr;
  destination_->setSelectedSegmentIndex(std::clamp(status ? status->newTaskType() : kDestinationTaskwell, 0, 1));
  supportsNative_ = TWTaskNative::supportsNativeTasks(application.get());
  auto plugin = application ? application->fwPlugin() : nullptr;
  const bool nativeOnly = plugin && plugin->isNativeOnly();
  showsDestination_ = !nativeOnly && supportsNative_;
}

void TWTaskCreate::installSubviews() {
  FWInputView::installSubviews();
  addSubview(importance_);
  if (showsDestination_) addSubview(destination_);
  layoutView();
}

std::string TWTaskCreate::trimmedTitle(const std::string& title) {
  static constexpr const char* kSpace = " \t\r\n\v\f";
  const size_t first = title.find_first_not_of(kSpace);
  if (first == std::string::npos) return {};
  return title.substr(first, title.find_last_not_of(kSpace) - first + 1);
}

void TWTaskCreate::layoutView() {
  const Rect field = text()->frame();
  const double controlHeight = SegmentedControl::kBarHeight;
  if (!isPhoneLandscape()) {
    const double spacing = FWIsDeviceAnIPad() ? 30 : 15;
    Rect label = textLabel()->frame();
    Rect moved{field.x(), label.maxY() + spacing, field.width(), field.height()};
    text()->setFrame(moved);
    importance_->setFrame({moved.x(), moved.maxY() + spacing, moved.width(), controlHeight});
    destination_->setFrame({moved.x(), importance_->frame().maxY() + spacing, moved.width(), controlHeight});
    return;
  }
  const double spacing = 5;
  const double y = field.maxY() + spacing;
  if (supportsNative_) {
    const double importanceWidth = field.width() * 5 / 7 - 5;
    importance_->setFrame({field.x(), y, importanceWidth, controlHeight});
    const double x = field.x() + importanceWidth + 5;
    destination_->setFrame({x, y, field.maxX() - x, controlHeight});
  } else {
    importance_->setFrame({field.x(), y, field.width(), controlHeight});
  }
}

void TWTaskCreate::doneClicked() {
  const std::string title = text()->text();
  KSLog("KS:TWTask: New todo to be created: %@", title);
  if (hasFired()) return;
  const std::string trimmed = trimmedTitle(title);
  if (trimmed.empty()) {
    // Nothing to create; the form stays for a real title.
    KSLog("KS:TWTask: New task has no title; nothing created");
    return;
  }
  setHasFired(true);
  hideKeyboard(true);
  auto app = application();
  auto plugin = app ? app->fwPlugin() : nullptr;
  if (plugin) plugin->hideToolbar();

  const int segment = importance_->selectedSegmentIndex();
  const int32_t importanceValue =
      segment >= 0 && size_t(segment) < kImportanceValues.size() ? kImportanceValues[size_t(segment)] : 0;
  const int destinationIndex = std::max(destination_->selectedSegmentIndex(), 0);
  auto status = app ? app->infoAs<TWTaskStatus>() : nullptr;
  if (status) status->setNewTaskType(destinationIndex);

  const bool nativeOnly = plugin && plugin->isNativeOnly();
  if ((supportsNative_ && destinationIndex == kDestinationNative) || nativeOnly) {
    if (TWTaskNative::createTask(trimmed, importanceValue, app.get())) {
      auto ks = host();
      if (ks) ks->dismissPreview();
      if (auto table = FWKSTableView(ks)) FWPopupView::displayPopupMessage(localised("New Task/Create/Success"), table);
    } else {
      FWPopupView::displayPopupMessage(localised("New Task/Create/Error"), shared_from_this());
      setHasFired(false);
    }
    return;
  }
  auto url = TWTaskIntegration::urlForNewTask(trimmed, importanceValue, app.get());
  if (!url) {
    KSLog("KS:TWTask: Cannot make the new task's link; Taskwell is not set up");
    FWPopupView::displayPopupMessage(localised("New Task/Create/Error"), shared_from_this());
    setHasFired(false);
    return;
  }
  KSLog("KS:%@: Creating new TW task; %@", app->resourceName(), *url);
  if (plugin) plugin->scheduleUnconditionalRefresh();
  if (auto ks = host()) ks->launchURL(*url);
}
