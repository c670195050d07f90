#include "tests/plugin/TWTestFileItem.h"

PlistValue TWTestFileItem::fields() const {
  PlistValue out = FWDisplayObject::fields();
  out.set("name", name_);
  out.set("size", static_cast<int64_t>(size_));
  out.set("modified", modified_);
  return out;
}

std::string TWTestFileItem::description() const {
  return KSFormat("<TWTestFileItem: %p; name = %@; size = %llu; version = %d>", static_cast<const void*>(this), name_,
                  static_cast<unsigned long long>(size_), objectVersion());
}
