#include "platform/ui/TableViewCell.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeleteConfirmationHeight = 30;
const Color kAccessoryBlue = Color::rgba(0.2, 0.31, 0.52);
const Color kSeparator = Color::white(0.67);

// The plate of a grouped row: rounded where the section's group begins or ends.
Path groupPlate(const Rect& r, double radius, TableViewCellGroupPosition position) {
  const bool roundTop = position == TableViewCellGroupPosition::Single || position == TableViewCellGroupPosition::Top;
  const bool roundBottom =
      position == TableViewCellGroupPosition::Single || position == TableViewCellGroupPosition::Bottom;
  radius = std::min(radius, std::min(r.width(), r.height()) / 2);
  Path path;
  if (roundTop) {
    path.moveTo({r.minX(), r.minY() + radius});
    path.addArc({r.minX() + radius, r.minY() + radius}, radius, kPi, 1.5 * kPi, true);
    path.addArc({r.maxX() - radius, r.minY() + radius}, radius, 1.5 * kPi, 2 * kPi, true);
  } else {
    path.moveTo({r.minX(), r.minY()});
    path.lineTo({r.maxX(), r.minY()});
  }
  if (roundBottom) {
    path.addArc({r.maxX() - radius, r.maxY() - radius}, radius, 0, 0.5 * kPi, true);
    path.addArc({r.minX() + radius, r.maxY() - radius}, radius, 0.5 * kPi, kPi, true);
  } else {
    path.lineTo({r.maxX(), r.maxY()});
    path.lineTo({r.minX(), r.maxY()});
  }
  path.close();
  return path;
}

const std::shared_ptr<Font>& confirmationFont() {
  static const std::shared_ptr<Font> font = Font::boldSystemFontOfSize(14);
  return font;
}

}  // namespace

TableViewCell::TableViewCell(std::string reuseIdentifier)
    : reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(std::make_shared<View>()),
      textLabel_(std::make_shared<Label>()),
      detailTextLabel_(std::make_shared<Label>()),
      imageView_(std::make_shared<ImageView>()) {
  contentView_->setUserInteractionEnabled(false);
  textLabel_->setFont(Font::boldSystemFontOfSize(Font::labelFontSize()));
  detailTextLabel_->setTextColor(kAccessoryBlue);
  contentView_->addSubview(imageView_);
  contentView_->addSubview(textLabel_);
  contentView_->addSubview(detailTextLabel_);
  addSubview(contentView_);
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType type) {
  accessoryType_ = type;
  setNeedsLayout();
  setNeedsDisplay();
}

void TableViewCell::setAccessoryView(const std::shared_ptr<View>& view) {
  if (accessoryView_ == view) return;
  if (accessoryView_ && accessoryView_->superview().get() == this) accessoryView_->removeFromSuperview();
  accessoryView_ = view;
  if (view) addSubview(view);
  setNeedsLayout();
}

void TableViewCell::setCellBackgroundColor(const std::optional<Color>& color) {
  cellBackgroundColor_ = color;
  setNeedsDisplay();
}

void TableViewCell::setGroupPosition(TableViewCellGroupPosition position) {
  groupPosition_ = position;
  setNeedsDisplay();
}

void TableViewCell::setSelected(bool selected) {
  selected_ = selected;
  textLabel_->setHighlighted(selected);
  detailTextLabel_->setHighlighted(selected);
  setNeedsDisplay();
}

void TableViewCell::setEditing(bool editing, bool showsDeleteControl, bool showsReorderControl, bool indents) {
  editing_ = editing;
  showsDeleteControl_ = showsDeleteControl;
  showsReorderControl_ = showsReorderControl;
  indentsWhileEditing_ = indents;
  if (!editing || !showsDeleteControl) showingDeleteConfirmation_ = false;
  setNeedsLayout();
  setNeedsDisplay();
}

void TableViewCell::setShowingDeleteConfirmation(bool showing) {
  showingDeleteConfirmation_ = showing && showsDeleteControl();
  setNeedsLayout();
  setNeedsDisplay();
}

Rect TableViewCell::deleteControlRect() const {
  if (!showsDeleteControl()) return {};
  return {0, 0, kEditingControlWidth + kContentInset / 2, bounds().height()};
}

Rect TableViewCell::reorderControlRect() const {
  if (!showsReorderControl()) return {};
  return {bounds().width() - kReorderControlWidth, 0, kReorderControlWidth, bounds().height()};
}

Rect TableViewCell::deleteConfirmationRect() const {
  if (!showingDeleteConfirmation_) return {};
  double right = bounds().width() - (showsReorderControl() ? kReorderControlWidth : 0) - kAccessoryInset;
  return {right - kDeleteConfirmationWidth, std::floor((bounds().height() - kDeleteConfirmationHeight) / 2),
          kDeleteConfirmationWidth, kDeleteConfirmationHeight};
}

void TableViewCell::prepareForReuse() {
  setSelected(false);
  setShowingDeleteConfirmation(false);
  textLabel_->setText({});
  detailTextLabel_->setText({});
  imageView_->setImage(nullptr);
  setAccessoryView(nullptr);
  setAccessoryType(TableViewCellAccessoryType::None);
}

Size TableViewCell::drawnAccessorySize() const {
  switch (accessoryType_) {
    case TableViewCellAccessoryType::Checkmark: return {14, 14};
    case TableViewCellAccessoryType::DisclosureIndicator: return {10, 14};
    case TableViewCellAccessoryType::None: return {};
  }
  return {};
}

double TableViewCell::titleWidthBesideValue(double titleWidth, double valueWidth, double available) {
  const double room = available - valueWidth - kTitleValueGap;
  if (titleWidth <= room) return std::max(0.0, titleWidth);
  if (room >= available / 2) return std::max(0.0, room);
  // The value wraps even in half the row; it loses little more by wrapping in a third.
  return std::max(0.0, std::min(titleWidth, available * 2 / 3));
}

void TableViewCell::layoutSubviews() {
  const Rect b = bounds();
  // A shown delete control always makes room; rows without one line up with it only
  // when they indent while editing.
  double left = showsDeleteControl() || (editing_ && indentsWhileEditing_) ? kEditingControlWidth : 0;
  double right = b.width() - (showsReorderControl() ? kReorderControlWidth : 0);
  if (showingDeleteConfirmation_) right = deleteConfirmationRect().x() - kAccessoryInset;

  accessoryRect_ = {};
  if (accessoryView_) accessoryView_->setHidden(editing_);
  if (!editing_) {
    Size size = accessoryView_ ? accessoryView_->frame().size : drawnAccessorySize();
    if (size.width > 0) {
      accessoryRect_ = {std::round(right - kAccessoryInset - size.width), std::floor((b.height() - size.height) / 2),
                        size.width, size.height};
      if (accessoryView_) accessoryView_->setFrame(accessoryRect_);
      right = accessoryRect_.x();
    }
  }
  contentView_->setFrame({left, 0, std::max(0.0, right - left), b.height()});

  const Rect content = contentView_->bounds();
  double x = kContentInset;
  if (const auto& image = imageView_->image()) {
    Size size = image->size();
    imageView_->setFrame({x, std::floor((content.height() - size.height) / 2), size.width, size.height});
    imageView_->setHidden(false);
    x += size.width + kImageGap;
  } else {
    imageView_->setHidden(true);
  }
  const double end = content.width() - kContentInset;
  const double available = std::max(0.0, end - x);
  if (!detailTextLabel_->text().empty() && !textLabel_->text().empty()) {
    double titleWidth =
        titleWidthBesideValue(std::ceil(sizeWithFont(textLabel_->text(), *textLabel_->font()).width),
                              std::ceil(sizeWithFont(detailTextLabel_->text(), *detailTextLabel_->font()).width), available);
    textLabel_->setFrame({x, 0, titleWidth, content.height()});
    double valueX = x + titleWidth + kTitleValueGap;
    detailTextLabel_->setFrame({valueX, 0, std::max(0.0, end - valueX), content.height()});
  } else if (!detailTextLabel_->text().empty()) {
    textLabel_->setFrame({x, 0, 0, content.height()});
    detailTextLabel_->setFrame({x, 0, available, content.height()});
  } else {
    textLabel_->setFrame({x, 0, available, content.height()});
    detailTextLabel_->setFrame({end, 0, 0, content.height()});
  }
}

void TableViewCell::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect b = bounds();
  const bool grouped = groupPosition_ != TableViewCellGroupPosition::None;
  const Color fill = cellBackgroundColor_.value_or(Color::whiteColor());
  if (grouped) {
    Rect plate = b.insetBy(0.5, 0);
    if (groupPosition_ == TableViewCellGroupPosition::Top || groupPosition_ == TableViewCellGroupPosition::Single)
      plate = {plate.x(), plate.y() + 0.5, plate.width(), plate.height() - 0.5};
    if (groupPosition_ == TableViewCellGroupPosition::Bottom || groupPosition_ == TableViewCellGroupPosition::Single)
      plate = {plate.x(), plate.y(), plate.width(), plate.height() - 0.5};
    Path path = groupPlate(plate, kCornerRadius, groupPosition_);
    context.saveGState();
    context.clipToPath(path);
    if (selected_) {
      context.fillRectWithLinearGradient(b, Color::rgba(0.02, 0.55, 0.96), Color::rgba(0.0, 0.37, 0.9));
    } else if (!fill.isClear()) {
      context.setFillColor(fill);
      context.fillRect(b);
    }
    context.restoreGState();
    context.setLineWidth(1);
    context.setStrokeColor(kSeparator);
    context.strokePath(path);
  } else {
    if (selected_) {
      context.fillRectWithLinearGradient(b, Color::rgba(0.02, 0.55, 0.96), Color::rgba(0.0, 0.37, 0.9));
    } else if (!fill.isClear()) {
      context.setFillColor(fill);
      context.fillRect(b);
    }
    context.setFillColor(kSeparator);
    context.fillRect({b.x(), b.maxY() - 1, b.width(), 1});
  }

  if (!editing_ && accessoryRect_.width() > 0 && !accessoryView_) {
    const Rect a = accessoryRect_;
    context.setLineWidth(accessoryType_ == TableViewCellAccessoryType::Checkmark ? 2.5 : 3);
    context.setLineCap(LineCap::Round);
    context.setLineJoin(LineJoin::Round);
    Path mark;
    if (accessoryType_ == TableViewCellAccessoryType::Checkmark) {
      context.setStrokeColor(selected_ ? Color::whiteColor() : kAccessoryBlue);
      mark.moveTo({a.x() + 1.5, a.midY()}).lineTo({a.x() + 5.5, a.maxY() - 1.5}).lineTo({a.maxX() - 1, a.y() + 1});
    } else {
      context.setStrokeColor(selected_ ? Color::whiteColor() : Color::white(0.5));
      mark.moveTo({a.x() + 2, a.y() + 2}).lineTo({a.maxX() - 2, a.midY()}).lineTo({a.x() + 2, a.maxY() - 2});
    }
    context.strokePath(mark);
  }

  if (showsDeleteControl()) {
    const double d = 21;
    Rect disc{std::round((kEditingControlWidth - d) / 2) + 4, std::floor((b.height() - d) / 2), d, d};
    context.saveGState();
    context.clipToPath(Path::ellipseInRect(disc));
    context.fillRectWithLinearGradient(disc, Color::rgba(0.93, 0.35, 0.33), Color::rgba(0.75, 0.05, 0.05));
    context.restoreGState();
    context.setLineWidth(2);
    context.setStrokeColor(Color::whiteColor());
    context.strokeEllipseInRect(disc.insetBy(1, 1));
    context.setFillColor(Color::whiteColor());
    if (showingDeleteConfirmation_) {
      context.fillRect({disc.midX() - 1.5, disc.y() + 5, 3, disc.height() - 10});
    } else {
      context.fillRect({disc.x() + 5, disc.midY() - 1.5, disc.width() - 10, 3});
    }
  }
  if (showsReorderControl()) {
    Rect handle = reorderControlRect();
    context.setFillColor(Color::white(0.6));
    for (int i = -1; i <= 1; ++i) {
      context.fillRect({handle.x() + 7, std::round(handle.midY() + i * 5) - 1, handle.width() - 16, 2});
    }
  }
  if (showingDeleteConfirmation_) {
    Rect button = deleteConfirmationRect();
    context.saveGState();
    context.clipToPath(Path::roundedRect(button, 5));
    context.fillRectWithLinearGradient(button, Color::rgba(0.9, 0.4, 0.4), Color::rgba(0.72, 0.05, 0.05));
    context.restoreGState();
    const Font& font = *confirmationFont();
    context.drawText("Delete", font,
                     {button.x(), std::floor(button.midY() - font.leading() / 2), button.width(), font.leading()},
                     {.color = Color::whiteColor(), .alignment = TextAlignment::Center});
  }
}

std::shared_ptr<View> TableViewCell::hitTest(Point point) {
  auto hit = View::hitTest(point);
  // An interactive accessory takes its own touches; everything else is the row's.
  if (hit && accessoryView_ && hit->isDescendantOfView(accessoryView_.get())) return hit;
  return hit ? weak_from_this().lock() : nullptr;
}

std::vector<Touch> TableViewCell::touchesInSuperview(const std::vector<Touch>& touches) const {
  std::vector<Touch> out;
  auto parent = superview();
  for (const auto& touch : touches) out.push_back({convertPointToView(touch.location, parent.get()), touch.tapCount});
  return out;
}

void TableViewCell::touchesBegan(const std::vector<Touch>& touches) {
  if (auto parent = superview()) parent->touchesBegan(touchesInSuperview(touches));
}

void TableViewCell::touchesMoved(const std::vector<Touch>& touches) {
  if (auto parent = superview()) parent->touchesMoved(touchesInSuperview(touches));
}

void TableViewCell::touchesEnded(const std::vector<Touch>& touches) {
  if (auto parent = superview()) parent->touchesEnded(touchesInSuperview(touches));
}

void TableViewCell::touchesCancelled(const std::vector<Touch>& touches) {
  if (auto parent = superview()) parent->touchesCancelled(touchesInSuperview(touches));
}

}  // namespace kestrel::ui
