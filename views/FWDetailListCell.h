// FWDetailListCell: the cell of a drill-down page's row (reuse identifier "TWTaskPreview",
// the same in both plug-ins) — a table cell with a message label and a highlight label.
//
// The message label (bold, hidden unless the row is a message) sits at (10, 10) in the
// content, as wide as the content less the insets; the page sets its text, font and
// colour. The highlight label (FWRoundedLabel) shows the entry's info text at the end of
// the row, before the accessory, when there is one. Everything else is the table cell's.
// Main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "runtime/FWRoundedLabel.h"

inline constexpr const char* kFWDetailListCellIdentifier = "TWTaskPreview";
inline constexpr double kFWDetailListCellMessageInset = 10;
inline constexpr double kFWDetailListCellInfoHeight = 18;

class FWDetailListCell : public kestrel::ui::TableViewCell {
 public:
  FWDetailListCell();

  const std::shared_ptr<kestrel::ui::Label>& messageLabel() const { return messageLabel_; }
  const std::shared_ptr<FWRoundedLabel>& infoLabel() const { return infoLabel_; }
  // Shows the highlight label with `text`; an empty text hides it.
  void setInfo(const std::string& text);

  void prepareForReuse() override;
  void layoutSubviews() override;

 private:
  std::shared_ptr<kestrel::ui::Label> messageLabel_;
  std::shared_ptr<FWRoundedLabel> infoLabel_;
};
