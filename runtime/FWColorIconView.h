// FWColorIconView: an icon image tinted with one colour — the opaque parts of the icon are
// painted `color`, its transparency is kept. The icon is a PNG file path, read once when it
// is first drawn and kept until the path changes; a missing file is logged, nothing is
// drawn, and the next draw tries again. Main thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/ui/View.h"
#include "runtime/FWImages.h"

class FWColorIconView : public kestrel::ui::View {
 public:
  explicit FWColorIconView(const kestrel::ui::Rect& frame = {});

  const std::string& icon() const { return icon_; }
  // Both redraw only on change.
  void setIcon(const std::string& iconPath);
  const std::optional<kestrel::Color>& color() const { return color_; }
  void setColor(const std::optional<kestrel::Color>& color);

  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

  // Draws `image` into `rect`, its opaque parts painted `color` when there is one.
  static void drawTinted(kestrel::ui::GraphicsContext& context, const kestrel::ui::Image& image,
                         const kestrel::ui::Rect& rect, const std::optional<kestrel::Color>& color);

 private:
  std::string icon_;
  FWImage image_;  // the icon's image once read
  std::optional<kestrel::Color> color_;
};
