// FWDetailListPopup: a text shown over a drill-down page — a short note (displayPopup) or
// an instruction (displayPopupInstruction) — on a dark rounded plate.
//
// A note sits in the middle of the page; an instruction near its top, as a hint for the
// page under it. Either stays until the page changes (a row deleted or moved counts) or a
// finger touches it. The text is any text; long ones wrap within the page's width less
// kPopupMargin at each side.
// Main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Label.h"
#include "platform/ui/View.h"

inline constexpr double kFWDetailListPopupMargin = 20;

class FWDetailListPopup : public kestrel::ui::View {
 public:
  enum class Kind { Note, Instruction };

  FWDetailListPopup(std::string text, Kind kind);

  const std::string& text() const { return label_->text(); }
  Kind kind() const { return kind_; }

  // Places the popup in `area` (the page's area, in the superview's coordinates).
  void placeInRect(const kestrel::ui::Rect& area);

  void layoutSubviews() override;
  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;
  void touchesEnded(const std::vector<kestrel::ui::Touch>& touches) override;

 private:
  std::shared_ptr<kestrel::ui::Label> label_;
  Kind kind_;
};
