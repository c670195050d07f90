#include "runtime/FWColorIconView.h"

#include "platform/ui/GraphicsContext.h"
#include "runtime/FWImages.h"

FWColorIconView::FWColorIconView(const kestrel::ui::Rect& frame) : View(frame) { setOpaque(false); }

void FWColorIconView::setIcon(const std::string& iconPath) {
  if (iconPath == icon_) return;
  icon_ = iconPath;
  setNeedsDisplay();
}

void FWColorIconView::setColor(const std::optional<kestrel::Color>& color) {
  if (color == color_) return;
  color_ = color;
  setNeedsDisplay();
}

void FWColorIconView::drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& /*rect*/) {
  auto image = FWImageAtPath(icon_);
  if (!image) return;
  // Tint in a layer of its own so that source-atop touches only the icon's pixels, never
  // what lies beneath the view.
  context.beginTransparencyLayer();
  image->drawInRect(context, bounds());
  if (color_) {
    context.setBlendMode(kestrel::ui::BlendMode::SourceAtop);
    context.setFillColor(*color_);
    context.fillRect(bounds());
  }
  context.endTransparencyLayer(1);
}
