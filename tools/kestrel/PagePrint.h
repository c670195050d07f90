// PagePrint: the detail page the host shows, found through the view toolkit's own classes
// (the page itself lives in the plug-in), and printed as a person reads it.
//
// The page's parts are the first navigation bar, table and visible text view in the shown
// view's tree. As text: the bar (its buttons in brackets, the up/down control's segments
// with ": off" when disabled), then either the text page, or each section's title and its
// rows — title, ": " and the value, or the row's message — with the row's kind in
// parentheses (link, switch on/off, button, progress, checked). Rows out of sight are
// included. Then the tool bar's buttons, when it shows, as "  tools: [..]" (an image button
// by its action's name), and a message bubble over the page as "  popup: TEXT".
// Main thread only.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/HostEngine.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"

namespace kestrel::tool {

struct ShownPage {
  std::shared_ptr<ui::View> root;
  std::shared_ptr<ui::NavigationBar> bar;
  std::shared_ptr<ui::TableView> table;      // none, or hidden on a text page
  std::shared_ptr<ui::TextView> text;        // shown on a text page
};

// None when the host shows no page.
std::optional<ShownPage> shownPage(HostEngine& engine);
std::string pageAsText(const ShownPage& page);
// A header line like the section's ("== open 1"), then the page.
void printPageStep(std::FILE* out, const ShownPage& page, const std::string& what);

}  // namespace kestrel::tool
