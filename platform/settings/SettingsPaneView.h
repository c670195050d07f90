// SettingsPaneView: a settings pane as the Settings application draws it — the navigation
// bar with the pane's title over a grouped table: group headers and footers, switches at
// the row's end, a choice list's current title and a text field's text on the right with a
// disclosure arrow where a touch opens a list, buttons centred. The view is as tall as the
// whole pane, so a picture shows every row. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/settings/PSListController.h"
#include "platform/settings/SettingsRows.h"
#include "platform/ui/TableView.h"
#include "platform/ui/View.h"

namespace kestrel {

class SettingsPaneView : public ui::View, public ui::TableViewDataSource {
 public:
  static constexpr double kFooterFontSize = 14;
  static constexpr double kRowFontSize = 15;

  // Reads the pane's rows now; make a new view to show later changes.
  static std::shared_ptr<SettingsPaneView> viewForPane(PSListController& pane, double width);

  SettingsPaneView(const ui::Rect& frame) : ui::View(frame) {}
  const std::shared_ptr<ui::TableView>& tableView() const { return table_; }

  int numberOfSections(ui::TableView& table) override { return static_cast<int>(sections_.size()); }
  int numberOfRows(ui::TableView& table, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath indexPath) override;
  std::optional<std::string> titleForHeader(ui::TableView& table, int section) override;
  double heightForFooter(ui::TableView& table, int section) override;
  std::shared_ptr<ui::View> viewForFooter(ui::TableView& table, int section) override;

 private:
  struct Section {
    std::string title;
    std::string footer;
    std::vector<SettingsRow> rows;
  };
  std::shared_ptr<ui::Label> footerLabel(int section) const;

  std::vector<Section> sections_;
  std::shared_ptr<ui::TableView> table_;
};

// Draws the pane to a PNG, written atomically; false (logged) when it cannot be written.
bool renderSettingsPane(PSListController& pane, const std::string& path, double width = 320, double scale = 2);

}  // namespace kestrel
