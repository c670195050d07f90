// FWColorIconView: an icon image tinted with one colour — the opaque parts of the icon are
// painted `color`, its transparency is kept. The icon is a PNG file path; a missing file is
// logged and nothing is drawn. Main thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/ui/View.h"

class FWColorIconView : public kestrel::ui::View {
 public:
  explicit FWColorIconView(const kestrel::ui::Rect& frame = {});

  const std::string& icon() const { return icon_; }
  // Both redraw only on change.
  void setIcon(const std::string& iconPath);
  const std::optional<kestrel::Color>& color() const { return color_; }
  void setColor(const std::optional<kestrel::Color>& color);

  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  std::string icon_;
  std::optional<kestrel::Color> color_;
};
