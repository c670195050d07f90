#include "runtime/FWPopupView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/RunLoop.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "platform/ui/ViewAnimation.h"

using kestrel::Color;
using kestrel::RunLoop;
using kestrel::ui::Font;
using kestrel::ui::Rect;
using kestrel::ui::Size;
using kestrel::ui::View;

namespace {

const kestrel::ui::Size kShadowOffset{2, 5};
constexpr double kShadowOpacity = 0.5;

// The bubbles shown and not finished (main thread only, like the views).
std::vector<std::shared_ptr<FWPopupView>>& shownPopups() {
  static std::vector<std::shared_ptr<FWPopupView>> popups;
  return popups;
}

}  // namespace

std::shared_ptr<View> FWKSTableView(const std::shared_ptr<kestrel::KSPlugin>& host) {
  if (!host || !host->hasTableView()) return nullptr;
  return host->tableView();
}

std::shared_ptr<FWPopupView> FWPopupView::displayPopupMessage(const std::string& text,
                                                              const std::shared_ptr<View>& forView) {
  return displayPopupMessage(text, std::nullopt, forView);
}

std::shared_ptr<FWPopupView> FWPopupView::displayPopupMessage(const std::string& text,
                                                              const std::optional<Color>& color,
                                                              const std::shared_ptr<View>& forView) {
  return displayPopupMessage(text, forView, color, Font::boldSystemFontOfSize(2 * Font::systemFontSize()),
                             kMessageDuration, false);
}

std::shared_ptr<FWPopupView> FWPopupView::displayPopupInstruction(const std::string& text,
                                                                  const std::shared_ptr<View>& forView) {
  return displayPopupMessage(text, forView, std::nullopt, Font::boldSystemFontOfSize(1.2 * Font::systemFontSize()),
                             kInstructionDuration, true);
}

std::shared_ptr<FWPopupView> FWPopupView::displayPopupMessage(const std::string& text,
                                                              const std::shared_ptr<View>& forView,
                                                              const std::optional<Color>& color,
                                                              const std::shared_ptr<Font>& font, double duration,
                                                              bool dismiss) {
  if (!forView) return nullptr;
  std::shared_ptr<View> over = forView->superview() ? forView->superview() : forView;
  auto popup = std::make_shared<FWPopupView>(text, color, font, duration, dismiss);
  const Rect area = over->bounds();
  const double maxWidth = std::max(1.0, area.width() - 2 * kSideMargin);
  Size textSize = popup->label_->sizeThatFits({maxWidth, area.height()});
  textSize.width = std::min(textSize.width, maxWidth);
  const double w = std::ceil(textSize.width + 2 * kTextInset + kShadowOffset.width);
  const double h = std::ceil(textSize.height + 2 * kTextInset + kShadowOffset.height);
  popup->setFrame({std::round(area.x() + (area.width() - w) / 2), std::round(area.y() + (area.height() - h) / 2), w, h});
  // It stays centred when the view it is shown over changes size.
  popup->setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleLeftMargin |
                             kestrel::ui::ViewAutoresizingFlexibleRightMargin |
                             kestrel::ui::ViewAutoresizingFlexibleTopMargin |
                             kestrel::ui::ViewAutoresizingFlexibleBottomMargin);
  // It grows in from a dot, stays its time, and shrinks away (finish).
  popup->setAlpha(0);
  kestrel::ui::setScaleOfView(*popup, kSmallScale);
  over->addSubview(popup);
  kestrel::ui::animateView(*popup, {.fromAlpha = 0, .toAlpha = 1, .fromScale = kSmallScale, .toScale = 1,
                                    .duration = kAppearSeconds},
                           kAppearAnimationKey);
  // The list keeps the bubble alive until it has gone; the timers only name it.
  shownPopups().push_back(popup);
  std::weak_ptr<FWPopupView> weak = popup;
  popup->timer_ = RunLoop::main().scheduleTimer(kAppearSeconds + popup->displayTime_, [weak] {
    if (auto shown = weak.lock()) shown->finish();
  });
  return popup;
}

FWPopupView::FWPopupView(const std::string& text, const std::optional<Color>& color,
                         const std::shared_ptr<Font>& font, double duration, bool dismiss)
    : displayTime_(std::isfinite(duration) && duration > 0 ? duration : kMessageDuration),
      dismissible_(dismiss),
      color_(color),
      label_(std::make_shared<kestrel::ui::Label>()) {
  label_->setText(text);
  label_->setFont(font);
  label_->setTextColor(Color::whiteColor());
  label_->setTextAlignment(kestrel::ui::TextAlignment::Center);
  label_->setLineBreakMode(kestrel::ui::LineBreakMode::WordWrap);
  label_->setNumberOfLines(0);
  label_->setUserInteractionEnabled(false);
  setUserInteractionEnabled(dismiss);
  addSubview(label_);
}

FWPopupView::~FWPopupView() = default;

void FWPopupView::finish() {
  if (finished_) return;
  finished_ = true;
  RunLoop::main().cancelTimer(timer_);
  setUserInteractionEnabled(false);
  kestrel::ui::animateView(*this, {.fromScale = 1, .toScale = kSmallScale, .duration = kAppearSeconds},
                           kDisappearAnimationKey);
  std::weak_ptr<FWPopupView> weak = std::static_pointer_cast<FWPopupView>(shared_from_this());
  timer_ = RunLoop::main().scheduleTimer(kAppearSeconds, [weak] {
    if (auto shown = weak.lock()) shown->remove();
  });
}

void FWPopupView::remove() {
  finished_ = true;
  RunLoop::main().cancelTimer(timer_);
  timer_ = 0;
  auto keep = std::static_pointer_cast<FWPopupView>(shared_from_this());
  removeFromSuperview();
  auto& shown = shownPopups();
  shown.erase(std::remove(shown.begin(), shown.end(), keep), shown.end());
}

void FWPopupView::finishAll() {
  auto shown = shownPopups();
  for (const auto& popup : shown) popup->remove();
}

void FWPopupView::layoutSubviews() {
  const Rect plate{0, 0, std::max(0.0, bounds().width() - kShadowOffset.width),
                   std::max(0.0, bounds().height() - kShadowOffset.height)};
  label_->setFrame(plate.insetBy(kTextInset, kTextInset));
}

void FWPopupView::drawRect(kestrel::ui::GraphicsContext& context, const Rect& rect) {
  // Plate and shadow stay inside the bounds, so the bubble draws without clipping.
  const Rect plate{0, 0, std::max(0.0, bounds().width() - kShadowOffset.width),
                   std::max(0.0, bounds().height() - kShadowOffset.height)};
  const double radius = std::min(kCornerRadius, std::min(plate.width(), plate.height()) / 2);
  const Rect shadow{plate.x() + kShadowOffset.width, plate.y() + kShadowOffset.height, plate.width(), plate.height()};
  context.setFillColor(Color::white(0, kShadowOpacity * 0.7));
  context.fillPath(kestrel::ui::Path::roundedRect(shadow, radius));
  Color fill = color_ ? color_->colorWithAlphaComponent(0.9) : Color::white(0, 0.7);
  context.setFillColor(fill);
  context.fillPath(kestrel::ui::Path::roundedRect(plate, radius));
}

void FWPopupView::touchesEnded(const std::vector<kestrel::ui::Touch>& touches) {
  if (dismissible_) finish();
}
