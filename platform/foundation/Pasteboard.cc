#include "platform/foundation/Pasteboard.h"

#include <filesystem>

#include "platform/foundation/Device.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

constexpr const char* kChangeCountKey = "changeCount";
constexpr const char* kPersistentKey = "persistent";
constexpr const char* kItemsKey = "items";
constexpr const char* kFileSuffix = ".plist";

// Percent-escapes everything but letters, digits, '-', '_' and a '.' that does not lead,
// so the result is one plain file name ("." and ".." cannot occur) and distinct names stay
// distinct.
std::string escapeName(std::string_view name) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                 c == '_' || (c == '.' && i > 0);
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::optional<PasteboardContents> contentsFromValue(const PlistValue& value) {
  if (!value.isDict()) return std::nullopt;
  PasteboardContents out;
  if (const PlistValue* count = value.get(kChangeCountKey)) {
    if (count->type() != PlistValue::Type::Integer || *count->integerValue() < 0) return std::nullopt;
    out.changeCount = *count->integerValue();
  }
  if (const PlistValue* persistent = value.get(kPersistentKey)) {
    if (persistent->type() != PlistValue::Type::Bool) return std::nullopt;
    out.persistent = *persistent->boolValue();
  }
  if (const PlistValue* items = value.get(kItemsKey)) {
    if (!items->isArray()) return std::nullopt;
    out.items.reserve(items->count());
    for (const PlistValue& item : *items->asArray()) {
      if (!item.isDict()) return std::nullopt;
      out.items.push_back(*item.asDict());
    }
  }
  return out;
}

PlistValue valueFromContents(const PasteboardContents& contents) {
  PlistValue::Array items;
  items.reserve(contents.items.size());
  for (const auto& item : contents.items) items.emplace_back(item);
  PlistValue value = PlistValue::dict();
  value.set(kChangeCountKey, contents.changeCount);
  value.set(kPersistentKey, contents.persistent);
  value.set(kItemsKey, std::move(items));
  return value;
}

// An item value must be something a property list can hold; none cannot.
bool itemsAreStorable(const std::vector<Pasteboard::Item>& items) {
  for (const auto& item : items)
    for (const auto& [type, value] : item)
      if (value.isNone()) return false;
  return true;
}

Bytes dataOf(const PlistValue& value) {
  if (const Bytes* data = value.asData()) return *data;
  if (const std::string* text = value.asString()) return Bytes(text->begin(), text->end());
  return value.toBytes(PlistValue::Format::XML);
}

std::optional<std::string> localPathForName(std::string_view name) {
  auto device = Pasteboard::devicePathForName(name);
  if (!device) return std::nullopt;
  return Device::path(*device);
}

}  // namespace

std::optional<std::string> Pasteboard::devicePathForName(std::string_view name) {
  std::string escaped = escapeName(name);
  if (escaped.empty() || escaped.size() > kMaxEscapedNameBytes) return std::nullopt;
  return std::string(kDeviceFolder) + "/" + escaped + kFileSuffix;
}

std::optional<PasteboardContents> Pasteboard::contentsFromBytes(const uint8_t* data, size_t size) {
  auto value = PlistValue::fromBytes(data, size);
  if (!value) return std::nullopt;
  return contentsFromValue(*value);
}

Pasteboard::Pasteboard(std::string name, std::string localPath)
    : name_(name),
      file_(std::move(localPath), "pasteboard " + name,
            [](const PlistValue& value) { return contentsFromValue(value).has_value(); }) {}

Ref<Pasteboard> Pasteboard::pasteboardWithName(std::string_view name, bool create) {
  auto path = localPathForName(name);
  if (!path) {
    KSLog("KS:Platform: Pasteboard name cannot be stored (%lu bytes): %@", static_cast<unsigned long>(name.size()),
          std::string(name.substr(0, 64)));
    return nullptr;
  }
  auto board = std::make_shared<Pasteboard>(std::string(name), *path);
  if (board->file_.read().state != SharedPlistFile::State::Missing) return board;
  if (!create) return nullptr;
  // Created under the lock: another process may have created it meanwhile, and its items
  // must survive.
  board->file_.update([&](SharedPlistFile::Contents& current) {
    if (current.state != SharedPlistFile::State::Missing) return false;
    current.value = valueFromContents(PasteboardContents{});
    return true;
  });
  return board->file_.read().state != SharedPlistFile::State::Missing ? board : nullptr;
}

bool Pasteboard::removePasteboardWithName(std::string_view name) {
  auto path = localPathForName(name);
  if (!path) return false;
  Pasteboard board(std::string(name), *path);
  return board.file_.remove();
}

void Pasteboard::removeTransientPasteboards() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(Device::path(kDeviceFolder), ec)) {
    std::string file = entry.path().filename().string();
    if (file.size() <= std::string_view(kFileSuffix).size() ||
        file.compare(file.size() - std::string_view(kFileSuffix).size(), std::string::npos, kFileSuffix) != 0)
      continue;
    SharedPlistFile shared(entry.path().string(), "pasteboard file " + file,
                           [](const PlistValue& value) { return contentsFromValue(value).has_value(); });
    // A damaged file's flag is unknown, so it stays.
    shared.remove([](const SharedPlistFile::Contents& contents) {
      return contents.state == SharedPlistFile::State::Valid && !contentsFromValue(contents.value)->persistent;
    });
  }
}

PasteboardContents Pasteboard::contents() const {
  auto current = file_.read();
  if (current.state != SharedPlistFile::State::Valid) return {};
  return *contentsFromValue(current.value);
}

int64_t Pasteboard::changeCount() const { return contents().changeCount; }

bool Pasteboard::isPersistent() const { return contents().persistent; }

bool Pasteboard::setPersistent(bool persistent) {
  return file_.update([&](SharedPlistFile::Contents& current) {
    PasteboardContents contents;
    if (current.state == SharedPlistFile::State::Valid) contents = *contentsFromValue(current.value);
    if (current.state == SharedPlistFile::State::Valid && contents.persistent == persistent) return false;
    contents.persistent = persistent;
    current.value = valueFromContents(contents);
    return true;
  }) || isPersistent() == persistent;
}

bool Pasteboard::changeItems(const std::function<void(std::vector<Item>&)>& change) {
  return file_.update([&](SharedPlistFile::Contents& current) {
    PasteboardContents contents;
    if (current.state == SharedPlistFile::State::Valid) contents = *contentsFromValue(current.value);
    change(contents.items);
    contents.changeCount += 1;
    current.value = valueFromContents(contents);
    return true;
  });
}

bool Pasteboard::setItems(std::vector<Item> items) {
  if (!itemsAreStorable(items)) {
    KSLog("KS:Platform: Refusing items without a value for pasteboard %@", name_);
    return false;
  }
  return changeItems([&](std::vector<Item>& present) { present = std::move(items); });
}

bool Pasteboard::addItems(std::vector<Item> items) {
  if (!itemsAreStorable(items)) {
    KSLog("KS:Platform: Refusing items without a value for pasteboard %@", name_);
    return false;
  }
  return changeItems([&](std::vector<Item>& present) {
    present.insert(present.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
  });
}

std::vector<Pasteboard::Item> Pasteboard::items() const { return contents().items; }

size_t Pasteboard::numberOfItems() const { return contents().items.size(); }

std::vector<std::string> Pasteboard::pasteboardTypes() const {
  std::vector<std::string> types;
  auto all = contents().items;
  if (all.empty()) return types;
  for (const auto& [type, value] : all.front()) types.push_back(type);
  return types;
}

std::vector<PlistValue> Pasteboard::valuesForPasteboardType(std::string_view type) const {
  std::vector<PlistValue> values;
  for (const auto& item : contents().items)
    if (auto it = item.find(type); it != item.end()) values.push_back(it->second);
  return values;
}

std::vector<Bytes> Pasteboard::dataForPasteboardType(std::string_view type) const {
  std::vector<Bytes> data;
  for (const auto& value : valuesForPasteboardType(type)) data.push_back(dataOf(value));
  return data;
}

std::string Pasteboard::description() const {
  auto current = contents();
  return KSFormat("<Pasteboard: %p; name = %@; changeCount = %lld; items = %lu>", static_cast<const void*>(this),
                  name_, static_cast<long long>(current.changeCount),
                  static_cast<unsigned long>(current.items.size()));
}

}  // namespace kestrel
