#include "runtime/FWIconDotView.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWImages.h"

using kestrel::ui::GraphicsContext;
using kestrel::ui::Rect;

FWIconDotView::FWIconDotView(const Rect& frame, double inset) : FWDotView(frame), inset_(inset) {}

void FWIconDotView::setIcon(const std::string& iconPath) {
  if (iconPath == icon_) return;
  icon_ = iconPath;
  image_.reset();
  setNeedsDisplay();
}

void FWIconDotView::setInset(double inset) {
  inset_ = inset;
  setNeedsDisplay();
}

void FWIconDotView::setBeveled(bool beveled) {
  beveled_ = beveled;
  setNeedsDisplay();
}

void FWIconDotView::drawRect(GraphicsContext& context, const Rect& rect) {
  Rect inner = FWDotView::drawRect(context, rect, false);
  if (!image_) image_ = FWImageAtPath(icon_);
  if (image_) {
    Rect iconRect = bounds().insetBy(inset_, inset_);
    context.saveGState();
    context.clipToPath(kestrel::ui::Path::ellipseInRect(iconRect));
    if (beveled_) FWColorIconView::drawTinted(context, *image_, iconRect.offsetBy(1, 1), kestrel::Color::whiteColor());
    image_->drawInRect(context, iconRect);
    context.restoreGState();
  }
  drawGloss(context, inner);
}
