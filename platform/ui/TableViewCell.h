// TableViewCell: one row of a table — an image, a title, a value text and an accessory at
// the end, with the editing controls a table puts on its rows.
//
// Layout, left to right: the delete control (kEditingControlWidth, while editing with it
// shown; rows without it keep that room only when they indent), then the content view: kContentInset, the image at its own size,
// kImageGap, the title and the value. With a value text the title takes its natural width
// as far as titleWidthBesideValue allows (a short value leaves a long title whole, a long
// value keeps at least a third), and the value the rest after kTitleValueGap; without one the
// title takes it all. Then the accessory (its view, or the drawn check mark or disclosure
// arrow; none while editing) kAccessoryInset from the end, then the move handle
// (kReorderControlWidth, while editing with it shown), then the "Delete" confirmation when
// it is up. Labels are centred vertically and take the lines they are given.
//
// Grouped tables give each cell its place in its section (groupPosition), and the cell
// draws its plate: rounded at the top of the first row and the bottom of the last, a
// separator under the others, in `cellBackgroundColor` (white when none), lit blue while
// selected. The content view and its labels take no touches: a finger anywhere but on an
// interactive accessory reaches the cell, which hands it to its table.
//
// Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

enum class TableViewCellAccessoryType { None, DisclosureIndicator, Checkmark };
enum class TableViewCellGroupPosition { None, Single, Top, Middle, Bottom };

class TableViewCell : public View {
 public:
  static constexpr double kContentInset = 10;
  static constexpr double kImageGap = 8;
  static constexpr double kTitleValueGap = 6;
  static constexpr double kAccessoryInset = 10;
  static constexpr double kEditingControlWidth = 32;
  static constexpr double kReorderControlWidth = 32;
  static constexpr double kDeleteConfirmationWidth = 64;
  static constexpr double kCornerRadius = 8;

  explicit TableViewCell(std::string reuseIdentifier = {});

  // The title's width beside a value in `available` points, from both texts' natural
  // widths: its own when both fit; else the room a value shorter than half the row leaves,
  // or at most two thirds beside a value that wraps anyway.
  static double titleWidthBesideValue(double titleWidth, double valueWidth, double available);

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  const std::shared_ptr<View>& contentView() const { return contentView_; }
  const std::shared_ptr<Label>& textLabel() const { return textLabel_; }
  const std::shared_ptr<Label>& detailTextLabel() const { return detailTextLabel_; }
  const std::shared_ptr<ImageView>& imageView() const { return imageView_; }

  TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(TableViewCellAccessoryType type);
  // A view at the row's end in place of the accessory type; none removes it.
  const std::shared_ptr<View>& accessoryView() const { return accessoryView_; }
  void setAccessoryView(const std::shared_ptr<View>& view);

  const std::optional<Color>& cellBackgroundColor() const { return cellBackgroundColor_; }
  void setCellBackgroundColor(const std::optional<Color>& color);
  TableViewCellGroupPosition groupPosition() const { return groupPosition_; }
  void setGroupPosition(TableViewCellGroupPosition position);
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);

  // Editing, as the table sets it for the row.
  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool showsDeleteControl, bool showsReorderControl, bool indents);
  bool showsDeleteControl() const { return editing_ && showsDeleteControl_; }
  bool showsReorderControl() const { return editing_ && showsReorderControl_; }
  bool isShowingDeleteConfirmation() const { return showingDeleteConfirmation_; }
  void setShowingDeleteConfirmation(bool showing);
  // In the cell's bounds; empty when the control is not shown.
  Rect deleteControlRect() const;
  Rect reorderControlRect() const;
  Rect deleteConfirmationRect() const;
  // Where the accessory sits (view or drawn), from the last layout.
  Rect accessoryRect() const { return accessoryRect_; }

  // Clears what a previous row left before the cell is used again.
  virtual void prepareForReuse();

  void layoutSubviews() override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;
  std::shared_ptr<View> hitTest(Point point) override;
  void touchesBegan(const std::vector<Touch>& touches) override;
  void touchesMoved(const std::vector<Touch>& touches) override;
  void touchesEnded(const std::vector<Touch>& touches) override;
  void touchesCancelled(const std::vector<Touch>& touches) override;

 private:
  std::vector<Touch> touchesInSuperview(const std::vector<Touch>& touches) const;
  Size drawnAccessorySize() const;

  std::string reuseIdentifier_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_;
  std::shared_ptr<Label> detailTextLabel_;
  std::shared_ptr<ImageView> imageView_;
  TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
  std::shared_ptr<View> accessoryView_;
  std::optional<Color> cellBackgroundColor_;
  TableViewCellGroupPosition groupPosition_ = TableViewCellGroupPosition::None;
  bool selected_ = false;
  bool editing_ = false;
  bool showsDeleteControl_ = false;
  bool showsReorderControl_ = false;
  bool indentsWhileEditing_ = true;
  bool showingDeleteConfirmation_ = false;
  Rect accessoryRect_;
};

}  // namespace kestrel::ui
