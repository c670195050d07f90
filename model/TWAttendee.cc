#include "model/TWAttendee.h"

Ref<TWAttendee> TWAttendee::attendeeWithName(std::string name, int32_t status) {
  return std::make_shared<TWAttendee>(Private{}, std::move(name), status);
}

std::string TWAttendee::description() const {
  return KSFormat("<%@: %p; name = %@; status = %i>", "TWAttendee", static_cast<const void*>(this), name_, status_);
}

PlistValue TWAttendee::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("name", name_);
  out.set("status", status_);
  return out;
}
