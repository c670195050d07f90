// FWDetailListEntry: one row of a drill-down page — its texts, its kind (plain, link, back
// link, button, switch, progress bar, check mark, draggable) and its look.
//
// Page delegates build entries with the factories and shape them with the chaining
// modifiers, each of which changes the entry and answers it again:
//   FWDetailListEntry::entryWithTitle("Notes")->withLinkType(PlistValue("-1"))->withNoBold()
// A new entry has the label size of the pages, unlimited lines (-1), the dark text colour
// and a white background. `value` and `key` are property-list values (none when absent):
// the second text or a control's state (a boolean for switches and check marks, a fraction
// for progress bars, the title of a button), and the row's identity for its delegate.
//
// Ownership: an entry owns its texts and shares its value, key, icon and accessory view;
// copyWithZone() makes a new entry of the same class that shares those objects with its source.
// REQUIRES: entries live in a std::shared_ptr (the factories make them so), since the
// modifiers answer shared_from_this().
//
// Threads: main thread only, like the pages that show them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWTypes.h"

namespace kestrel::ui {
class Image;
class View;
}  // namespace kestrel::ui

class FWDetailListEntry : public std::enable_shared_from_this<FWDetailListEntry> {
 public:
  using Image = std::shared_ptr<kestrel::ui::Image>;
  using View = std::shared_ptr<kestrel::ui::View>;

  FWDetailListEntry();
  FWDetailListEntry(const FWDetailListEntry&) = default;
  FWDetailListEntry& operator=(const FWDetailListEntry&) = default;
  virtual ~FWDetailListEntry() = default;

  // ---- Construction -------------------------------------------------------------------
  static Ref<FWDetailListEntry> entryWithTitle(std::optional<std::string> title);
  static Ref<FWDetailListEntry> entryWithTitle(std::optional<std::string> title, PlistValue value);
  // The title is the bundle's text for `key`, the key itself where the bundle has none.
  static Ref<FWDetailListEntry> entryWithLocalisedTitle(const std::string& key, const Ref<Bundle>& bundle);
  static Ref<FWDetailListEntry> entryWithLocalisedTitle(const std::string& key, PlistValue value,
                                                        const Ref<Bundle>& bundle);
  // Both the title and the value are looked up.
  static Ref<FWDetailListEntry> entryWithLocalisedTitleLocalisedValue(const std::string& key,
                                                                      const std::string& localisedValue,
                                                                      const Ref<Bundle>& bundle);

  // A new entry of the same class with all fields of this one; objects are shared.
  virtual Ref<FWDetailListEntry> copyWithZone() const;

  // ---- Chaining modifiers -------------------------------------------------------------
  Ref<FWDetailListEntry> withLinkType(PlistValue key);
  Ref<FWDetailListEntry> withBackLinkType(PlistValue key);
  Ref<FWDetailListEntry> withButtonType(PlistValue key);
  Ref<FWDetailListEntry> withDraggableType(PlistValue key);
  Ref<FWDetailListEntry> withProgressType();
  Ref<FWDetailListEntry> withKey(PlistValue key);
  Ref<FWDetailListEntry> withValue(PlistValue value);
  Ref<FWDetailListEntry> withSize(double size);
  Ref<FWDetailListEntry> withLines(int32_t lines);
  Ref<FWDetailListEntry> withColor(Color color);
  Ref<FWDetailListEntry> withBackgroundColor(Color color);
  Ref<FWDetailListEntry> withClearBackground();
  Ref<FWDetailListEntry> withNoBold();
  Ref<FWDetailListEntry> withIcon(Image icon);
  // The PNG at a local file path; no icon (and a log line) when it cannot be read.
  Ref<FWDetailListEntry> withIconFile(const std::string& path);
  Ref<FWDetailListEntry> withAccessoryView(View view);
  // The accessory also takes the page's detail text colour.
  Ref<FWDetailListEntry> withColorAccessoryView(View view);

  // ---- Kinds and sizes ----------------------------------------------------------------
  // A progress bar, switch, button, check mark, link or back link.
  bool isControl() const;
  // The title size of a page's heading entry: label size + 3 on a phone, twice it on a tablet.
  static double fontSizeForTitle();

  // ---- Properties ---------------------------------------------------------------------
  const Image& icon() const { return icon_; }
  void setIcon(Image icon) { icon_ = std::move(icon); }
  bool isLink() const { return link_; }
  void setLink(bool link) { link_ = link; }
  double size() const { return size_; }
  void setSize(double size) { size_ = size; }
  const Color& color() const { return color_; }
  void setColor(Color color) { color_ = color; }
  int32_t lines() const { return lines_; }
  void setLines(int32_t lines) { lines_ = lines; }
  const std::optional<std::string>& title() const { return title_; }
  void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
  // None when the entry has no value.
  const PlistValue& value() const;
  void setValue(PlistValue value);
  const std::optional<std::string>& info() const { return info_; }
  void setInfo(std::optional<std::string> info) { info_ = std::move(info); }
  bool isButton() const { return button_; }
  void setButton(bool button) { button_ = button; }
  const std::optional<std::string>& message() const { return message_; }
  void setMessage(std::optional<std::string> message) { message_ = std::move(message); }
  bool isNotBold() const { return notBold_; }
  void setNotBold(bool notBold) { notBold_ = notBold; }
  bool isBackLink() const { return backLink_; }
  void setBackLink(bool backLink) { backLink_ = backLink; }
  bool isProgress() const { return progress_; }
  void setProgress(bool progress) { progress_ = progress; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected) { selected_ = selected; }
  bool isSwitcher() const { return switcher_; }
  void setSwitcher(bool switcher) { switcher_ = switcher; }
  bool isDraggable() const { return draggable_; }
  void setDraggable(bool draggable) { draggable_ = draggable; }
  const Color& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(Color color) { backgroundColor_ = color; }
  // None when the entry has no key.
  const PlistValue& key() const;
  void setKey(PlistValue key);
  const View& accessoryView() const { return accessoryView_; }
  void setAccessoryView(View view) { accessoryView_ = std::move(view); }
  bool isColorAccessory() const { return colorAccessory_; }
  void setColorAccessory(bool colorAccessory) { colorAccessory_ = colorAccessory; }

  // "<FWDetailListEntry: 0x...; title = ...; ...>", absent values as "(null)".
  std::string description() const;

 private:
  Ref<FWDetailListEntry> self() { return shared_from_this(); }

  Image icon_;
  bool link_ = false;
  double size_;
  Color color_ = Color::darkTextColor();
  int32_t lines_ = -1;
  std::optional<std::string> title_;
  std::shared_ptr<const PlistValue> value_;
  std::optional<std::string> info_;
  bool button_ = false;
  std::optional<std::string> message_;
  bool notBold_ = false;
  bool backLink_ = false;
  bool progress_ = false;
  bool selected_ = false;
  bool switcher_ = false;
  bool draggable_ = false;
  Color backgroundColor_ = Color::whiteColor();
  std::shared_ptr<const PlistValue> key_;
  View accessoryView_;
  bool colorAccessory_ = false;
};

using FWDetailListEntries = std::vector<Ref<FWDetailListEntry>>;
