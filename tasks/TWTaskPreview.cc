// TWTaskPreview: choosing pages, links to sub-pages, the tool bar and its actions.
#include "tasks/TWTaskPreview.h"

#include <algorithm>

#include "database/FWDatabase.h"
#include "model/TWLocation.h"
#include "model/TWOptions.h"
#include "model/TWRecordComparators.h"
#include "platform/foundation/Device.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWImages.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskQueryFacts.h"
#include "tasks/TWTaskStatus.h"
#include "views/FWMapView.h"
#include "views/FWMapViewSettings.h"

using kestrel::ui::BarButtonItem;

namespace {

struct Connection {
  FWDBConnection db = nullptr;
  ~Connection() { FWDBDisconnectDatabase(db); }
};

// The alarm at `position` in the order the alarms group lists them (by time), if any.
Ref<TWAlarm> alarmAtPosition(const Ref<TWTask>& task, const std::string& position) {
  if (!task || position.empty() || position.size() > 4) return nullptr;
  if (!std::all_of(position.begin(), position.end(), [](char c) { return c >= '0' && c <= '9'; })) return nullptr;
  auto alarms = task->alarms();
  alarms.erase(std::remove(alarms.begin(), alarms.end(), nullptr), alarms.end());
  std::stable_sort(alarms.begin(), alarms.end(),
                   [](const Ref<TWAlarm>& a, const Ref<TWAlarm>& b) { return compareAlarmTimes(a, b) < 0; });
  const size_t n = std::stoul(position);
  return n < alarms.size() ? alarms[n] : nullptr;
}

}  // namespace

TWTaskPreview::TWTaskPreview(Ref<FWApplication> application)
    : TWItemPreview(application, TWTaskQueryFactsForApp(application.get()).dbVersion > 249) {}

bool TWTaskPreview::emojiAfter() const {
  auto status = currentApplication_ ? currentApplication_->infoAs<TWTaskStatus>() : nullptr;
  return status && status->isEmojiAfter();
}

void TWTaskPreview::willShowBasePage(const FWDetailItem& item) {
  parentKeys_.reset();
  TWItemPreview::willShowBasePage(item);
}

FWDetailListSections TWTaskPreview::dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                          const Ref<FWApplication>& application) {
  auto task = FWDetailItemAs<TWTask>(item);
  if (!task) return {};
  const std::string page = keyText(key);
  if (page == kTWTaskPreviewTagsPage) return dataForTagsListPage(task, application);
  if (page == kTWTaskPreviewDialerPage) {
    auto full = augmentTask(task, application);
    return dataForNumberListPage(appFor(application), full ? full->notes() : std::nullopt, std::nullopt, bundle());
  }
  return dataForTaskListPage(task, application);
}

FWView TWTaskPreview::listPageViewForKey(const PlistValue& key, const FWDetailItem& currentPage, int32_t displayDepth,
                                         const FWRect& rect, const Ref<FWApplication>& application) {
  const std::string page = keyText(key);
  const std::string alarmPrefix = kTWPreviewAlarmsPageLookup;
  const bool alarmMap = page.size() > alarmPrefix.size() && page.starts_with(alarmPrefix);
  if (page != kTWTaskPreviewMapPage && !alarmMap) return nullptr;
  FWApplication* app = application ? application.get() : currentApplication_.get();
  auto task = augmentTask(FWDetailItemAs<TWTask>(currentPage), application);
  if (!task) return nullptr;
  std::string place;
  std::optional<TWCoordinates> coordinates;
  if (alarmMap) {
    auto alarm = alarmAtPosition(task, page.substr(alarmPrefix.size()));
    if (!alarm || !alarm->location()) return nullptr;
    place = *alarm->location();
    coordinates = alarm->coordinates();
  } else {
    if (task->locations().empty() || !task->locations().front()) return nullptr;
    place = task->locations().front()->title();
    coordinates = task->locations().front()->coordinates();
  }
  auto status = app ? app->infoAs<TWTaskStatus>() : nullptr;
  return FWMapView::initWithFrame({rect.x, rect.y, rect.width, rect.height},
                                  status ? FWMapViewSettings::forStatus(status) : nullptr, hostOf(app), true, place,
                                  task->title(), coordinates);
}

Ref<TWTask> TWTaskPreview::augmentTask(const Ref<TWTask>& task, const Ref<FWApplication>& application) {
  if (!task) return nullptr;
  FWApplication* app = application ? application.get() : currentApplication_.get();
  if (task->native()) return TWTaskNative::augmentedBasicTask(task, app);
  Connection connection;
  if (app) connection.db = FWDBConnectDatabase(app->databasePath(), app, kFWDBOpenReadOnly);
  auto augmented = TWTaskIntegration::augmentedBasicTask(task, connection.db, app);
  return augmented ? augmented : task;
}

std::vector<Ref<TWTask>> TWTaskPreview::readTasks(const std::optional<std::string>& key,
                                                  const std::optional<std::string>& parentKey) {
  FWApplication* app = currentApplication_.get();
  if (!app) return {};
  Connection connection;
  connection.db = FWDBConnectDatabase(app->databasePath(), app, kFWDBOpenReadOnly);
  return TWTaskIntegration::basicTaskList(app, connection.db, FWPreferences(), key, parentKey, std::nullopt);
}

std::optional<std::string> TWTaskPreview::listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                             int32_t displayDepth,
                                                             const Ref<FWApplication>& application) {
  if (keyText(key) != kTWTaskPreviewNotesPage) return std::nullopt;
  auto task = augmentTask(FWDetailItemAs<TWTask>(currentPage), application);
  return task && task->notes() ? *task->notes() : std::string();
}

std::optional<FWDetailItems> TWTaskPreview::listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                               int32_t displayDepth,
                                                               const Ref<FWApplication>& application) {
  const std::string page = keyText(key);
  detailPageID_ = page;
  if (page == kTWTaskPreviewTagsPage || page == kTWTaskPreviewDialerPage) return FWDetailItems{currentPage};
  auto current = FWDetailItemAs<TWTask>(currentPage);
  // Only a task key leads to another task's page; the other pages are not lists of tasks.
  if (page.empty() || page.front() == '-' || !current) return std::nullopt;
  if (displayDepth >= 1) {
    if (!parentKeys_) parentKeys_.emplace();
    while (!parentKeys_->empty() && int32_t(parentKeys_->size()) >= displayDepth) parentKeys_->pop_back();
    parentKeys_->push_back(current->key());
  }
  FWDetailItems list;
  for (const auto& task : readTasks(page, std::nullopt)) list.emplace_back(task);
  return list;
}

std::optional<std::string> TWTaskPreview::captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                             int32_t displayDepth,
                                                             const Ref<FWApplication>& application) {
  const std::string page = keyText(forKey);
  const auto texts = bundle();
  if (page == kTWTaskPreviewNotesPage) return FWLocalise(texts, "Detail/Notes");
  if (page == kTWTaskPreviewTagsPage) return FWLocalise(texts, "Detail/Tags");
  if (page == kTWTaskPreviewDialerPage) return FWLocalise(texts, "Detail/Dialer/Title");
  if (page == kTWTaskPreviewMapPage) return FWLocalise(texts, "Detail/Map");
  auto first = list.empty() ? nullptr : FWDetailItemAs<TWTask>(list.front());
  if (first && first->child()) return FWLocalise(texts, "Detail/Child");
  if (first && first->parent()) return FWLocalise(texts, "Detail/Parent");
  return std::string();
}

std::optional<FWBarItems> TWTaskPreview::toolbarForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                                  const Ref<FWApplication>& application) {
  currentTask_ = nullptr;
  if (keyText(key) == kTWTaskPreviewTagsPage) return std::nullopt;
  auto task = FWDetailItemAs<TWTask>(item);
  if (!task) return std::nullopt;
  currentTask_ = task;
  std::weak_ptr<TWTaskPreview> weak = weak_from_this();
  std::shared_ptr<BarButtonItem> go;
  const char* goImage = task->native() ? "gonative" : (directTWAccess_ ? "gotw" : nullptr);
  if (goImage) {
    go = barButton(FWImageNamed(goImage), "Detail/Button/Open", "gotoTaskClicked:", [weak](const auto&) {
      if (auto self = weak.lock()) self->gotoTaskClicked();
    });
  }
  if (!go) return std::nullopt;
  const std::string folder = currentApplication_ ? currentApplication_->applicationPath() : std::string();
  FWImage completeImage =
      folder.empty() ? nullptr : kestrel::ui::Image::imageWithContentsOfFile(kestrel::Device::path(folder + "/Completed.png"));
  auto complete = barButton(completeImage, "Detail/Action/Complete", "completeTaskClicked:", [weak](const auto&) {
    if (auto self = weak.lock()) self->completeTaskClicked();
  });
  complete->setEnabled(!task->isComplete());
  return FWBarItems{BarButtonItem::flexibleSpace(), complete, BarButtonItem::flexibleSpace(), go,
                    BarButtonItem::flexibleSpace()};
}

void TWTaskPreview::completeTaskClicked() {
  auto task = currentTask_;
  if (!task || task->isComplete()) return;
  FWApplication* app = currentApplication_.get();
  const bool completed = task->native() ? TWTaskNative::completeTask(task, app) : TWTaskIntegration::completeTask(task, app);
  auto control = controlDelegate();
  if (!completed) {
    if (control) control->displayPopup(FWLocalise(bundle(), "New Task/Complete/Error"));
    return;
  }
  task->setCompletionDate(Clock::now());
  if (control) {
    control->redisplayCurrentItem(true);
    control->displayPopup(FWLocalise(bundle(), "New Task/Complete/Success"));
  }
  if (!task->native()) {
    if (auto plugin = app ? app->fwPlugin() : nullptr) plugin->triggerUnconditionalRefresh();
  }
}

void TWTaskPreview::gotoTaskClicked() {
  auto task = currentTask_;
  if (!task) return;
  FWApplication* app = currentApplication_.get();
  auto url = task->native() ? TWTaskNative::urlForShowTask(task, app) : TWTaskIntegration::urlForShowTask(task, app);
  KSLog("KS:%@: URL to display task = %@", app ? app->resourceName() : std::string("TWTask"),
        url ? *url : std::string("(null)"));
  if (url && app) app->launchURL(*url);
}
