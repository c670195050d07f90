#include "views/FWDetailPageViews.h"

#include "platform/host/KSHost.h"
#include "runtime/FWPlugin.h"
#include "views/FWDetailListView.h"

void FWInstallDetailPageViews() {
  FWPlugin::setDetailPageViewFactory([](const Ref<FWDetailListPage>& page, const FWRect& frame) {
    return std::static_pointer_cast<kestrel::ui::View>(
        FWDetailListView::viewForPage(page, {frame.x, frame.y, frame.width, frame.height}));
  });
  FWPlugin::setPreviewPresenter([](FWPlugin& plugin, const Ref<kestrel::KSAction>&, const Ref<kestrel::KSData>& data) {
    if (!data) return;
    const FWDisplayList items = plugin.currentItems();
    size_t index = 0;
    while (index < items.size() && !(items[index] && items[index]->key() == data->uniqueID)) ++index;
    if (index == items.size()) return;  // not an item row
    auto datasource = plugin.fwDatasource();
    auto host = plugin.ksPlugin();
    if (!datasource || !host) return;
    auto view = datasource->previewWithFrame(plugin.previewCompatibleRect(), index, items, host->theme(),
                                             plugin.preferences(), plugin.fwApplication());
    if (!view) {
      KSLog("KS:%@: No preview for item %@", plugin.resourceName(), data->uniqueID);
      return;
    }
    host->showPreview(plugin.previewCompatibleView(view));
  });
}
