#include "runtime/FWDisplayObject.h"

FWDisplayObject::FWDisplayObject(const FWDisplayObject& other)
    : kestrel::KSDescribable(other),
      key_(other.key_),
      objectVersion_(other.objectVersion_),
      updateRequired_(other.isUpdateRequired()),
      summaryDisplay_(other.isSummaryDisplay()) {}

FWDisplayObject& FWDisplayObject::operator=(const FWDisplayObject& other) {
  if (this != &other) {
    key_ = other.key_;
    objectVersion_ = other.objectVersion_;
    setUpdateRequired(other.isUpdateRequired());
    setSummaryDisplay(other.isSummaryDisplay());
  }
  return *this;
}

PlistValue FWDisplayObject::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("key", key_);
  out.set("objectVersion", objectVersion_);
  out.set("updateRequired", isUpdateRequired());
  out.set("summaryDisplay", isSummaryDisplay());
  return out;
}

std::string FWDisplayObject::description() const {
  return KSFormat("<FWDisplayObject: %p; key = %@; objectVersion = %d>", static_cast<const void*>(this), key_,
                  objectVersion_);
}

Ref<FWDisplayObject> fwDisplayObjectForKey(const FWDisplayList& list, std::string_view key) {
  for (const auto& item : list)
    if (item && item->key() == key) return item;
  return nullptr;
}

int32_t fwDisplayIndexForKey(const FWDisplayList& list, std::string_view key) {
  for (size_t i = 0; i < list.size() && i < static_cast<size_t>(kFWDisplayIndexNotFound); ++i)
    if (list[i] && list[i]->key() == key) return static_cast<int32_t>(i);
  return kFWDisplayIndexNotFound;
}
