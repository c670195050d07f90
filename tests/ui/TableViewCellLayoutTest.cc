// Where a table cell puts its title and value: a short value leaves a long title whole; a
// value that wraps anyway leaves the title two thirds of the row.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/Font.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {
namespace {

std::shared_ptr<TableViewCell> laidOutCell(const std::string& title, const std::string& value) {
  auto cell = std::make_shared<TableViewCell>("row");
  cell->setFrame({0, 0, 300, 44});
  cell->textLabel()->setFont(Font::boldSystemFontOfSize(15));
  cell->detailTextLabel()->setFont(Font::systemFontOfSize(15));
  cell->textLabel()->setText(title);
  cell->detailTextLabel()->setText(value);
  cell->layoutSubviews();
  return cell;
}

double naturalWidth(const Label& label) { return std::ceil(sizeWithFont(label.text(), *label.font()).width); }

TEST(TableViewCellLayout, AShortValueLeavesALongTitleWhole) {
  auto cell = laidOutCell("Items With Details Counted", "5");
  const Rect title = cell->textLabel()->frame();
  EXPECT_GT(title.width(), cell->contentView()->bounds().width() / 2);
  EXPECT_GE(title.width(), naturalWidth(*cell->textLabel()));
  const Rect value = cell->detailTextLabel()->frame();
  EXPECT_GE(value.x(), title.maxX());
  EXPECT_GE(value.width(), naturalWidth(*cell->detailTextLabel()));
  EXPECT_LE(value.maxX(), cell->contentView()->bounds().width());
}

TEST(TableViewCellLayout, AValueThatWrapsAnywayLeavesTheTitleTwoThirdsAndAShortTitleItsOwnWidth) {
  auto crowded = laidOutCell("A title far too long to share its row", "a value far too long to share its row");
  const double available = crowded->contentView()->bounds().width() - 2 * TableViewCell::kContentInset;
  EXPECT_DOUBLE_EQ(crowded->textLabel()->frame().width(), available * 2 / 3);

  auto shortTitle = laidOutCell("DST", "a value far too long to share its row with anything");
  EXPECT_DOUBLE_EQ(shortTitle->textLabel()->frame().width(), naturalWidth(*shortTitle->textLabel()));
}

}  // namespace
}  // namespace kestrel::ui
