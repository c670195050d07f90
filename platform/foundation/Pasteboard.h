// Pasteboard: named pasteboards shared by every process on the device.
//
// A pasteboard holds an ordered list of items; an item maps a type name ("public.url",
// "title") to a value, usually data, a string or a number. Each pasteboard is one property
// list under kDeviceFolder: {changeCount, persistent, items}. Every change of the
// items adds 1 to the change count, which other processes see on their next call. A new
// pasteboard starts at 0; the count starts again when a pasteboard is removed, or when its
// file was damaged and is written afresh.
//
// Names are untrusted: they are percent-escaped into one file name inside kDeviceFolder, so
// no name reaches another folder. Empty names and names whose escaped form would exceed
// kMaxEscapedNameBytes are refused (none, with a log line).
//
// Every call goes to the file (reads are cached while it is unchanged), so a Pasteboard
// object is a cheap handle; writes are read-modify-write under a lock shared by all
// processes. A damaged file reads as an empty pasteboard (change count 0) and is kept aside
// when it is next written or removed (see SharedPlistFile). Thread-safe.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"
#include "platform/foundation/SharedPlistFile.h"

namespace kestrel {

// What a pasteboard file holds.
struct PasteboardContents {
  int64_t changeCount = 0;
  bool persistent = false;
  std::vector<PlistValue::Dict> items;
};

class Pasteboard {
 public:
  using Item = PlistValue::Dict;
  static constexpr const char* kDeviceFolder = "/var/mobile/Library/Caches/com.apple.UIKit.pboard";
  static constexpr size_t kMaxEscapedNameBytes = 200;  // room for ".plist.tmp.<pid>.<n>"

  // The named pasteboard. With `create`, a missing one is created (empty, not persistent);
  // without it, a missing one gives none. None for a name that cannot be stored.
  static Ref<Pasteboard> pasteboardWithName(std::string_view name, bool create);
  // Removes the pasteboard's file; false when there was none.
  static bool removePasteboardWithName(std::string_view name);
  // A device restart: removes every pasteboard not marked persistent.
  static void removeTransientPasteboards();
  // Device path of a name's file; none for a name that cannot be stored.
  static std::optional<std::string> devicePathForName(std::string_view name);
  // Decodes the bytes of a pasteboard file; none when they are not a valid pasteboard.
  static std::optional<PasteboardContents> contentsFromBytes(const uint8_t* data, size_t size);

  const std::string& name() const { return name_; }
  int64_t changeCount() const;
  bool isPersistent() const;
  bool setPersistent(bool persistent);

  std::vector<Item> items() const;
  size_t numberOfItems() const;
  // Replaces all items (an empty list clears the pasteboard).
  bool setItems(std::vector<Item> items);
  // Appends items after the present ones.
  bool addItems(std::vector<Item> items);

  // Type names of the first item (none when empty), as the platform answers.
  std::vector<std::string> pasteboardTypes() const;
  // The values of that type, one per item that has it, in item order.
  std::vector<PlistValue> valuesForPasteboardType(std::string_view type) const;
  // The same as data: data as is, strings as UTF-8, anything else as an XML property list.
  std::vector<Bytes> dataForPasteboardType(std::string_view type) const;

  // "<Pasteboard: 0x...; name = ...; changeCount = n; items = n>"
  std::string description() const;

  // Use pasteboardWithName(); public only for make_shared.
  Pasteboard(std::string name, std::string localPath);

 private:
  PasteboardContents contents() const;
  bool changeItems(const std::function<void(std::vector<Item>&)>& change);

  std::string name_;
  mutable SharedPlistFile file_;
};

}  // namespace kestrel
