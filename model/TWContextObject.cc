#include "model/TWContextObject.h"

#include "model/TWIntegration.h"
#include "model/TWRecordFormatting.h"

Ref<TWContextObject> TWContextObject::objectWithKey(const TWContextObjectInit& init) {
  return std::make_shared<TWContextObject>(Private{}, init);
}

std::string TWContextObject::displayString() const { return TWIntegration::stringForTitle(name(), icon(), ""); }

std::string TWContextObject::description() const {
  return KSFormat("<%@: %p; key = %i; name = %@; icon = %@; color = %@; native = %i>", "TWContextObject", static_cast<const void*>(this),
                  key(), name(), icon(), color(), native());
}

PlistValue TWContextObject::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("key", key());
  out.set("name", name());
  out.set("icon", icon());
  out.set("color", TWColorField(color()));
  out.set("native", native());
  return out;
}
