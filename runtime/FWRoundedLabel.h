// FWRoundedLabel: a highlighted text on a rounded coloured plate with a gloss over it — the
// label at the start of a row's detail line.
//
// The plate's corner radius and the text's indent follow the height: radius = min(⌊h/2⌋, 9),
// indent = min(⌊h/4⌋, 9). sizeForHeight answers the width the text needs (at least that of
// "XX1", so short labels keep one size) plus both indents. The background colour is ignored;
// `roundedColor` colours the plate. A missing gloss image is logged and skipped.
// Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

class FWRoundedLabel : public kestrel::ui::View {
 public:
  explicit FWRoundedLabel(const kestrel::ui::Rect& frame = {});

  static double radiusForHeight(double height);
  static double indentForHeight(double height);

  const std::shared_ptr<kestrel::ui::Label>& label() const { return label_; }
  const std::shared_ptr<kestrel::ui::ImageView>& gloss() const { return gloss_; }
  const std::string& text() const { return label_->text(); }
  void setText(const std::string& text);
  void setFont(const std::shared_ptr<kestrel::ui::Font>& font);
  // Sets the text colour and a shadow that stands out against it.
  void setTextColor(const kestrel::Color& color);
  const std::optional<kestrel::Color>& roundedColor() const { return roundedColor_; }
  void setRoundedColor(const std::optional<kestrel::Color>& color);
  double indent() const { return indent_; }
  double radius() const { return radius_; }

  // Ignored: the plate has its own colour.
  void setBackgroundColor(const std::optional<kestrel::Color>& color) override;
  void setFrame(const kestrel::ui::Rect& frame) override;
  kestrel::ui::Size sizeForHeight(double height) const;
  void layoutSubviews() override;
  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  std::shared_ptr<kestrel::ui::Label> label_;
  std::shared_ptr<kestrel::ui::ImageView> gloss_;
  std::optional<kestrel::Color> roundedColor_;
  double indent_ = 0;
  double radius_ = 0;
};
