#include "platform/settings/SettingsPaneView.h"

#include "platform/ui/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Switch.h"

namespace kestrel {
namespace {

const Color kTableBackground = Color::rgba(0.86, 0.88, 0.91);
const Color kValueBlue = Color::rgba(0.22, 0.33, 0.53);
const Color kFooterGrey = Color::rgba(0.30, 0.34, 0.42);
constexpr double kFooterInset = 20;
constexpr double kFooterGap = 6;

}  // namespace

std::shared_ptr<SettingsPaneView> SettingsPaneView::viewForPane(PSListController& pane, double width) {
  auto view = std::make_shared<SettingsPaneView>(ui::Rect{0, 0, width, 100});
  view->setBackgroundColor(kTableBackground);
  for (auto& row : settingsRows(pane)) {
    if (row.type == PSCellType::Group || view->sections_.empty()) {
      view->sections_.push_back({});
      if (row.type == PSCellType::Group) {
        view->sections_.back().title = row.title;
        view->sections_.back().footer = row.footer;
        continue;
      }
    }
    view->sections_.back().rows.push_back(std::move(row));
  }

  auto bar = std::make_shared<ui::NavigationBar>(ui::Rect{0, 0, width, ui::NavigationBar::kDefaultHeight});
  bar->setItems({std::make_shared<ui::NavigationItem>(pane.navigationTitle())});
  view->addSubview(bar);

  // Laid out once at full height, then cut to what the rows take.
  const double top = ui::NavigationBar::kDefaultHeight;
  view->table_ = std::make_shared<ui::TableView>(ui::Rect{0, top, width, 20000}, ui::TableViewStyle::Grouped);
  view->table_->setBackgroundColor(kTableBackground);
  view->table_->setDataSource(view.get());
  view->table_->reloadData();
  double height = view->table_->contentSize().height + ui::TableView::kDefaultSectionMargin;
  view->table_->setFrame({0, top, width, height});
  view->table_->reloadData();
  view->addSubview(view->table_);
  view->setFrame({0, 0, width, top + height});
  return view;
}

int SettingsPaneView::numberOfRows(ui::TableView&, int section) {
  return static_cast<int>(sections_[static_cast<size_t>(section)].rows.size());
}

std::optional<std::string> SettingsPaneView::titleForHeader(ui::TableView&, int section) {
  const std::string& title = sections_[static_cast<size_t>(section)].title;
  if (title.empty()) return std::nullopt;
  return title;
}

std::shared_ptr<ui::Label> SettingsPaneView::footerLabel(int section) const {
  const std::string& footer = sections_[static_cast<size_t>(section)].footer;
  if (footer.empty()) return nullptr;
  double width = std::max(0.0, bounds().width() - 2 * kFooterInset);
  auto label = std::make_shared<ui::Label>(ui::Rect{kFooterInset, kFooterGap, width, 10});
  label->setText(footer);
  label->setFont(ui::Font::systemFontOfSize(kFooterFontSize));
  label->setTextColor(kFooterGrey);
  label->setTextAlignment(ui::TextAlignment::Center);
  label->setNumberOfLines(0);
  ui::Size fits = label->sizeThatFits({width, 1000});
  label->setFrame({kFooterInset, kFooterGap, width, fits.height});
  return label;
}

double SettingsPaneView::heightForFooter(ui::TableView&, int section) {
  auto label = footerLabel(section);
  return label ? label->frame().height() + 2 * kFooterGap : -1;
}

std::shared_ptr<ui::View> SettingsPaneView::viewForFooter(ui::TableView&, int section) {
  auto label = footerLabel(section);
  if (!label) return nullptr;
  auto holder = std::make_shared<ui::View>(ui::Rect{0, 0, bounds().width(), label->frame().height() + 2 * kFooterGap});
  holder->addSubview(label);
  return holder;
}

std::shared_ptr<ui::TableViewCell> SettingsPaneView::cellForRow(ui::TableView&, ui::IndexPath indexPath) {
  const SettingsRow& row =
      sections_[static_cast<size_t>(indexPath.section)].rows[static_cast<size_t>(indexPath.row)];
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->textLabel()->setText(row.title);
  cell->textLabel()->setFont(ui::Font::boldSystemFontOfSize(kRowFontSize));
  switch (row.type) {
    case PSCellType::Switch: {
      auto control = std::make_shared<ui::Switch>();
      control->setOn(row.value == "on");
      control->setEnabled(static_cast<bool>(row.specifier->setter));
      cell->setAccessoryView(control);
      break;
    }
    case PSCellType::LinkList:
    case PSCellType::EditText:
    case PSCellType::TitleValue:
      cell->detailTextLabel()->setText(row.value);
      cell->detailTextLabel()->setTextColor(kValueBlue);
      cell->detailTextLabel()->setTextAlignment(ui::TextAlignment::Right);
      if (row.type == PSCellType::LinkList)
        cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
      break;
    case PSCellType::Link:
      cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
      break;
    case PSCellType::Button:
      cell->textLabel()->setTextAlignment(ui::TextAlignment::Center);
      cell->textLabel()->setTextColor(kValueBlue);
      break;
    case PSCellType::StaticText:
      cell->textLabel()->setFont(ui::Font::systemFontOfSize(15));
      cell->textLabel()->setNumberOfLines(2);
      break;
    case PSCellType::Group:
      break;
  }
  return cell;
}

bool renderSettingsPane(PSListController& pane, const std::string& path, double width, double scale) {
  auto view = SettingsPaneView::viewForPane(pane, width);
  return ui::renderViewToPNG(*view, path, scale, kTableBackground);
}

}  // namespace kestrel
