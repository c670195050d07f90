#include "platform/ui/Theme.h"

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace kestrel::ui {

namespace {

KSTextStyle textStyle(const std::shared_ptr<Font>& font, const Color& color) {
  KSTextStyle style;
  style.font = font;
  style.fontSize = font->pointSize();
  // fontLeading stays the fallback: rows take the font's own leading, measured when first
  // asked, so making the theme does not set up the text engine.
  style.textColor = color;
  style.shadowColor = Color::white(0, 0.75);
  return style;
}

// The platform's round red delete control with a white bar.
std::shared_ptr<Image> deleteIcon(double scale) {
  const Size size{29, 29};
  BitmapContext canvas(size, scale);
  GraphicsContext& c = canvas.context();
  Rect disc = Rect{{}, size}.insetBy(3, 3);
  c.setFillColor(Color::white(0, 0.35));
  c.fillEllipseInRect(disc.offsetBy(0, 1));
  c.saveGState();
  c.clipToPath(Path::ellipseInRect(disc));
  c.fillRectWithLinearGradient(disc, Color::rgba(0.93, 0.35, 0.33), Color::rgba(0.75, 0.05, 0.05));
  c.restoreGState();
  c.setLineWidth(2);
  c.setStrokeColor(Color::whiteColor());
  c.strokeEllipseInRect(disc.insetBy(1, 1));
  c.setFillColor(Color::whiteColor());
  c.fillRect({disc.x() + 6, disc.midY() - 1.5, disc.width() - 12, 3});
  return Image::imageWithBitmap(canvas.takeBitmap(), scale);
}

// A dark translucent band: a vertical gradient with a light top edge and a dark bottom
// edge. It stretches sideways through its middle column and scales vertically, which
// keeps the gradient whatever the header's height.
std::shared_ptr<Image> subheaderBackground(double scale) {
  const Size size{3, 20};
  BitmapContext canvas(size, scale);
  GraphicsContext& c = canvas.context();
  c.fillRectWithLinearGradient({{}, size}, Color::white(0.32, 0.85), Color::white(0.08, 0.85));
  c.setFillColor(Color::white(0.55, 0.9));
  c.fillRect({0, 0, size.width, 1});
  c.setFillColor(Color::white(0, 0.9));
  c.fillRect({0, size.height - 1, size.width, 1});
  auto image = Image::imageWithBitmap(canvas.takeBitmap(), scale);
  return image ? image->stretchableImageWithLeftCapWidth(1, 0) : nullptr;
}

}  // namespace

KSTheme defaultLockScreenTheme(double scale) {
  if (scale != 1 && scale != 2) scale = 1;
  KSTheme theme;
  theme.summaryStyle = textStyle(Font::boldSystemFontOfSize(kLockScreenSummaryFontSize), Color::whiteColor());
  theme.detailStyle = textStyle(Font::systemFontOfSize(kLockScreenDetailFontSize), Color::white(0.8));
  theme.cellDeleteIcon = deleteIcon(scale);
  theme.subheaderBackground = subheaderBackground(scale);
  return theme;
}

}  // namespace kestrel::ui
