// SectionActor: editing a page's rows as a finger does — the delete control and its Delete
// button, and a drag by the move handle.
#include <algorithm>
#include <optional>
#include <vector>

#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/SectionActor.h"

namespace kestrel::tool {
namespace {

std::string nameOf(const ActStep::PageRow& row) {
  return row.section == 0 ? "row " + std::to_string(row.row)
                          : "row " + std::to_string(row.section) + "." + std::to_string(row.row);
}

// The table as tall as its content while a step works on it, so that every row has its
// cell; the frame and scroll offset come back afterwards.
class StretchedTable {
 public:
  explicit StretchedTable(ui::TableView& table) : table_(table), frame_(table.frame()), offset_(table.contentOffset()) {
    stretch();
  }
  ~StretchedTable() {
    table_.setFrame(frame_);
    table_.setContentOffset(offset_);
  }
  void stretch() {
    table_.setFrame({frame_.origin, {frame_.width(), std::max(frame_.height(), table_.contentSize().height)}});
    table_.layoutIfNeeded();
  }

 private:
  ui::TableView& table_;
  ui::Rect frame_;
  ui::Point offset_;
};

// The table's place for `row`; `endAllowed` admits the place after a section's last row.
std::optional<ui::IndexPath> resolve(const ui::TableView& table, const ActStep::PageRow& row, bool endAllowed) {
  if (row.section == 0) {
    int left = row.row;
    for (int s = 0; s < table.numberOfSections(); ++s) {
      const int rows = table.numberOfRowsInSection(s);
      if (left <= rows) return ui::IndexPath{s, left - 1};
      left -= rows;
    }
    return std::nullopt;
  }
  const int s = row.section - 1;
  if (s >= table.numberOfSections()) return std::nullopt;
  const int rows = table.numberOfRowsInSection(s);
  if (row.row > rows + (endAllowed ? 1 : 0)) return std::nullopt;
  return ui::IndexPath{s, row.row - 1};
}

// Where a finger lets go to drop a row at `place`: on the upper part of the row now there,
// low on a section's last row for its end, on the header of an empty section.
ui::Point dropPoint(const ui::TableView& table, ui::IndexPath place) {
  const double x = table.bounds().width() / 2;
  const int rows = table.numberOfRowsInSection(place.section);
  if (place.row < rows) return {x, table.rectForRowAtIndexPath(place).minY() + 1};
  if (rows > 0) return {x, table.rectForRowAtIndexPath({place.section, rows - 1}).maxY() - 1};
  const ui::Rect header = table.rectForHeaderInSection(place.section);
  if (header.height() > 0) return {x, header.midY()};
  return {x, table.rectForFooterInSection(place.section).midY()};
}

void touch(ui::TableView& table, ui::Point from, ui::Point to) {
  const std::vector<ui::Touch> down{{from, 1}};
  const std::vector<ui::Touch> up{{to, 1}};
  table.touchesBegan(down);
  if (from.x != to.x || from.y != to.y) table.touchesMoved(up);
  table.touchesEnded(up);
}

// Every row's title in order, to tell whether a drop changed the page.
std::vector<std::string> rowTitles(const ui::TableView& table) {
  std::vector<std::string> titles;
  for (int s = 0; s < table.numberOfSections(); ++s) {
    titles.push_back("§");
    for (int r = 0; r < table.numberOfRowsInSection(s); ++r) {
      auto cell = table.cellForRowAtIndexPath({s, r});
      titles.push_back(cell ? cell->textLabel()->text() : std::string());
    }
  }
  return titles;
}

// What both editing steps start with: the open page's table, stretched so that every row has
// its cell, and the place of the step's row. `edit` touches and answers why the step failed,
// or none when the page took the edit.
template <class Edit>
std::optional<StepOutcome> editPageRow(HostEngine& engine, const ActStep& step, Edit edit) {
  auto page = shownPage(engine);
  if (!page) return failed(kExitUsage, step, "no page is open (open one with open N)");
  if (!page->table || page->table->isHidden()) return failed(kExitUsage, step, "the page shows no rows");
  ui::TableView& table = *page->table;
  StretchedTable stretched(table);
  auto from = resolve(table, step.from, false);
  if (!from) return failed(kExitUsage, step, "the page has no " + nameOf(step.from));
  return edit(table, stretched, *from);
}

}  // namespace

StepOutcome SectionActor::deletePageRow(const ActStep& step) {
  const auto threads = threadIds();
  auto refused = editPageRow(engine_, step, [&step](ui::TableView& table, StretchedTable&, ui::IndexPath path)
                                                -> std::optional<StepOutcome> {
    auto cell = table.cellForRowAtIndexPath(path);
    if (!cell || !cell->showsDeleteControl())
      return failed(kExitUsage, step, "the page's " + nameOf(step.from) + " has no delete control");
    const ui::Point control = cell->convertPointToView(cell->deleteControlRect().center(), &table);
    touch(table, control, control);
    if (!cell->isShowingDeleteConfirmation())
      return failed(kExitFailure, step, "the delete control did not bring up the Delete button");
    const ui::Point confirm = cell->convertPointToView(cell->deleteConfirmationRect().center(), &table);
    const int before = table.numberOfRowsInSection(path.section);
    touch(table, confirm, confirm);
    if (table.numberOfRowsInSection(path.section) == before) return failed(kExitFailure, step, "the row was not deleted");
    return std::nullopt;
  });
  return refused ? *refused : settled(step, threads);
}

StepOutcome SectionActor::movePageRow(const ActStep& step) {
  const auto threads = threadIds();
  auto refused = editPageRow(engine_, step, [&step](ui::TableView& table, StretchedTable& stretched, ui::IndexPath from)
                                                -> std::optional<StepOutcome> {
    auto to = resolve(table, step.to, true);
    if (!to) return failed(kExitUsage, step, "the page has no " + nameOf(step.to) + " to drop on");
    auto cell = table.cellForRowAtIndexPath(from);
    if (!cell || !cell->showsReorderControl())
      return failed(kExitUsage, step, "the page's " + nameOf(step.from) + " has no move handle");
    const auto before = rowTitles(table);
    touch(table, cell->convertPointToView(cell->reorderControlRect().center(), &table), dropPoint(table, *to));
    stretched.stretch();
    if (rowTitles(table) == before) return failed(kExitFailure, step, "the row went back to its place");
    return std::nullopt;
  });
  return refused ? *refused : settled(step, threads);
}

}  // namespace kestrel::tool
