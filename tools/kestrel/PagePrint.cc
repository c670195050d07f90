#include "tools/kestrel/PagePrint.h"

#include "platform/foundation/Format.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewAnimation.h"
#include "tools/kestrel/CommandLine.h"

namespace kestrel::tool {
namespace {

template <class T>
std::shared_ptr<T> findView(const std::shared_ptr<ui::View>& view, bool visibleOnly) {
  if (!view || (visibleOnly && view->isHidden())) return nullptr;
  if (auto typed = std::dynamic_pointer_cast<T>(view)) return typed;
  for (const auto& sub : view->subviews())
    if (auto found = findView<T>(sub, visibleOnly)) return found;
  return nullptr;
}

std::string button(const std::shared_ptr<ui::BarButtonItem>& item) {
  if (!item || item->isSpace()) return {};
  if (item->kind() == ui::BarButtonItem::Kind::CustomView) {
    auto control = std::dynamic_pointer_cast<ui::SegmentedControl>(item->customView());
    if (!control || control->numberOfSegments() != 2) return {};
    return KSFormat("[up%s] [down%s]", control->isEnabled(0) ? "" : ": off", control->isEnabled(1) ? "" : ": off");
  }
  std::string name = item->title().empty() ? item->actionName() : item->title();
  return "[" + name + (item->isEnabled() ? "" : ": off") + "]";
}

// A label of the cell's content other than its title and value: the message of a row.
std::string messageOf(const ui::TableViewCell& cell) {
  for (const auto& sub : cell.contentView()->subviews()) {
    auto label = std::dynamic_pointer_cast<ui::Label>(sub);
    if (!label || label == cell.textLabel() || label == cell.detailTextLabel() || label->isHidden()) continue;
    if (!label->text().empty()) return label->text();
  }
  return {};
}

std::string kindOf(const ui::TableViewCell& cell) {
  const auto& accessory = cell.accessoryView();
  if (auto control = std::dynamic_pointer_cast<ui::Switch>(accessory)) return control->isOn() ? "switch on" : "switch off";
  if (auto control = std::dynamic_pointer_cast<ui::Button>(accessory)) return "button " + control->title();
  if (auto bar = std::dynamic_pointer_cast<ui::ProgressView>(accessory))
    return KSFormat("progress %.0f%%", 100 * bar->progress());
  if (std::dynamic_pointer_cast<ui::ImageView>(accessory)) return "link";
  if (cell.accessoryType() == ui::TableViewCellAccessoryType::Checkmark) return "checked";
  std::string kind;
  if (cell.showsReorderControl()) kind = "movable";
  if (cell.showsDeleteControl()) kind += kind.empty() ? "deletable" : ", deletable";
  return kind;
}

std::string rowsAsText(ui::TableView& table) {
  std::string out;
  // Every row in sight at once: the table as tall as its content, then as it was.
  const ui::Rect frame = table.frame();
  const ui::Point offset = table.contentOffset();
  table.setFrame({frame.origin, {frame.width(), std::max(frame.height(), table.contentSize().height)}});
  table.layoutIfNeeded();
  for (int s = 0; s < table.numberOfSections(); ++s) {
    if (auto header = std::dynamic_pointer_cast<ui::Label>(table.headerViewForSection(s)); header && !header->text().empty())
      out += "  " + printable(header->text()) + "\n";
    for (int r = 0; r < table.numberOfRowsInSection(s); ++r) {
      auto cell = table.cellForRowAtIndexPath({s, r});
      if (!cell) continue;
      std::string line = messageOf(*cell);
      if (line.empty()) {
        line = cell->textLabel()->text();
        if (!cell->detailTextLabel()->text().empty()) line += ": " + cell->detailTextLabel()->text();
      }
      std::string kind = kindOf(*cell);
      out += "    " + printable(line) + (kind.empty() ? "" : " (" + kind + ")") + "\n";
    }
  }
  table.setFrame(frame);
  table.setContentOffset(offset);
  return out;
}

}  // namespace

std::optional<ShownPage> shownPage(HostEngine& engine) {
  auto root = engine.plugin().currentPreview();
  if (!root) return std::nullopt;
  ShownPage page{root, findView<ui::NavigationBar>(root, true), findView<ui::TableView>(root, true),
                 findView<ui::TextView>(root, true)};
  return page;
}

std::string pageAsText(const ShownPage& page) {
  std::string out;
  if (page.bar) {
    auto top = page.bar->topItem();
    std::string line;
    if (top && top->leftBarButtonItem()) line += button(top->leftBarButtonItem()) + " ";
    else if (page.bar->backButtonItem()) line += "[< " + page.bar->backButtonItem()->title() + "] ";
    line += top ? top->title() : std::string();
    if (top && top->rightBarButtonItem()) line += " " + button(top->rightBarButtonItem());
    out += printable(line) + "\n";
  }
  if (page.text) {
    out += page.text->text() + "\n";
  } else if (page.table) {
    out += rowsAsText(*page.table);
  }
  if (auto toolbar = findView<ui::Toolbar>(page.root, true)) {
    std::string tools;
    for (const auto& item : toolbar->items()) {
      std::string shown = button(item);
      if (!shown.empty()) tools += (tools.empty() ? "" : " ") + shown;
    }
    if (!tools.empty()) out += "  tools: " + printable(tools) + "\n";
  }
  if (auto bubble = ui::shownBubbleText(*page.root)) out += "  popup: " + printable(*bubble) + "\n";
  return out;
}

void printPageStep(std::FILE* out, const ShownPage& page, const std::string& what) {
  std::fprintf(out, "== %s (page)\n%s", printable(what).c_str(), pageAsText(page).c_str());
}

}  // namespace kestrel::tool
