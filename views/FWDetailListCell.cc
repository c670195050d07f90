#include "views/FWDetailListCell.h"

#include <algorithm>
#include <cmath>

#include "runtime/FWDetailListMetrics.h"

using kestrel::ui::Font;
using kestrel::ui::Rect;

FWDetailListCell::FWDetailListCell()
    : TableViewCell(kFWDetailListCellIdentifier),
      messageLabel_(std::make_shared<kestrel::ui::Label>()),
      infoLabel_(std::make_shared<FWRoundedLabel>()) {
  messageLabel_->setFont(Font::boldSystemFontOfSize(kFWDetailListViewLabelSize));
  messageLabel_->setTextAlignment(kestrel::ui::TextAlignment::Center);
  messageLabel_->setLineBreakMode(kestrel::ui::LineBreakMode::WordWrap);
  messageLabel_->setNumberOfLines(0);
  messageLabel_->setHidden(true);
  infoLabel_->setHidden(true);
  infoLabel_->setRoundedColor(kestrel::Color::grayColor());
  infoLabel_->setTextColor(kestrel::Color::whiteColor());
  infoLabel_->setFont(Font::boldSystemFontOfSize(12));
  contentView()->addSubview(messageLabel_);
  contentView()->addSubview(infoLabel_);
}

void FWDetailListCell::setInfo(const std::string& text) {
  infoLabel_->setText(text);
  infoLabel_->setHidden(text.empty());
  setNeedsLayout();
}

void FWDetailListCell::prepareForReuse() {
  TableViewCell::prepareForReuse();
  messageLabel_->setText({});
  messageLabel_->setHidden(true);
  setInfo({});
}

void FWDetailListCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const Rect content = contentView()->bounds();
  const double inset = kFWDetailListCellMessageInset;
  messageLabel_->setFrame({inset, inset, std::max(0.0, content.width() - 2 * inset),
                           std::max(0.0, content.height() - 2 * inset)});
  if (!infoLabel_->isHidden()) {
    const double h = kFWDetailListCellInfoHeight;
    const double w = std::min(infoLabel_->sizeForHeight(h).width, content.width() / 3);
    const Rect info{std::round(content.width() - kContentInset - w), std::floor((content.height() - h) / 2), w, h};
    infoLabel_->setFrame(info);
    // The texts give way to the highlight.
    for (const auto& label : {textLabel(), detailTextLabel()}) {
      Rect f = label->frame();
      if (f.maxX() > info.x() - 4) label->setFrame({f.x(), f.y(), std::max(0.0, info.x() - 4 - f.x()), f.height()});
    }
  }
}
