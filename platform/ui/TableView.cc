#include "platform/ui/TableView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Font.h"
#include "platform/ui/Transition.h"

namespace kestrel::ui {

namespace {

constexpr double kPlainTitledHeaderHeight = 22;
constexpr double kGroupedUntitledHeaderHeight = 10;
constexpr double kGroupedFooterHeight = 10;
constexpr double kScrollSlop = 8;

double finiteOr(double value, double fallback) { return value >= 0 && std::isfinite(value) ? value : fallback; }

}  // namespace

TableView::TableView(const Rect& frame, TableViewStyle style)
    : View(frame), style_(style), headerFont_(Font::boldSystemFontOfSize(kHeaderFontSize)) {
  setClipsToBounds(true);
}

void TableView::setHeaderFont(const std::shared_ptr<Font>& font) {
  headerFont_ = font ? font : Font::boldSystemFontOfSize(kHeaderFontSize);
}

void TableView::setDataSource(TableViewDataSource* dataSource) {
  dataSource_ = dataSource;
  reloadData();
}

void TableView::setRowHeight(double height) { rowHeight_ = finiteOr(height, kDefaultRowHeight); }

void TableView::setSectionMargin(double margin) {
  sectionMargin_ = finiteOr(margin, kDefaultSectionMargin);
  setNeedsLayout();
}

int TableView::numberOfRowsInSection(int section) const {
  return section >= 0 && size_t(section) < sections_.size() ? int(sections_[size_t(section)].rowY.size()) : 0;
}

bool TableView::isValid(IndexPath indexPath) const {
  return indexPath.section >= 0 && indexPath.section < numberOfSections() && indexPath.row >= 0 &&
         indexPath.row < numberOfRowsInSection(indexPath.section);
}

void TableView::reloadData() {
  for (auto& [path, cell] : std::map(visible_)) recycle(cell);
  visible_.clear();
  for (auto& section : sections_) {
    if (section.header) section.header->removeFromSuperview();
    if (section.footer) section.footer->removeFromSuperview();
  }
  sections_.clear();
  confirming_.reset();
  if (selected_ && !dataSource_) selected_.reset();
  if (dataSource_) {
    const int count = std::max(0, dataSource_->numberOfSections(*this));
    sections_.resize(size_t(count));
    for (int s = 0; s < count; ++s) {
      SectionLayout& section = sections_[size_t(s)];
      const int rows = std::max(0, dataSource_->numberOfRows(*this, s));
      section.rowY.assign(size_t(rows), 0);
      section.rowHeight.assign(size_t(rows), rowHeight_);
      section.header = dataSource_->viewForHeader(*this, s);
      if (!section.header) {
        if (auto title = dataSource_->titleForHeader(*this, s); title && !title->empty()) {
          auto label = std::make_shared<Label>();
          label->setText(*title);
          label->setFont(headerFont_);
          label->setTextColor(headerTextColor_);
          label->setShadowColor(Color::whiteColor());
          label->setShadowOffset({0, 1});
          label->setUserInteractionEnabled(false);
          section.header = label;
          section.titled = true;
        }
      }
      section.footer = dataSource_->viewForFooter(*this, s);
      if (section.header) addSubview(section.header);
      if (section.footer) addSubview(section.footer);
    }
  }
  if (selected_ && !isValid(*selected_)) selected_.reset();
  computeLayout();
  setContentOffset(contentOffset());
  updateVisibleCells();
}

void TableView::computeLayout() {
  const bool grouped = style_ == TableViewStyle::Grouped;
  const double margin = grouped ? sectionMargin_ : 0;
  const double width = bounds().width();
  double y = 0;
  for (int s = 0; s < numberOfSections(); ++s) {
    SectionLayout& section = sections_[size_t(s)];
    const bool titled = section.titled;
    double header = dataSource_ ? dataSource_->heightForHeader(*this, s) : -1;
    if (header < 0 || !std::isfinite(header)) {
      if (section.header && !titled) {
        header = section.header->frame().height();
      } else if (titled) {
        header = grouped ? std::ceil(headerFont_->leading() + 14)
                         : kPlainTitledHeaderHeight;
      } else {
        header = grouped ? kGroupedUntitledHeaderHeight : 0;
      }
    }
    section.headerY = y;
    section.headerHeight = header;
    if (section.header) {
      const double inset = titled ? margin + TableViewCell::kContentInset : 0;
      section.header->setFrame({inset, y, std::max(0.0, width - 2 * inset), header});
    }
    y += header;
    for (size_t r = 0; r < section.rowY.size(); ++r) {
      double h = dataSource_ ? dataSource_->heightForRow(*this, {s, int(r)}) : -1;
      section.rowHeight[r] = finiteOr(h, rowHeight_);
      section.rowY[r] = y;
      y += section.rowHeight[r];
    }
    double footer = dataSource_ ? dataSource_->heightForFooter(*this, s) : -1;
    if (footer < 0 || !std::isfinite(footer)) {
      footer = section.footer ? section.footer->frame().height() : (grouped ? kGroupedFooterHeight : 0);
    }
    section.footerY = y;
    section.footerHeight = footer;
    if (section.footer) section.footer->setFrame({0, y, width, footer});
    y += footer;
  }
  contentHeight_ = y;
}

Rect TableView::rectForRowAtIndexPath(IndexPath indexPath) const {
  if (!isValid(indexPath)) return {};
  const SectionLayout& section = sections_[size_t(indexPath.section)];
  const double margin = style_ == TableViewStyle::Grouped ? sectionMargin_ : 0;
  return {margin, section.rowY[size_t(indexPath.row)], std::max(0.0, bounds().width() - 2 * margin),
          section.rowHeight[size_t(indexPath.row)]};
}

Rect TableView::rectForHeaderInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return {};
  const SectionLayout& s = sections_[size_t(section)];
  return {0, s.headerY, bounds().width(), s.headerHeight};
}

Rect TableView::rectForFooterInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return {};
  const SectionLayout& s = sections_[size_t(section)];
  return {0, s.footerY, bounds().width(), s.footerHeight};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) const {
  for (int s = 0; s < numberOfSections(); ++s) {
    for (int r = 0; r < numberOfRowsInSection(s); ++r) {
      if (rectForRowAtIndexPath({s, r}).contains(point)) return IndexPath{s, r};
    }
  }
  return std::nullopt;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath indexPath) const {
  auto it = visible_.find(indexPath);
  return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const {
  std::vector<std::shared_ptr<TableViewCell>> cells;
  for (const auto& [path, cell] : visible_) cells.push_back(cell);
  return cells;
}

std::shared_ptr<View> TableView::headerViewForSection(int section) const {
  return section >= 0 && section < numberOfSections() ? sections_[size_t(section)].header : nullptr;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
  auto it = reusable_.find(identifier);
  if (it == reusable_.end() || it->second.empty()) return nullptr;
  auto cell = it->second.back();
  it->second.pop_back();
  cell->prepareForReuse();
  return cell;
}

void TableView::recycle(const std::shared_ptr<TableViewCell>& cell) {
  if (!cell) return;
  cell->removeFromSuperview();
  auto& pool = reusable_[cell->reuseIdentifier()];
  if (pool.size() < 16) pool.push_back(cell);
}

void TableView::configureEditing(TableViewCell& cell, IndexPath indexPath) {
  if (!dataSource_) return;
  const bool canEdit = editing_ && dataSource_->canEditRow(*this, indexPath);
  const bool deletes =
      canEdit && dataSource_->editingStyleForRow(*this, indexPath) == TableViewCellEditingStyle::Delete;
  const bool moves = editing_ && dataSource_->canMoveRow(*this, indexPath);
  const bool indents = editing_ && dataSource_->shouldIndentWhileEditing(*this, indexPath);
  // A row with no editing control and no indent stays as it is, accessory (a button) included.
  cell.setEditing(deletes || moves || indents, deletes, moves, indents);
  cell.setShowingDeleteConfirmation(confirming_ == indexPath);
}

void TableView::updateVisibleCells() {
  const Rect seen = bounds();
  std::map<IndexPath, std::shared_ptr<TableViewCell>> keep;
  if (dataSource_) {
    for (int s = 0; s < numberOfSections(); ++s) {
      for (int r = 0; r < numberOfRowsInSection(s); ++r) {
        const IndexPath path{s, r};
        const Rect frame = rectForRowAtIndexPath(path);
        if (frame.height() <= 0 || frame.maxY() <= seen.minY() || frame.minY() >= seen.maxY()) continue;
        std::shared_ptr<TableViewCell> cell;
        if (auto it = visible_.find(path); it != visible_.end()) {
          cell = it->second;
          visible_.erase(it);
        } else {
          cell = dataSource_->cellForRow(*this, path);
          if (!cell) cell = std::make_shared<TableViewCell>();
          insertSubviewAtIndex(cell, 0);
        }
        cell->setFrame(frame);
        if (style_ == TableViewStyle::Grouped) {
          const int rows = numberOfRowsInSection(s);
          cell->setGroupPosition(rows == 1   ? TableViewCellGroupPosition::Single
                                 : r == 0    ? TableViewCellGroupPosition::Top
                                 : r == rows - 1 ? TableViewCellGroupPosition::Bottom
                                             : TableViewCellGroupPosition::Middle);
        }
        configureEditing(*cell, path);
        cell->setSelected(selected_ == path);
        keep[path] = cell;
      }
    }
  }
  for (auto& [path, cell] : visible_) recycle(cell);
  visible_ = std::move(keep);
}

void TableView::setContentOffset(Point offset, bool animated) {
  const double maxY = std::max(0.0, contentHeight_ - bounds().height());
  const double y = std::isfinite(offset.y) ? std::clamp(offset.y, 0.0, maxY) : 0;
  if (y == bounds().origin.y) return;
  setBounds({{0, y}, bounds().size});
  updateVisibleCells();
  setNeedsDisplay();
}

void TableView::setFrame(const Rect& frame) {
  const double oldWidth = bounds().width();
  View::setFrame(frame);
  if (bounds().width() != oldWidth) computeLayout();
  setContentOffset(contentOffset());
  updateVisibleCells();
}

void TableView::layoutSubviews() { updateVisibleCells(); }

void TableView::setEditing(bool editing, bool animated) {
  editing_ = editing;
  confirming_.reset();
  for (auto& [path, cell] : visible_) configureEditing(*cell, path);
}

void TableView::selectRowAtIndexPath(IndexPath indexPath) {
  if (!isValid(indexPath)) return;
  if (selected_) deselectRowAtIndexPath(*selected_);
  selected_ = indexPath;
  if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(true);
}

void TableView::deselectRowAtIndexPath(IndexPath indexPath, bool animated) {
  if (selected_ != indexPath) return;
  selected_.reset();
  if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(false);
}

bool TableView::tapRowAtIndexPath(IndexPath indexPath) {
  if (!isValid(indexPath)) return false;
  if (confirming_) {
    dismissDeleteConfirmation();
    return false;
  }
  if (editing_ && !allowsSelectionDuringEditing_) return false;
  selectRowAtIndexPath(indexPath);
  // The data source may reload or drop the table; keep it until the call returns.
  auto keep = weak_from_this().lock();
  if (dataSource_) dataSource_->didSelectRow(*this, indexPath);
  return true;
}

bool TableView::performDelete(IndexPath indexPath) {
  if (!dataSource_ || !isValid(indexPath) || !editing_ || !dataSource_->canEditRow(*this, indexPath) ||
      dataSource_->editingStyleForRow(*this, indexPath) != TableViewCellEditingStyle::Delete)
    return false;
  confirming_.reset();
  if (selected_ == indexPath) selected_.reset();
  auto keep = weak_from_this().lock();
  dataSource_->commitEditingStyle(*this, TableViewCellEditingStyle::Delete, indexPath);
  addTransition(*this, {.type = TransitionType::Fade, .duration = 0.3}, "deleteRow");
  reloadData();
  return true;
}

bool TableView::performMove(IndexPath from, IndexPath proposed) {
  if (!dataSource_ || !isValid(from) || !editing_ || !dataSource_->canMoveRow(*this, from)) return false;
  if (proposed.section < 0 || proposed.section >= numberOfSections()) return false;
  // A row dropped in its own section can go to any of its rows; in another, also after the last.
  const int limit = numberOfRowsInSection(proposed.section) - (proposed.section == from.section ? 1 : 0);
  proposed.row = std::clamp(proposed.row, 0, std::max(0, limit));
  IndexPath to = dataSource_->targetIndexPathForMove(*this, from, proposed);
  if (to == from || to.section < 0 || to.section >= numberOfSections()) return false;
  const int toLimit = numberOfRowsInSection(to.section) - (to.section == from.section ? 1 : 0);
  to.row = std::clamp(to.row, 0, std::max(0, toLimit));
  if (to == from) return false;
  confirming_.reset();
  auto keep = weak_from_this().lock();
  dataSource_->moveRow(*this, from, to);
  reloadData();
  return true;
}

void TableView::dismissDeleteConfirmation() {
  if (!confirming_) return;
  IndexPath path = *confirming_;
  confirming_.reset();
  if (auto cell = cellForRowAtIndexPath(path)) cell->setShowingDeleteConfirmation(false);
}

std::optional<IndexPath> TableView::indexPathForDrop(Point point) const {
  for (int s = 0; s < numberOfSections(); ++s) {
    const SectionLayout& section = sections_[size_t(s)];
    if (point.y >= section.footerY + section.footerHeight && s + 1 < numberOfSections()) continue;
    int row = 0;
    while (row < int(section.rowY.size()) &&
           point.y > section.rowY[size_t(row)] + section.rowHeight[size_t(row)] / 2)
      ++row;
    return IndexPath{s, row};
  }
  return std::nullopt;
}

void TableView::touchesBegan(const std::vector<Touch>& touches) {
  gesture_ = Gesture::None;
  if (touches.empty()) return;
  const Point p = touches.front().location;
  touchStart_ = {p.x - contentOffset().x, p.y - contentOffset().y};
  offsetAtStart_ = contentOffset().y;
  touchedRow_ = indexPathForRowAtPoint(p);
  gesture_ = Gesture::Tap;
  if (touchedRow_ && editing_) {
    auto cell = cellForRowAtIndexPath(*touchedRow_);
    if (cell && cell->reorderControlRect().contains(cell->convertPointFromView(p, this))) gesture_ = Gesture::Drag;
  }
}

void TableView::touchesMoved(const std::vector<Touch>& touches) {
  if (touches.empty() || gesture_ == Gesture::None || gesture_ == Gesture::Drag) return;
  const Point p = touches.front().location;
  const double screenY = p.y - contentOffset().y;
  const double dy = screenY - touchStart_.y;
  if (gesture_ == Gesture::Tap && std::abs(dy) > kScrollSlop) gesture_ = Gesture::Scroll;
  if (gesture_ == Gesture::Scroll) setContentOffset({0, offsetAtStart_ - dy});
}

void TableView::touchesEnded(const std::vector<Touch>& touches) {
  const Gesture gesture = gesture_;
  gesture_ = Gesture::None;
  if (touches.empty()) return;
  const Point p = touches.front().location;
  if (gesture == Gesture::Drag) {
    if (auto drop = indexPathForDrop(p); drop && touchedRow_) performMove(*touchedRow_, *drop);
    return;
  }
  if (gesture != Gesture::Tap) return;
  auto row = indexPathForRowAtPoint(p);
  if (!row || row != touchedRow_) {
    dismissDeleteConfirmation();
    return;
  }
  auto cell = cellForRowAtIndexPath(*row);
  const Point inCell = cell ? cell->convertPointFromView(p, this) : Point{};
  if (cell && confirming_ == row && cell->deleteConfirmationRect().contains(inCell)) {
    performDelete(*row);
    return;
  }
  if (cell && cell->deleteControlRect().contains(inCell)) {
    const bool show = confirming_ != row;
    dismissDeleteConfirmation();
    if (show) {
      confirming_ = row;
      cell->setShowingDeleteConfirmation(true);
    }
    return;
  }
  tapRowAtIndexPath(*row);
}

void TableView::touchesCancelled(const std::vector<Touch>& touches) { gesture_ = Gesture::None; }

}  // namespace kestrel::ui
