// FWPlugin: publishing the display list, the item rows and the row actions.
#include "runtime/FWPlugin.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

using kestrel::RunLoop;

namespace {

constexpr double kToolbarAutoCloseSeconds = 300;

std::mutex gPresenterMutex;
FWPlugin::PreviewPresenter gPreviewPresenter;

PlistValue rowContext(int64_t type, int64_t sortOrder) {
  PlistValue::Dict context;
  context.emplace(kFWRowContextType, PlistValue(type));
  context.emplace(kFWRowContextSortOrder, PlistValue(sortOrder));
  return PlistValue(std::move(context));
}

}  // namespace

void FWPlugin::postUpdatedList(const FWDisplayList& items) {
  RunLoop::main().performOnMainAndWait([&] { publishOnMain(items); });
}

void FWPlugin::publishOnMain(const FWDisplayList& items) {
  if (auto opened = toolbarOpenedDate();
      opened && Clock::now().timeIntervalSinceDate(*opened) >= kToolbarAutoCloseSeconds)
    hideToolbar();

  const bool debug = isDebugMode();
  const std::string tag = resourceName();
  if (debug) KSLog("KS:%@: Publishing display list", tag);

  FWDisplayList previous = currentItems();
  const bool redisplay = shouldRedisplayOnNextUpdate();

  // Keys of the new list, and the first index of each key in the published one.
  std::unordered_set<std::string_view> newKeys;
  newKeys.reserve(items.size());
  for (const auto& item : items)
    if (item) newKeys.insert(item->key());
  std::unordered_map<std::string_view, size_t> previousIndex;
  previousIndex.reserve(previous.size());
  for (size_t h = 0; h < previous.size(); ++h)
    if (previous[h]) previousIndex.emplace(previous[h]->key(), h);

  std::vector<Ref<KSData>> removed;
  for (const auto& old : previous)
    if (old && !newKeys.contains(old->key())) removed.push_back(std::make_shared<KSData>(old->key(), PlistValue()));

  std::vector<Ref<KSData>> changed;
  for (size_t i = 0; i < items.size(); ++i) {
    const auto& item = items[i];
    if (!item) continue;
    auto found = previousIndex.find(item->key());
    int32_t index = static_cast<int32_t>(i);
    if (found == previousIndex.end() || found->second != i || item->isUpdateRequired() || redisplay) {
      changed.push_back(dataForDisplayItem(item, index));
    } else {
      const auto& old = previous[found->second];
      if (old->objectVersion() != item->objectVersion() || item->isUpdateRequired() || old->isUpdateRequired())
        changed.push_back(dataForDisplayItem(item, index));
      old->setUpdateRequired(false);
    }
    item->setUpdateRequired(false);
  }

  setCurrentItems(items);
  setLastUpdate(Clock::now());

  if (!removed.empty()) {
    removeRows(removed);
    if (debug)
      for (const auto& row : removed) KSLog("KS:%@: Deleted row; key = %@", tag, row->uniqueID);
  }
  if (!changed.empty()) {
    publishRows(changed);
    if (debug)
      for (const auto& row : changed)
        KSLog("KS:%@: Updated row; key = %@; index = %d", tag, row->uniqueID, row->sortOrder());
  }
  if (removed.empty() && changed.empty()) publishRows({});
  setShouldRedisplayOnNextUpdate(false);
}

void FWPlugin::postUpdatedItem(const Ref<FWDisplayObject>& item) {
  if (!item) return;
  RunLoop::main().performOnMainAndWait([&] {
    item->setUpdateRequired(false);
    int32_t index = fwDisplayIndexForKey(currentItems(), item->key());
    if (index != kFWDisplayIndexNotFound) publishRows({dataForDisplayItem(item, index)});
  });
}

void FWPlugin::publishRows(const std::vector<Ref<KSData>>& rows) {
  if (auto host = ksPlugin()) host->publishData(rows);
}

void FWPlugin::removeRows(const std::vector<Ref<KSData>>& rows) {
  if (auto host = ksPlugin()) host->removeData(rows);
}

// ---- Rows -------------------------------------------------------------------------------------

Ref<KSAction> FWPlugin::makeAction(const char* selector,
                                   void (FWPlugin::*handler)(const Ref<KSAction>&, const Ref<KSData>&)) {
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  return std::make_shared<KSAction>(selector, [weak, handler](const Ref<KSAction>& action, const Ref<KSData>& data) {
    if (auto self = weak.lock()) ((*self).*handler)(action, data);
  });
}

Ref<KSData> FWPlugin::dataForDisplayItem(const Ref<FWDisplayObject>& item, int32_t index) {
  auto row = std::make_shared<KSData>(item->key(), rowContext(FWRowTypeItem, FWItemSortOrder(index)));
  row->object = item;
  row->defaultAction = makeAction("previewSelected:data:", &FWPlugin::previewSelected);
  if (auto type = accessoryActionType(item)) {
    if (*type == 1 || *type == 2) {
      auto action = makeAction("accessoryActionSelected:data:", &FWPlugin::accessoryActionSelected);
      auto host = ksPlugin();
      auto theme = host ? host->theme() : nullptr;
      if (theme) action->image = theme->cellDeleteIcon;
      if (*type == 1)
        row->accessoryTapAction = action;
      else
        row->accessoryHoldAction = action;
    }
    if (*type != 0) row->accessoryAlignment = 0;
  }
  return row;
}

Ref<KSData> FWPlugin::dataForStatusbar() {
  auto row = std::make_shared<KSData>(kUniqueIdStatusBar, rowContext(FWRowTypeStatusBar, kFWStatusBarSortOrder));
  row->header = true;
  return row;
}

Ref<KSData> FWPlugin::dataForToolbar(int32_t row) {
  auto data = std::make_shared<KSData>(kUniqueIdToolBar, rowContext(FWRowTypeToolBar, FWToolbarSortOrder(row)));
  data->header = true;
  return data;
}

Ref<KSData> FWPlugin::dataForMessage() {
  auto row = std::make_shared<KSData>(kUniqueIdMessage, rowContext(FWRowTypeMessage, kFWMessageSortOrder));
  row->header = true;
  row->defaultAction = makeAction("previewSelected:data:", &FWPlugin::previewSelected);
  return row;
}

Ref<KSData> FWPlugin::dataForInfo() {
  auto row = std::make_shared<KSData>(kUniqueIdInfo, rowContext(FWRowTypeInfo, kFWInfoSortOrder));
  row->header = true;
  row->defaultAction = makeAction("previewSelected:data:", &FWPlugin::previewSelected);
  return row;
}

Ref<KSSectionInfo> FWPlugin::sectionInfo() {
  auto info = std::make_shared<KSSectionInfo>();
  auto application = fwApplication();
  auto prefs = preferences();
  if (auto datasource = fwDatasource()) info->detail = datasource->detailForHeader(prefs, application);
  bool showProduct = prefs ? prefs->boolValue("isShowProduct", true) : true;
  std::string key = resourceName() + (showProduct ? "/Long" : "/Short");
  auto bundle = application ? application->pluginBundle() : nullptr;
  if (!bundle) {
    auto host = ksPlugin();
    bundle = host ? host->bundle() : nullptr;
  }
  info->title = bundle ? bundle->localizedString(key) : key;
  info->reloadAction = makeAction("refreshPressed:userInfo:", &FWPlugin::refreshPressed);
  info->sortDescriptors = {kFWRowContextSortOrder};
  return info;
}

// ---- Row actions ------------------------------------------------------------------------------

void FWPlugin::accessoryActionSelected(const Ref<KSAction>& action, const Ref<KSData>& data) {
  KSLog("KS:%@: Accessory action selected; action = %@; context = %@", resourceName(), action,
        data ? data->context : PlistValue());
  if (!data) return;
  if (auto item = fwDisplayObjectForKey(currentItems(), data->uniqueID)) performAcessoryAction(item);
}

void FWPlugin::previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) { selectPreview(action, data); }

bool FWPlugin::selectPreview(const Ref<KSAction>& action, const Ref<KSData>& data) {
  KSLog("KS:%@: Preview selected; action = %@; context = %@", resourceName(), action,
        data ? data->context : PlistValue());
  if (data && data->uniqueID == kUniqueIdMessage) return showMessagePage();
  PreviewPresenter presenter;
  {
    std::lock_guard lock(gPresenterMutex);
    presenter = gPreviewPresenter;
  }
  if (!presenter) return false;
  presenter(*this, action, data);
  return true;
}

void FWPlugin::setPreviewPresenter(PreviewPresenter presenter) {
  std::lock_guard lock(gPresenterMutex);
  gPreviewPresenter = std::move(presenter);
}
