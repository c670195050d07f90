#include "views/FWDetailListPage.h"

#include "platform/host/KSHost.h"
#include "views/FWDetailListView.h"

bool FWShowDetailListPage(FWPlugin& controller, FWDetailItems list, const std::string& caption,
                          std::shared_ptr<FWDetailListViewDelegate> page,
                          const std::optional<kestrel::Color>& background) {
  auto host = controller.ksPlugin();
  if (!host) return false;
  const FWRect frame = controller.previewCompatibleRect();
  auto view = FWDetailListView::initWithFrame({frame.x, frame.y, frame.width, frame.height}, std::move(list), 0,
                                              caption, controller.fwApplication(), std::move(page));
  if (!view) return false;
  if (background) view->setBackgroundColor(*background);
  host->showPreview(controller.previewCompatibleView(view));
  return true;
}
