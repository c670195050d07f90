#include "runtime/FWColorIconView.h"

#include "platform/ui/GraphicsContext.h"
#include "runtime/FWImages.h"

FWColorIconView::FWColorIconView(const kestrel::ui::Rect& frame) : View(frame) { setOpaque(false); }

void FWColorIconView::setIcon(const std::string& iconPath) {
  if (iconPath == icon_) return;
  icon_ = iconPath;
  image_.reset();
  setNeedsDisplay();
}

void FWColorIconView::setColor(const std::optional<kestrel::Color>& color) {
  if (color == color_) return;
  color_ = color;
  setNeedsDisplay();
}

void FWColorIconView::drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& /*rect*/) {
  if (!image_) image_ = FWImageAtPath(icon_);
  if (image_) drawTinted(context, *image_, bounds(), color_);
}

void FWColorIconView::drawTinted(kestrel::ui::GraphicsContext& context, const kestrel::ui::Image& image,
                                 const kestrel::ui::Rect& rect, const std::optional<kestrel::Color>& color) {
  context.saveGState();
  // Tint in a layer of its own so that source-atop touches only the icon's pixels, never
  // what lies beneath. The clip keeps the layer icon-sized: unclipped it would be as large
  // as the whole picture, cleared and composited for every icon.
  context.clipToRect(rect);
  context.beginTransparencyLayer();
  image.drawInRect(context, rect);
  if (color) {
    context.setBlendMode(kestrel::ui::BlendMode::SourceAtop);
    context.setFillColor(*color);
    context.fillRect(rect);
  }
  context.endTransparencyLayer(1);
  context.restoreGState();
}
