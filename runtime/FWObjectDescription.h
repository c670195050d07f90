// FWObjectDescription: a record's description as the dictionary of its own properties.
//
// C++ has no property introspection, so a record lists its own properties (not its base
// class's) as name/value pairs, each value made with FWPropertyValue. Properties without a
// value (null reference, empty optional) are left out; the rest print as a dictionary
// description, keys in order: {key = 12; title = "Call Anna"; }. Thread-safe.
#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/FWTypes.h"

// Property values keep their type where a property list can hold it (numbers, texts,
// dates, lists), so numbers print bare and texts quoted as needed; other objects print
// their description. A none value means "no value".
template <class T>
concept FWDescribable = std::same_as<T, PlistValue> || std::same_as<T, bool> || std::same_as<T, Date> ||
                        std::integral<T> || std::floating_point<T> || std::convertible_to<const T&, std::string_view> ||
                        kestrel::HasDescription<T>;

template <FWDescribable T>
PlistValue FWPropertyValue(const T& value) {
  if constexpr (std::same_as<T, PlistValue>)
    return value;
  else if constexpr (std::same_as<T, bool> || std::same_as<T, Date>)
    return PlistValue(value);
  else if constexpr (std::integral<T>)
    return PlistValue(static_cast<int64_t>(value));
  else if constexpr (std::floating_point<T>)
    return PlistValue(static_cast<double>(value));
  else if constexpr (std::convertible_to<const T&, std::string_view>)
    return PlistValue(std::string_view(value));
  else
    return PlistValue(value.description());
}
template <class T>
PlistValue FWPropertyValue(const std::optional<T>& value) {
  return value ? FWPropertyValue(*value) : PlistValue();
}
// References to objects without a description print their address.
template <class T>
PlistValue FWPropertyValue(const T* value) {
  if (!value) return PlistValue();
  if constexpr (FWDescribable<T>)
    return FWPropertyValue(*value);
  else
    return PlistValue(KSFormat("%p", value));
}
template <class T>
PlistValue FWPropertyValue(const std::shared_ptr<T>& value) {
  return FWPropertyValue(static_cast<const T*>(value.get()));
}
inline PlistValue FWPropertyValue(const char* value) { return value ? PlistValue(value) : PlistValue(); }

using FWPropertyList = std::vector<std::pair<std::string, PlistValue>>;

std::string FWObjectDescription(const FWPropertyList& properties);
