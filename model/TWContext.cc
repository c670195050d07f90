#include "model/TWContext.h"

Ref<TWContext> TWContext::contextForKey(int32_t key, std::string title) {
  return contextForKey(key, std::move(title), false);
}

Ref<TWContext> TWContext::contextForKey(int32_t key, std::string title, bool selected) {
  return std::make_shared<TWContext>(Private{}, key, std::move(title), selected);
}

std::string TWContext::description() const {
  return KSFormat("<%@: %p; key = %i; title = %@; selected = %i; locationAware = %i; count = %i>", "TWContext", static_cast<const void*>(this),
                  key_, title_, selected(), locationAware(), count());
}

PlistValue TWContext::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("key", key_);
  out.set("title", title_);
  out.set("selected", selected());
  out.set("locationAware", locationAware());
  out.set("count", count());
  return out;
}
