// The test plug-in's row views: one FWListView per file, reused when the host hands one back.
#include "platform/foundation/DateFormats.h"
#include "platform/foundation/TimeZone.h"
#include "platform/ui/Font.h"
#include "runtime/FWListView.h"
#include "tests/plugin/TWTestFileItem.h"
#include "tests/plugin/TWTestFolderList.h"

namespace {

constexpr double kRowWidth = 320;

double leadingOf(const kestrel::KSTextStyle& style) {
  return style.font ? style.font->leading() : style.fontLeading;
}

}  // namespace

FWView TWTestFolderList::viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                                      const Ref<FWApplication>& application) {
  if (existing && existing->isMemberOfClass<FWListView>()) return existing;
  auto view = std::make_shared<FWListView>(kestrel::ui::Rect{0, 0, kRowWidth, 0}, theme);
  view->dot()->setHidden(true);
  view->highlightText()->setHidden(true);
  return view;
}

void TWTestFolderList::setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem,
                                           const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                           const Ref<FWApplication>& application) {
  auto row = std::dynamic_pointer_cast<FWListView>(view);
  auto file = std::dynamic_pointer_cast<TWTestFileItem>(forItem);
  if (!row || !file) return;
  row->summaryText()->setText(file->name());
  std::string detail = KSFormat("%llu bytes", static_cast<unsigned long long>(file->size()));
  if (!file->modified().isNull())
    detail += ", " + kestrel::formatDate(file->modified(), "yyyy-MM-dd HH:mm", kestrel::TimeZone::systemTimeZone());
  row->detailText()->setText(detail);
  row->setNeedsLayout();
}

double TWTestFolderList::heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme,
                                       const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) {
  if (!theme) return 0;
  return leadingOf(theme->summaryStyle) + leadingOf(theme->detailStyle);
}
