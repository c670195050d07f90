#include "runtime/FWDetailListEntry.h"

#include "platform/ui/Image.h"
#include "platform/ui/View.h"
#include "runtime/FWClassName.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "runtime/FWTextUtilities.h"

namespace {

const PlistValue kNone;

// Values are stored shared, so that copies share them; a none value is kept as no object.
std::shared_ptr<const PlistValue> shared(PlistValue value) {
  if (value.isNone()) return nullptr;
  return std::make_shared<const PlistValue>(std::move(value));
}

// Absent values print as the formatter's "(null)".
std::optional<std::string> described(const PlistValue& value) {
  if (value.isNone()) return std::nullopt;
  return value.description();
}

}  // namespace

FWDetailListEntry::FWDetailListEntry() : size_(kFWDetailListViewLabelSize) {}

Ref<FWDetailListEntry> FWDetailListEntry::entryWithTitle(std::optional<std::string> title) {
  auto entry = std::make_shared<FWDetailListEntry>();
  entry->setTitle(std::move(title));
  return entry;
}

Ref<FWDetailListEntry> FWDetailListEntry::entryWithTitle(std::optional<std::string> title, PlistValue value) {
  auto entry = entryWithTitle(std::move(title));
  entry->setValue(std::move(value));
  return entry;
}

Ref<FWDetailListEntry> FWDetailListEntry::entryWithLocalisedTitle(const std::string& key, const Ref<Bundle>& bundle) {
  return entryWithTitle(FWLocalise(bundle, key));
}

Ref<FWDetailListEntry> FWDetailListEntry::entryWithLocalisedTitle(const std::string& key, PlistValue value,
                                                                  const Ref<Bundle>& bundle) {
  return entryWithTitle(FWLocalise(bundle, key), std::move(value));
}

Ref<FWDetailListEntry> FWDetailListEntry::entryWithLocalisedTitleLocalisedValue(const std::string& key,
                                                                                const std::string& localisedValue,
                                                                                const Ref<Bundle>& bundle) {
  return entryWithTitle(FWLocalise(bundle, key), PlistValue(FWLocalise(bundle, localisedValue)));
}

Ref<FWDetailListEntry> FWDetailListEntry::copyWithZone() const { return std::make_shared<FWDetailListEntry>(*this); }

// ---- Modifiers ----------------------------------------------------------------------------------

Ref<FWDetailListEntry> FWDetailListEntry::withLinkType(PlistValue key) {
  setKey(std::move(key));
  link_ = true;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withBackLinkType(PlistValue key) {
  setKey(std::move(key));
  backLink_ = true;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withButtonType(PlistValue key) {
  setKey(std::move(key));
  button_ = true;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withDraggableType(PlistValue key) {
  setKey(std::move(key));
  draggable_ = true;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withProgressType() {
  progress_ = true;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withKey(PlistValue key) {
  setKey(std::move(key));
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withValue(PlistValue value) {
  setValue(std::move(value));
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withSize(double size) {
  size_ = size;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withLines(int32_t lines) {
  lines_ = lines;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withColor(Color color) {
  color_ = color;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withBackgroundColor(Color color) {
  backgroundColor_ = color;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withClearBackground() {
  backgroundColor_ = Color::clearColor();
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withNoBold() {
  notBold_ = true;
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withIcon(Image icon) {
  icon_ = std::move(icon);
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withIconFile(const std::string& path) {
  icon_ = FWImageAtPath(path);
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withAccessoryView(View view) {
  accessoryView_ = std::move(view);
  return self();
}

Ref<FWDetailListEntry> FWDetailListEntry::withColorAccessoryView(View view) {
  accessoryView_ = std::move(view);
  colorAccessory_ = true;
  return self();
}

// ---- Kinds, sizes, values -----------------------------------------------------------------------

bool FWDetailListEntry::isControl() const {
  return progress_ || switcher_ || button_ || selected_ || link_ || backLink_;
}

double FWDetailListEntry::fontSizeForTitle() {
  return FWIsDeviceAnIPad() ? 2 * kFWDetailListViewLabelSize : kFWDetailListViewLabelSize + 3;
}

const PlistValue& FWDetailListEntry::value() const { return value_ ? *value_ : kNone; }

void FWDetailListEntry::setValue(PlistValue value) { value_ = shared(std::move(value)); }

const PlistValue& FWDetailListEntry::key() const { return key_ ? *key_ : kNone; }

void FWDetailListEntry::setKey(PlistValue key) { key_ = shared(std::move(key)); }

std::string FWDetailListEntry::description() const {
  return KSFormat(
      "<%@: %p; title = %@; message = %@; key = %@; value = %@; info = %@; notBold = %i; size = %f; icon = %@; "
      "lines = %i; color = %@; backgroundColor = %@; progress = %i; switcher = %i; selected = %i; link = %i; "
      "backLink = %i; button = %i; draggable = %i>",
      FWClassName(typeid(*this)), this, title_, message_, described(key()),
      described(value()), info_, notBold_, size_, icon_, lines_, color_, backgroundColor_, progress_, switcher_,
      selected_, link_, backLink_, button_, draggable_);
}
