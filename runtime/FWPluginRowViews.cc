// FWPlugin: the views and heights of the section's rows, as the host asks for them.
#include <memory>

#include "platform/ui/Font.h"
#include "platform/ui/Image.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "runtime/FWListView.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWRowViewMetrics.h"
#include "runtime/FWStatusbarViewCell.h"
#include "runtime/FWToolbarViewCell.h"

using kestrel::ui::Rect;
using kestrel::ui::View;

namespace {
constexpr double kRowViewWidth = 320;
constexpr double kToolbarRowHeight = 50;
constexpr double kStatusBarTop = 20;
// The height answered for a row type the controller does not know; large enough that such
// a row is noticed rather than hidden.
constexpr double kUnknownRowHeight = 999;

// The leading of a text style: its font's when it has one.
double leadingOf(const kestrel::KSTextStyle& style) {
  return style.font ? style.font->leading() : style.fontLeading;
}

std::shared_ptr<kestrel::ui::Image> stretched(const std::shared_ptr<kestrel::ui::Image>& image) {
  if (!image || image->isStretchable()) return image;
  return image->stretchableImageWithLeftCapWidth(image->size().width / 2, image->size().height / 2);
}
}  // namespace

std::shared_ptr<View> FWPlugin::viewForData(const Ref<KSData>& data, const std::shared_ptr<View>& reusable) {
  if (!data) return nullptr;
  auto plugin = ksPlugin();
  FWTheme theme = plugin ? plugin->theme() : nullptr;
  auto application = fwApplication();
  auto datasource = fwDatasource();
  auto prefs = preferences();
  if (!FWImageBundle()) FWSetImageBundle(plugin ? plugin->bundle() : nullptr);

  switch (data->type()) {
    case FWRowTypeItem: {
      if (!datasource) return nullptr;
      FWView view = datasource->viewForTheme(theme, reusable, prefs, application);
      auto item = std::static_pointer_cast<FWDisplayObject>(static_cast<const std::shared_ptr<void>&>(data->object));
      datasource->setDetailsUsingView(view, item, theme, prefs, application);
      return view;
    }
    case FWRowTypeStatusBar: {
      std::shared_ptr<FWStatusbarViewCell> cell;
      if (reusable && reusable->isMemberOfClass<FWStatusbarViewCell>()) {
        cell = std::static_pointer_cast<FWStatusbarViewCell>(reusable);
        cell->setItems(statusbarItems());
      } else {
        double height = FWStatusbarViewCell::heightForStatusbarWithTheme(theme);
        cell = std::make_shared<FWStatusbarViewCell>(Rect{0, 0, kRowViewWidth, height}, theme, statusbarItems());
      }
      if (respondsToPerformSwipeAction()) {
        std::weak_ptr<FWPlugin> weak = weak_from_this();
        cell->setSwipeTarget(weak, [weak](int64_t direction) {
          if (auto controller = weak.lock()) controller->performStatusbarSwipe(direction);
        });
      }
      std::string caption = statusbarCaptionValue().value_or("");
      cell->setInformationWithTheme(theme, statusbarIndent(), caption);
      std::optional<std::string> badge = statusbarBadgeValue();
      cell->setBadgeValue(badge.value_or(""), !badge.has_value());
      std::optional<std::string> icon2 = statusbarCaptionIcon2();
      bool showIcon2 = !caption.empty() && icon2 && !icon2->empty();
      cell->labelIcon2()->setIcon(showIcon2 ? FWImagePathNamed(*icon2) : std::string());
      cell->labelIcon2()->setHidden(!showIcon2);
      std::optional<std::string> icon1 = statusbarCaptionIcon();
      bool showIcon1 = !caption.empty() && icon1 && !icon1->empty();
      if (showIcon1) cell->labelIcon1()->setImage(FWImageNamed(*icon1));
      cell->labelIcon1()->setHidden(!showIcon1);
      if (theme) cell->setBackgroundWithImage(stretched(theme->subheaderBackground));
      cell->setNeedsLayout();
      return cell;
    }
    case FWRowTypeToolBar: {
      std::shared_ptr<FWToolbarViewCell> cell;
      if (reusable && reusable->isMemberOfClass<FWToolbarViewCell>()) {
        cell = std::static_pointer_cast<FWToolbarViewCell>(reusable);
        cell->setItems(toolbarItems());
      } else {
        cell = std::make_shared<FWToolbarViewCell>(Rect{0, 0, kRowViewWidth, kToolbarRowHeight}, theme,
                                                   toolbarItems());
      }
      cell->setBackgroundColor(kestrel::Color::blackColor());
      return cell;
    }
    case FWRowTypeMessage: {
      auto view = std::make_shared<FWListView>(Rect{0, 0, kRowViewWidth, 10}, theme);
      if (theme) {
        view->summaryText()->setStyle(theme->summaryStyle);
        view->detailText()->setStyle(theme->summaryStyle);
      }
      view->summaryText()->setText(messageBoxLine1().value_or(""));
      view->detailText()->setText(messageBoxLine2().value_or(""));
      view->highlightText()->setHidden(true);
      view->dot()->setHidden(true);
      view->setDrawBorder(true);
      view->setNeedsLayout();
      return view;
    }
    case FWRowTypeInfo: {
      auto view = std::make_shared<FWListView>(Rect{0, 0, kRowViewWidth, 0}, theme);
      if (theme) {
        view->summaryText()->setStyle(theme->detailStyle);
        view->detailText()->setStyle(theme->detailStyle);
      }
      view->summaryText()->setHidden(false);
      view->detailText()->setHidden(false);
      view->highlightText()->setHidden(true);
      view->dot()->setHidden(true);
      view->setDrawBorder(true);
      if (datasource) datasource->setDetailsUsingView(view, nullptr, theme, prefs, application);
      view->setNeedsLayout();
      return view;
    }
    default:
      return nullptr;
  }
}

double FWPlugin::viewHeightForData(const Ref<KSData>& data, double /*width*/) {
  if (!data) return kUnknownRowHeight;
  auto plugin = ksPlugin();
  FWTheme theme = plugin ? plugin->theme() : nullptr;
  const double leading = theme ? leadingOf(theme->summaryStyle) : 0;
  switch (data->type()) {
    case FWRowTypeItem: {
      auto datasource = fwDatasource();
      if (!datasource) return kFWListViewSeparatorSpace;
      auto item = std::static_pointer_cast<FWDisplayObject>(static_cast<const std::shared_ptr<void>&>(data->object));
      return datasource->heightForItem(item, theme, preferences(), fwApplication()) + kFWListViewSeparatorSpace;
    }
    case FWRowTypeStatusBar:
      return FWStatusbarViewCell::heightForStatusbarWithTheme(theme) + kFWToolbarViewSeparatorSpace;
    case FWRowTypeToolBar:
      return kToolbarRowHeight + kFWToolbarViewSeparatorSpace;
    case FWRowTypeMessage:
      return kFWListViewSeparatorSpace + 2 * kFWListViewBorderInset + (messageBoxLine2() ? 2 : 1) * leading;
    case FWRowTypeInfo:
      return 2 * leading + kFWListViewBorderInset + kFWListViewSeparatorSpace;
    default:
      return kUnknownRowHeight;
  }
}

FWRect FWPlugin::previewCompatibleRect() const {
  FWScreenSize screen = FWGetCurrentScreenSize();
  return {0, kStatusBarTop, screen.width, screen.height - kStatusBarTop};
}

std::shared_ptr<View> FWPlugin::previewCompatibleView(const std::shared_ptr<View>& view) const {
  FWScreenSize screen = FWGetCurrentScreenSize();
  auto container = std::make_shared<View>(Rect{0, 0, screen.width, screen.height});
  container->setBackgroundColor(kestrel::Color::clearColor());
  container->setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth |
                                 kestrel::ui::ViewAutoresizingFlexibleHeight);
  if (view) container->addSubview(view);
  return container;
}
