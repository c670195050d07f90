#include "tools/kestrel/serve/SettingsScreen.h"

#include <algorithm>

#include "platform/settings/SettingsPaneView.h"
#include "platform/settings/SettingsRows.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TableView.h"

namespace kestrel::tool::serve {
namespace {

// The pane's rows grouped as SettingsPaneView groups them into the table's sections.
std::vector<std::vector<SettingsRow>> sectionsOf(PSListController& pane) {
  std::vector<std::vector<SettingsRow>> sections;
  for (auto& row : settingsRows(pane)) {
    if (row.type == PSCellType::Group || sections.empty()) {
      sections.emplace_back();
      if (row.type == PSCellType::Group) continue;
    }
    sections.back().push_back(std::move(row));
  }
  return sections;
}

// How SettingsRows names the row: its title, or GROUP/TITLE where titles repeat.
std::string nameOf(PSListController& pane, const SettingsRow& row) {
  size_t same = 0;
  for (const auto& other : settingsRows(pane))
    if (other.type != PSCellType::Group && other.title == row.title) ++same;
  return same > 1 && !row.group.empty() ? row.group + "/" + row.title : row.title;
}

SettingsScreen::Outcome outcomeOf(HostResult<std::string> result) {
  if (!result) return {false, result.error()};
  return {true, "changed " + *result};
}

}  // namespace

std::unique_ptr<SettingsScreen> SettingsScreen::open(const std::vector<std::string>& libraryPaths, std::string* why) {
  auto app = SettingsApplication::open(libraryPaths);
  if (!app) {
    *why = app.error();
    return nullptr;
  }
  auto screen = std::unique_ptr<SettingsScreen>(new SettingsScreen());
  screen->app_ = std::move(*app);
  auto roots = screen->rootPanes();
  if (roots.empty() || !screen->showPane(roots.front()).ok) {
    *why = "no settings pane opens";
    return nullptr;
  }
  return screen;
}

SettingsScreen::~SettingsScreen() {
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) it->pane->viewWillDisappear();
  stack_.clear();  // the panes hold the libraries' code; they go before the application
}

std::string SettingsScreen::path() const { return stack_.empty() ? std::string() : stack_.back().path; }

std::vector<std::string> SettingsScreen::rootPanes() const {
  std::vector<std::string> roots;
  for (const auto& entry : app_->panes())
    if (entry.path.find('/') == std::string::npos) roots.push_back(entry.path);
  return roots;
}

SettingsScreen::Drawn SettingsScreen::draw(double width, double scale) {
  auto view = SettingsPaneView::viewForPane(*stack_.back().pane, width);
  Drawn drawn;
  drawn.image = ui::renderViewToImage(*view, scale, view->backgroundColor());
  drawn.root = view;
  return drawn;
}

std::vector<std::string> SettingsScreen::texts() {
  std::vector<std::string> lines{stack_.back().pane->navigationTitle()};
  for (const auto& row : settingsRows(*stack_.back().pane)) {
    if (row.title.empty()) continue;
    lines.push_back(row.type == PSCellType::Group ? "[" + row.title + "]"
                    : row.value.empty()           ? row.title
                                                  : row.title + ": " + row.value);
  }
  return lines;
}

SettingsScreen::Outcome SettingsScreen::showPane(const std::string& path) {
  auto pane = app_->openPane(path);
  if (!pane) return {false, pane.error()};
  stopTyping();
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) it->pane->viewWillDisappear();
  stack_.clear();
  (*pane)->viewWillAppear();
  stack_.push_back({path, *pane});
  return {};
}

SettingsScreen::Outcome SettingsScreen::back() {
  if (stack_.size() < 2) return {false, "this is the first pane"};
  stopTyping();
  stack_.back().pane->viewWillDisappear();
  stack_.pop_back();
  stack_.back().pane->viewWillAppear();
  return {};
}

SettingsScreen::Outcome SettingsScreen::tap(const std::shared_ptr<ui::View>& root, ui::Point point) {
  auto view = std::dynamic_pointer_cast<SettingsPaneView>(root);
  if (!view || !view->tableView()) return {false, "the pane is not drawn"};
  ui::TableView& table = *view->tableView();
  const ui::Point inTable = table.convertPointFromView(point, root.get());
  auto indexPath = table.indexPathForRowAtPoint(inTable);
  if (!indexPath) return {true, {}};
  PSListController& pane = *stack_.back().pane;
  auto sections = sectionsOf(pane);
  if (indexPath->section < 0 || static_cast<size_t>(indexPath->section) >= sections.size()) return {true, {}};
  const auto& rows = sections[static_cast<size_t>(indexPath->section)];
  if (indexPath->row < 0 || static_cast<size_t>(indexPath->row) >= rows.size()) return {true, {}};
  const SettingsRow& row = rows[static_cast<size_t>(indexPath->row)];
  const std::string name = nameOf(pane, row);
  stopTyping();
  switch (row.type) {
    case PSCellType::Switch: return outcomeOf(settingsToggle(pane, name));
    case PSCellType::Button: return outcomeOf(settingsPress(pane, name));
    case PSCellType::LinkList: {
      auto titles = row.specifier->choiceTitles();
      auto values = row.specifier->choiceValues();
      const size_t count = std::min(titles.size(), values.size());
      if (count == 0) return {false, row.title + " offers no choices"};
      size_t next = 0;
      for (size_t i = 0; i < count; ++i)
        if (titles[i].asString() && *titles[i].asString() == row.value) next = (i + 1) % count;
      const std::string* title = titles[next].asString();
      return outcomeOf(settingsSet(pane, name, title ? *title : std::string()));
    }
    case PSCellType::EditText:
      typing_ = row.value;
      typingRow_ = name;
      return {true, "type the new " + row.title + ", then Return"};
    case PSCellType::Link:
      for (const auto& entry : app_->panes()) {
        const bool below = entry.path.rfind(stack_.back().path + "/", 0) == 0 &&
                           entry.path.find('/', stack_.back().path.size() + 1) == std::string::npos;
        if (entry.specifier != row.specifier && !(below && entry.title == row.title)) continue;
        auto child = app_->openPane(entry);
        if (!child) return {false, child.error()};
        stack_.back().pane->viewWillDisappear();
        (*child)->viewWillAppear();
        stack_.push_back({entry.path, *child});
        return {};
      }
      return {false, row.title + " opens no pane here"};
    case PSCellType::Group:
    case PSCellType::TitleValue:
    case PSCellType::StaticText: return {true, {}};
  }
  return {true, {}};
}

SettingsScreen::Outcome SettingsScreen::type(const std::string& text) {
  if (!typing_) return {false, "no text row has the keyboard"};
  if (typing_->size() + text.size() > kMaxTextBytes) return {false, "the text is too long"};
  *typing_ += text;
  return {true, typingRow_ + ": " + *typing_};
}

SettingsScreen::Outcome SettingsScreen::backspace() {
  if (!typing_) return {false, "no text row has the keyboard"};
  // Whole UTF-8 characters go.
  while (!typing_->empty()) {
    const unsigned char last = static_cast<unsigned char>(typing_->back());
    typing_->pop_back();
    if ((last & 0xC0) != 0x80) break;
  }
  return {true, typingRow_ + ": " + *typing_};
}

SettingsScreen::Outcome SettingsScreen::enter() {
  if (!typing_) return {false, "no text row has the keyboard"};
  const std::string text = *typing_;
  const std::string name = typingRow_;
  stopTyping();
  return outcomeOf(settingsSet(*stack_.back().pane, name, text));
}

void SettingsScreen::stopTyping() {
  typing_.reset();
  typingRow_.clear();
}

}  // namespace kestrel::tool::serve
