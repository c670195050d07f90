// TableView: a scrolling list of rows in sections, plain or grouped, with section headers
// and footers, selection, and row editing (delete and move).
//
// The data source (one interface for the platform's data source and delegate) answers
// the counts, the cells, the heights and the editing questions; every operation but the
// counts and the cells has a default. It is not owned and must outlive the table or be
// cleared first. reloadData asks again for everything; only the rows in sight have cells
// (reused through dequeueReusableCell), so long lists cost what the screen shows.
//
// Geometry: sections follow each other, each as header, rows, footer; the content starts
// at 0. Grouped rows are inset by `sectionMargin` at both sides and drawn as rounded
// groups; a titled section without a header view gets a label in its header. The content
// offset is the bounds' origin and always stays within the content.
//
// Touches: a tap selects its row and tells the data source (while editing, only with
// allowsSelectionDuringEditing). While editing, a row that can be edited shows the delete
// control (editing style Delete) and a row that can be moved the move handle; a row with
// neither that does not indent is drawn as outside editing, with its accessory. Tapping the
// delete control brings up the row's "Delete" button; tapping that commits the delete
// (performDelete); a tap anywhere else puts it away. Dragging by the handle and letting
// go moves the row where the finger ended (performMove). A drag elsewhere scrolls.
//
// Main thread only.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/IndexPath.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class TableView;

enum class TableViewStyle { Plain, Grouped };
enum class TableViewCellEditingStyle { None, Delete, Insert };

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual int numberOfSections(TableView& table) { return 1; }
  virtual int numberOfRows(TableView& table, int section) = 0;
  virtual std::shared_ptr<TableViewCell> cellForRow(TableView& table, IndexPath indexPath) = 0;
  // Negative answers take the table's defaults.
  virtual double heightForRow(TableView& table, IndexPath indexPath) { return -1; }
  virtual std::optional<std::string> titleForHeader(TableView& table, int section) { return std::nullopt; }
  virtual double heightForHeader(TableView& table, int section) { return -1; }
  virtual std::shared_ptr<View> viewForHeader(TableView& table, int section) { return nullptr; }
  virtual double heightForFooter(TableView& table, int section) { return -1; }
  virtual std::shared_ptr<View> viewForFooter(TableView& table, int section) { return nullptr; }
  virtual void didSelectRow(TableView& table, IndexPath indexPath) {}
  // Editing.
  virtual bool canEditRow(TableView& table, IndexPath indexPath) { return false; }
  virtual bool canMoveRow(TableView& table, IndexPath indexPath) { return false; }
  virtual TableViewCellEditingStyle editingStyleForRow(TableView& table, IndexPath indexPath) {
    return TableViewCellEditingStyle::Delete;
  }
  virtual bool shouldIndentWhileEditing(TableView& table, IndexPath indexPath) { return true; }
  // The data source removes the row from its model; the table then reloads.
  virtual void commitEditingStyle(TableView& table, TableViewCellEditingStyle style, IndexPath indexPath) {}
  // Where a row dragged from `from` lands when dropped at `proposed`.
  virtual IndexPath targetIndexPathForMove(TableView& table, IndexPath from, IndexPath proposed) { return proposed; }
  // The data source moves the row in its model; the table then reloads.
  virtual void moveRow(TableView& table, IndexPath from, IndexPath to) {}
};

class TableView : public View {
 public:
  static constexpr double kDefaultRowHeight = 44;
  static constexpr double kDefaultSectionMargin = 10;
  static constexpr double kHeaderFontSize = 17;

  explicit TableView(const Rect& frame = {}, TableViewStyle style = TableViewStyle::Plain);

  TableViewStyle style() const { return style_; }
  TableViewDataSource* dataSource() const { return dataSource_; }
  void setDataSource(TableViewDataSource* dataSource);
  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double height);
  // Side inset of grouped rows.
  double sectionMargin() const { return sectionMargin_; }
  void setSectionMargin(double margin);
  // The font of section titles (bold kHeaderFontSize unless set); none restores it.
  const std::shared_ptr<Font>& headerFont() const { return headerFont_; }
  void setHeaderFont(const std::shared_ptr<Font>& font);
  const Color& headerTextColor() const { return headerTextColor_; }
  void setHeaderTextColor(const Color& color) { headerTextColor_ = color; }

  void reloadData();
  int numberOfSections() const { return int(sections_.size()); }
  int numberOfRowsInSection(int section) const;
  // In content coordinates; the zero rectangle for a place that does not exist.
  Rect rectForRowAtIndexPath(IndexPath indexPath) const;
  Rect rectForHeaderInSection(int section) const;
  Rect rectForFooterInSection(int section) const;
  std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
  // The cell of a row in sight; none for a row out of sight.
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath indexPath) const;
  std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
  std::shared_ptr<View> headerViewForSection(int section) const;
  std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);

  Size contentSize() const { return {bounds().width(), contentHeight_}; }
  Point contentOffset() const { return bounds().origin; }
  void setContentOffset(Point offset, bool animated = false);
  void scrollToTop() { setContentOffset({0, 0}); }

  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool animated = false);
  bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
  void setAllowsSelectionDuringEditing(bool allows) { allowsSelectionDuringEditing_ = allows; }

  std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
  void selectRowAtIndexPath(IndexPath indexPath);
  void deselectRowAtIndexPath(IndexPath indexPath, bool animated = false);

  // What a finger's tap on the row does: select it and tell the data source.
  bool tapRowAtIndexPath(IndexPath indexPath);
  // What the delete control and its confirmation end in; false when the row cannot be
  // deleted.
  bool performDelete(IndexPath indexPath);
  // What a drag by the move handle ends in, dropped at `proposed`; false when the row
  // cannot move or stays where it was.
  bool performMove(IndexPath from, IndexPath proposed);

  void setFrame(const Rect& frame) override;
  void layoutSubviews() override;
  void touchesBegan(const std::vector<Touch>& touches) override;
  void touchesMoved(const std::vector<Touch>& touches) override;
  void touchesEnded(const std::vector<Touch>& touches) override;
  void touchesCancelled(const std::vector<Touch>& touches) override;

 private:
  struct SectionLayout {
    double headerY = 0, headerHeight = 0;
    std::vector<double> rowY, rowHeight;
    double footerY = 0, footerHeight = 0;
    std::shared_ptr<View> header, footer;
    bool titled = false;  // the header is the table's own title label
  };
  bool isValid(IndexPath indexPath) const;
  void computeLayout();
  void updateVisibleCells();
  void configureEditing(TableViewCell& cell, IndexPath indexPath);
  void recycle(const std::shared_ptr<TableViewCell>& cell);
  void dismissDeleteConfirmation();
  std::optional<IndexPath> indexPathForDrop(Point point) const;

  TableViewStyle style_;
  TableViewDataSource* dataSource_ = nullptr;
  double rowHeight_ = kDefaultRowHeight;
  double sectionMargin_ = kDefaultSectionMargin;
  std::shared_ptr<Font> headerFont_;
  Color headerTextColor_ = Color::rgba(0.3, 0.34, 0.42);
  std::vector<SectionLayout> sections_;
  double contentHeight_ = 0;
  std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
  std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reusable_;
  bool editing_ = false;
  bool allowsSelectionDuringEditing_ = false;
  std::optional<IndexPath> selected_;
  std::optional<IndexPath> confirming_;  // the row showing its "Delete" button

  // The finger now on the table.
  enum class Gesture { None, Tap, Drag, Scroll };
  Gesture gesture_ = Gesture::None;
  Point touchStart_;         // in the table's frame coordinates (content minus offset)
  double offsetAtStart_ = 0;
  std::optional<IndexPath> touchedRow_;
};

}  // namespace kestrel::ui
