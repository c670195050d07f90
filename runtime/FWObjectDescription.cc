#include "runtime/FWObjectDescription.h"

std::string FWObjectDescription(const FWPropertyList& properties) {
  PlistValue dictionary = PlistValue::dict();
  for (const auto& [name, value] : properties)
    if (!value.isNone()) dictionary.set(name, value);
  return dictionary.description();
}
