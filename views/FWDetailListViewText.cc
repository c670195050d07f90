// FWDetailListView: the page as a person reads it, for hosts that print pages as text.
#include <string>

#include "views/FWDetailListView.h"

namespace {

std::string barButton(const std::shared_ptr<kestrel::ui::BarButtonItem>& item) {
  if (!item || item->isSpace() || item->kind() == kestrel::ui::BarButtonItem::Kind::CustomView) return {};
  if (!item->isEnabled()) return "[" + (item->title().empty() ? item->actionName() : item->title()) + ": off]";
  return "[" + (item->title().empty() ? item->actionName() : item->title()) + "]";
}

// What kind of row an entry is, as the page shows it.
std::string kindOf(const FWDetailListEntry& entry) {
  if (entry.isLink()) return "link";
  if (entry.isBackLink()) return "back";
  if (entry.isButton()) return "button";
  if (entry.isSwitcher()) return "switch";
  if (entry.isProgress()) return "progress";
  if (entry.isSelected()) return "check";
  if (entry.message() && !entry.isControl()) return "message";
  return {};
}

std::string valueOf(const FWDetailListEntry& entry) {
  const PlistValue& value = entry.value();
  if (entry.isSwitcher()) return value.boolValue().value_or(false) ? "on" : "off";
  if (entry.isSelected()) return value.boolValue().value_or(false) ? "checked" : "unchecked";
  if (entry.isProgress()) return KSFormat("%.0f%%", 100 * value.doubleValue().value_or(0));
  return value.isNone() ? std::string() : value.description();
}

}  // namespace

std::string FWDetailListView::pageText() const {
  std::string out;
  auto top = navBar_->topItem();
  std::string bar;
  if (top) {
    std::string left = barButton(top->leftBarButtonItem());
    if (!left.empty()) bar += left + " ";
    else if (auto back = navBar_->backButtonItem()) bar += "[< " + back->title() + "] ";
    bar += top->title();
    std::string right = barButton(top->rightBarButtonItem());
    if (!right.empty()) bar += " " + right;
  }
  if (navControl_ && linkStack_.empty()) {
    bar += KSFormat(" [up%s] [down%s]", navControl_->isEnabled(0) ? "" : ": off",
                    navControl_->isEnabled(1) ? "" : ": off");
  }
  out += bar + "\n";
  if (!textView_->isHidden()) {
    out += textView_->text() + "\n";
  } else if (accessoryView_) {
    out += "(" + accessoryView_->className() + ")\n";
  } else {
    for (const auto& section : sections_) {
      if (section->title() && !section->title()->empty()) out += "  " + *section->title() + "\n";
      for (const auto& entry : section->entries()) {
        std::string line = "    ";
        if (entry->message() && !entry->isControl()) {
          line += *entry->message();
        } else {
          line += entry->title().value_or(std::string());
          std::string value = valueOf(*entry);
          if (!value.empty()) line += ": " + value;
        }
        if (entry->info() && !entry->info()->empty()) line += " <" + *entry->info() + ">";
        std::string kind = kindOf(*entry);
        if (entry->isDraggable()) kind += kind.empty() ? "draggable" : ", draggable";
        if (!kind.empty()) line += " (" + kind + ")";
        out += line + "\n";
      }
    }
  }
  if (!toolbarHidden_) {
    std::string tools;
    for (const auto& item : toolbar_->items()) {
      std::string shown = barButton(item);
      if (!shown.empty()) tools += (tools.empty() ? "" : " ") + shown;
    }
    if (!tools.empty()) out += "  tools: " + tools + "\n";
  }
  if (auto shown = popup()) out += "  popup: " + shown->text() + "\n";
  return out;
}
