// FWDetailListView: the grouped table — cells, row heights, headers and footers, editing.
#include <algorithm>
#include <cmath>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Text.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "views/FWDetailListCell.h"
#include "views/FWDetailListView.h"

using kestrel::ui::Font;
using kestrel::ui::IndexPath;
using kestrel::ui::LineBreakMode;
using kestrel::ui::Rect;
using kestrel::ui::TableView;

namespace {

constexpr double kPhoneMargin = 10;
constexpr double kPadMargin = 45;
constexpr double kCellInset = 10;
constexpr double kRowPadding = 20;
constexpr double kTitleValueGap = 6;
constexpr double kLinkAllowance = 19;
constexpr double kPhoneProgressWidth = 100;
constexpr double kPadProgressWidth = 300;
constexpr double kProgressHeight = 9;
constexpr double kButtonWidth = 80;
constexpr double kButtonHeight = 37;
constexpr double kButtonRowHeight = 57;
constexpr double kSwitchAllowance = 100;
constexpr double kCheckAllowance = 32;
constexpr double kLinkArrowAllowance = 17;
constexpr double kArrowWidth = 9;
constexpr double kArrowHeight = 14;

bool isPad() { return FWIsDeviceAnIPad(); }
double sideMargin() { return isPad() ? kPadMargin : kPhoneMargin; }
double progressWidth() { return isPad() ? kPadProgressWidth : kPhoneProgressWidth; }

std::shared_ptr<Font> titleFont(const FWDetailListEntry& entry) {
  return entry.isNotBold() ? Font::systemFontOfSize(entry.size()) : Font::boldSystemFontOfSize(entry.size());
}

std::shared_ptr<Font> valueFont(const FWDetailListEntry& entry) { return Font::systemFontOfSize(entry.size()); }

// The link arrows: 9 × 14, dark grey, from the plug-in's images. The left arrow is the
// right one turned round where the bundle has none of its own.
// Tinted once found; a miss is asked again, since the image bundle may be set later.
FWImage arrowImage(bool back) {
  static FWImage tinted[2];
  FWImage& image = tinted[back ? 1 : 0];
  if (!image) {
    if (auto plain = FWImageNamed(back ? "arrow-left" : "arrow-right"))
      image = plain->imageTintedWithColor(Color::darkGrayColor());
  }
  return image;
}

// Height of `text` wrapped at words in `width` with at most `lines` lines (0: unlimited).
double wrappedHeight(const std::string& text, const Font& font, double width, int lines) {
  if (text.empty()) return 0;
  return kestrel::ui::sizeWithFontLines(text, font, std::max(1.0, width), std::max(0, lines), LineBreakMode::WordWrap)
      .height;
}

}  // namespace

std::string FWDetailListView::valueText(const FWDetailListEntry& entry) const {
  if (entry.isSwitcher() || entry.isSelected() || entry.isButton() || entry.isProgress()) return {};
  const PlistValue& value = entry.value();
  return value.isNone() ? std::string() : value.description();
}

double FWDetailListView::tableWidth() const { return tableView_ ? tableView_->bounds().width() : 0; }

int FWDetailListView::numberOfSections(TableView& table) { return int(sections_.size()); }

int FWDetailListView::numberOfRows(TableView& table, int section) {
  return section >= 0 && size_t(section) < sections_.size() ? int(sections_[size_t(section)]->entries().size()) : 0;
}

void FWDetailListView::configureCell(FWDetailListCell& cell, const Ref<FWDetailListEntry>& entry, IndexPath path) {
  std::weak_ptr<FWDetailListView> weak = std::static_pointer_cast<FWDetailListView>(shared_from_this());
  const int tag = path.section * 100 + path.row;
  const std::string value = valueText(*entry);
  const bool hasValue = !value.empty();

  auto& title = *cell.textLabel();
  auto& detail = *cell.detailTextLabel();
  title.setFont(titleFont(*entry));
  detail.setFont(valueFont(*entry));
  int lines = entry->lines();
  if (lines < 0) {
    title.setNumberOfLines(hasValue ? 1 : 0);
    detail.setNumberOfLines(0);
  } else {
    title.setNumberOfLines(lines);
    detail.setNumberOfLines(lines);
  }
  title.setLineBreakMode(hasValue ? LineBreakMode::TailTruncation : LineBreakMode::WordWrap);
  detail.setLineBreakMode(LineBreakMode::WordWrap);
  if (entry->isNotBold()) {
    title.setTextColor(detail.textColor());
    detailTextColor_ = detail.textColor();
  } else {
    title.setTextColor(entry->color());
  }
  cell.imageView()->setImage(entry->icon());
  cell.setCellBackgroundColor(entry->backgroundColor());
  cell.setInfo(entry->info().value_or(std::string()));

  std::shared_ptr<kestrel::ui::View> accessory;
  if (entry->isProgress()) {
    auto bar = std::make_shared<kestrel::ui::ProgressView>(Rect{0, 0, progressWidth(), kProgressHeight});
    bar->setProgress(entry->value().doubleValue().value_or(0));
    accessory = bar;
  } else if (entry->isSwitcher()) {
    auto control = std::make_shared<kestrel::ui::Switch>();
    control->setOn(entry->value().boolValue().value_or(false));
    control->setTag(tag);
    control->setAction("switchChanged:", [weak, path](kestrel::ui::Switch& changed) {
      if (auto self = weak.lock()) self->switchChangedAt(path, changed.isOn());
    });
    accessory = control;
  } else if (entry->isButton()) {
    auto button = std::make_shared<kestrel::ui::Button>(Rect{0, 0, kButtonWidth, kButtonHeight});
    button->setTitle(entry->value().isNone() ? std::string() : entry->value().description());
    button->setTag(tag);
    button->setAction("buttonClicked:", [weak, path](kestrel::ui::Button&) {
      if (auto self = weak.lock()) self->buttonClickedAt(path);
    });
    accessory = button;
  } else if (entry->isSelected() && entry->value().boolValue().value_or(false)) {
    cell.setAccessoryType(kestrel::ui::TableViewCellAccessoryType::Checkmark);
  } else if (entry->isLink() || entry->isBackLink()) {
    auto arrow = std::make_shared<kestrel::ui::ImageView>(Rect{0, 0, kArrowWidth, kArrowHeight});
    arrow->setImage(arrowImage(entry->isBackLink()));
    arrow->setContentMode(kestrel::ui::ContentMode::Center);
    accessory = arrow;
  } else if (entry->message()) {
    auto& message = *cell.messageLabel();
    message.setText(*entry->message());
    message.setFont(Font::boldSystemFontOfSize(entry->size()));
    message.setTextColor(entry->color());
    message.setHidden(false);
  }
  if (!accessory && entry->accessoryView()) {
    accessory = entry->accessoryView();
    if (entry->isColorAccessory()) {
      if (auto label = std::dynamic_pointer_cast<kestrel::ui::Label>(accessory)) label->setTextColor(detailTextColor_);
      if (auto icon = std::dynamic_pointer_cast<FWColorIconView>(accessory)) icon->setColor(detailTextColor_);
    }
  }
  cell.setAccessoryView(accessory);

  if (!entry->message() || entry->isControl()) {
    title.setText(entry->title().value_or(std::string()));
    detail.setText(value);
  }
}

std::shared_ptr<kestrel::ui::TableViewCell> FWDetailListView::cellForRow(TableView& table, IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  auto cell = std::dynamic_pointer_cast<FWDetailListCell>(table.dequeueReusableCell(kFWDetailListCellIdentifier));
  if (!cell) cell = std::make_shared<FWDetailListCell>();
  if (entry) configureCell(*cell, entry, indexPath);
  return cell;
}

double FWDetailListView::heightForRow(TableView& table, IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  if (!entry) return 0;
  const double width = table.bounds().width();
  const auto& accessory = entry->accessoryView();
  const std::string value = valueText(*entry);
  const auto font = titleFont(*entry);
  const int lines = entry->lines() < 0 ? 0 : entry->lines();
  const double iconWidth = entry->icon() ? entry->icon()->size().width + 8 : 0;

  if (!value.empty()) {
    // Title then value, the value wrapping in what the title leaves.
    double available = width - (isPad() ? 110 : 40) - iconWidth;
    if (entry->isLink() || entry->isBackLink()) available -= kLinkAllowance;
    if (accessory) available -= accessory->frame().width() + 10;
    const std::string& titleText = entry->title().value_or(std::string());
    const double titleWidth =
        titleText.empty() ? 0
                          : kestrel::ui::TableViewCell::titleWidthBesideValue(
                                std::ceil(kestrel::ui::sizeWithFont(titleText, *font).width),
                                std::ceil(kestrel::ui::sizeWithFont(value, *valueFont(*entry)).width), available);
    const double valueWidth = available - titleWidth - (titleText.empty() ? 0 : kTitleValueGap);
    const int titleLines = entry->lines() < 0 ? 1 : lines;
    const double titleHeight = wrappedHeight(titleText, *font, titleWidth, titleLines);
    const double valueHeight = wrappedHeight(value, *valueFont(*entry), valueWidth, lines);
    return std::ceil(std::max(titleHeight, valueHeight) + kRowPadding);
  }

  double wrap = width - 2 * (sideMargin() + kCellInset) - iconWidth;
  if (entry->isProgress()) {
    wrap -= progressWidth();
  } else if (entry->isSwitcher()) {
    wrap -= kSwitchAllowance;
  } else if (entry->isSelected()) {
    wrap -= kCheckAllowance;
  } else if (entry->isLink() || entry->isBackLink()) {
    wrap -= kLinkArrowAllowance;
  } else if (entry->isButton()) {
    wrap -= kButtonWidth;
  }
  if (accessory) wrap -= accessory->frame().width() + 8;
  const bool message = entry->message() && !entry->isControl();
  const std::string& text = message ? *entry->message() : entry->title().value_or(std::string());
  const auto textFont = message ? Font::boldSystemFontOfSize(entry->size()) : font;
  double height = std::max(wrappedHeight(text, *textFont, wrap, lines), textFont->leading()) + kRowPadding;
  if (entry->isButton()) height = std::max(height, kButtonRowHeight);
  return std::ceil(height);
}

std::optional<std::string> FWDetailListView::titleForHeader(TableView& table, int section) {
  if (section < 0 || size_t(section) >= sections_.size()) return std::nullopt;
  return sections_[size_t(section)]->title();
}

double FWDetailListView::heightForHeader(TableView& table, int section) {
  if (auto title = titleForHeader(table, section); title && !title->empty())
    return std::ceil(Font::boldSystemFontOfSize(kFWDetailListViewLabelSize)->leading() +
                     kFWDetailListViewExtraHeaderSpace);
  return section == 0 ? kFWDetailListViewExtraHeaderSpace : 1;
}

std::shared_ptr<kestrel::ui::View> FWDetailListView::viewForHeader(TableView& table, int section) {
  if (auto title = titleForHeader(table, section); title && !title->empty()) return nullptr;
  return std::make_shared<kestrel::ui::View>(Rect{0, 0, 0, heightForHeader(table, section)});
}

double FWDetailListView::heightForFooter(TableView& table, int section) {
  if (section < 0 || size_t(section) >= sections_.size()) return 1;
  const double space = sections_[size_t(section)]->extraSeparatorSpace();
  return std::isfinite(space) ? std::max(space, 1.0) : 1;
}

std::shared_ptr<kestrel::ui::View> FWDetailListView::viewForFooter(TableView& table, int section) {
  return std::make_shared<kestrel::ui::View>(Rect{0, 0, 0, heightForFooter(table, section)});
}

void FWDetailListView::didSelectRow(TableView& table, IndexPath indexPath) { didSelectRow(indexPath); }

// ---- Editing --------------------------------------------------------------------------------

bool FWDetailListView::canEditRow(TableView& table, IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  return entry && entry->isDraggable() && sections_[size_t(indexPath.section)]->entries().size() > 1;
}

bool FWDetailListView::canMoveRow(TableView& table, IndexPath indexPath) { return canEditRow(table, indexPath); }

kestrel::ui::TableViewCellEditingStyle FWDetailListView::editingStyleForRow(TableView& table, IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  if (!entry || !canEditRow(table, indexPath)) return kestrel::ui::TableViewCellEditingStyle::None;
  return delegate_->allowDelete(entry, {indexPath.section, indexPath.row})
             ? kestrel::ui::TableViewCellEditingStyle::Delete
             : kestrel::ui::TableViewCellEditingStyle::None;
}

bool FWDetailListView::shouldIndentWhileEditing(TableView& table, IndexPath indexPath) { return false; }

void FWDetailListView::commitEditingStyle(TableView& table, kestrel::ui::TableViewCellEditingStyle style,
                                          IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  if (style != kestrel::ui::TableViewCellEditingStyle::Delete || !entry) return;
  auto& entries = sections_[size_t(indexPath.section)]->entries();
  entries.erase(entries.begin() + indexPath.row);
  auto keep = shared_from_this();
  // The page's instruction has been followed; it would go on covering the rows it explains.
  dropPopup();
  delegate_->deletedEntry(entry, sections_, {indexPath.section, indexPath.row});
  performOnNextTurn([](FWDetailListView& self) { self.delegate_->tableReordered(self.sections_); });
  performOnNextTurn([](FWDetailListView& self) { self.reloadData(true); });
}

IndexPath FWDetailListView::targetIndexPathForMove(TableView& table, IndexPath from, IndexPath proposed) {
  auto entry = entryAt(from);
  if (!entry || proposed.section < 0 || size_t(proposed.section) >= sections_.size()) return from;
  const auto& target = sections_[size_t(proposed.section)];
  if (!target->isDraggable() || sections_[size_t(from.section)]->entries().size() == 1) return from;
  if (auto row = delegate_->targetIndexForMove(entry, target, {proposed.section, proposed.row}))
    return {proposed.section, *row};
  return proposed;
}

void FWDetailListView::moveRow(TableView& table, IndexPath from, IndexPath to) {
  auto entry = entryAt(from);
  if (!entry || to.section < 0 || size_t(to.section) >= sections_.size()) return;
  auto& source = sections_[size_t(from.section)]->entries();
  source.erase(source.begin() + from.row);
  auto& destination = sections_[size_t(to.section)]->entries();
  const size_t row = std::min(size_t(std::max(0, to.row)), destination.size());
  destination.insert(destination.begin() + std::ptrdiff_t(row), entry);
  auto keep = shared_from_this();
  dropPopup();
  delegate_->movedEntry(entry, sections_, {from.section, from.row}, {to.section, int(row)});
  performOnNextTurn([](FWDetailListView& self) {
    self.delegate_->tableReordered(self.sections_);
    if (self.delegate_->shouldReloadWhenTableReordered(self.sections_).value_or(false)) {
      self.performOnNextTurn([](FWDetailListView& again) { again.reloadData(true); });
    }
  });
}
