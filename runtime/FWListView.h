// FWListView: the view of one row of a plug-in's section — an optional header band, a
// summary line (the title, with small status icons at its right end), an optional detail
// line (a highlighted label followed by detail text), a coloured dot at the left and an
// optional dashed rounded border. The task and event row views derive from it; the message
// and information rows use it as it is.
//
// Layout follows the parent's width (the view takes its parent's bounds); without a parent
// it keeps its own frame. A detail text that does not fit is replaced by
// `detailTextAlternate` when that is shorter; the full text comes back on a later layout
// that has room for it. An owner that fills the row again sets the new alternate before
// the new detail text. `flags` are views the owner has added as subviews; the list only
// says where they go. The texts it shows (drawnTexts) are those of the summary, detail and
// highlight labels that are visible and not empty. All geometry is in points. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/KSLabel.h"
#include "platform/ui/ImageView.h"
#include "runtime/FWDotView.h"
#include "runtime/FWRoundedLabel.h"

class FWListView : public kestrel::ui::View, public kestrel::KSDrawnTextSource {
 public:
  FWListView(const kestrel::ui::Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme);

  // Height of the summary row: the leading, plus 1 when no row follows, plus another leading
  // for a header.
  static double heightOfSummaryRowWithFont(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow);
  static double heightOfDetailRowWithFont(const kestrel::ui::Font& font);
  // The summary row height this kind of row lays itself out with; row views whose class
  // answers another height override it with their own rule.
  virtual double summaryRowHeight(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow) const {
    return heightOfSummaryRowWithFont(font, withHeader, withFollowingRow);
  }

  void addHeader(const std::shared_ptr<const kestrel::KSTheme>& theme);
  void removeHeader();

  bool singleLine() const { return singleLine_; }
  void setSingleLine(bool value) { singleLine_ = value, setNeedsLayout(); }
  bool expandSingleLine() const { return expandSingleLine_; }
  void setExpandSingleLine(bool value) { expandSingleLine_ = value, setNeedsLayout(); }
  bool drawBorder() const { return drawBorder_; }
  void setDrawBorder(bool value) { drawBorder_ = value, setNeedsLayout(); }
  double largestIcon() const { return largestIcon_; }
  void setLargestIcon(double value) { largestIcon_ = value; }
  double leftReservedSpace() const { return leftReservedSpace_; }
  void setLeftReservedSpace(double value) { leftReservedSpace_ = value, setNeedsLayout(); }
  double rightReservedSpace() const { return rightReservedSpace_; }
  void setRightReservedSpace(double value) { rightReservedSpace_ = value, setNeedsLayout(); }
  bool abbreviateDetail() const { return abbreviateDetail_; }
  void setAbbreviateDetail(bool value) { abbreviateDetail_ = value, setNeedsLayout(); }
  const std::optional<std::string>& detailTextAlternate() const { return detailTextAlternate_; }
  void setDetailTextAlternate(std::optional<std::string> text);

  const std::shared_ptr<kestrel::KSLabel>& headerText() const { return headerText_; }
  const std::shared_ptr<kestrel::KSLabel>& summaryText() const { return summaryText_; }
  const std::shared_ptr<kestrel::KSLabel>& detailText() const { return detailText_; }
  const std::shared_ptr<FWDotView>& dot() const { return dot_; }
  const std::shared_ptr<kestrel::ui::ImageView>& headerBackground() const { return headerBackground_; }
  const std::shared_ptr<FWRoundedLabel>& highlightText() const { return highlightText_; }
  const std::vector<std::shared_ptr<kestrel::ui::View>>& flags() const { return flags_; }
  void setFlags(std::vector<std::shared_ptr<kestrel::ui::View>> flags);

  void layoutSubviews() override;
  void layoutSummaryRow(double x, double y, double width, double height);
  void layoutDetailRow(double x, double y, double width, double height);
  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;
  kestrel::KSDrawnTexts drawnTexts() const override;

 private:
  // The leading of a label's font (0 without one).
  static double leadingOf(const kestrel::ui::Label& label);
  void restoreFullDetailText();

  bool singleLine_ = false;
  bool expandSingleLine_ = false;
  bool drawBorder_ = false;
  double largestIcon_ = 16;
  double leftReservedSpace_ = 0;
  double rightReservedSpace_ = 0;
  std::shared_ptr<kestrel::KSLabel> headerText_;
  std::shared_ptr<kestrel::KSLabel> summaryText_;
  std::shared_ptr<kestrel::KSLabel> detailText_;
  bool abbreviateDetail_ = false;
  std::shared_ptr<FWDotView> dot_;
  std::shared_ptr<kestrel::ui::ImageView> headerBackground_;
  std::optional<std::string> detailTextAlternate_;
  std::shared_ptr<FWRoundedLabel> highlightText_;
  std::vector<std::shared_ptr<kestrel::ui::View>> flags_;
  // The detail text the alternate replaced, while the alternate is shown.
  std::optional<std::string> fullDetailText_;
};
