// Helpers the item records share for their log descriptions and their field dictionaries.
//
// Descriptions follow the platform's conventions: a missing value prints "(null)", a list
// prints as "(a, b)", a boolean object as 1 or 0. Field dictionaries leave missing values
// out (none), so a null date or an absent list never shows as a made-up value.
// Stateless and thread-safe.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWTypes.h"

// A list of records as "(a, b)", "(null)" when there is none.
template <class T>
std::string TWListDescription(const std::vector<std::shared_ptr<T>>& list) {
  if (list.empty()) return "(null)";
  std::string out = "(";
  for (size_t i = 0; i < list.size(); ++i) {
    if (i) out += ", ";
    out += list[i] ? std::string(list[i]->description()) : std::string("(null)");
  }
  return out + ")";
}

inline std::string TWOptionalDescription(const std::optional<std::string>& text) { return text ? *text : "(null)"; }

// The date, or none for the null date.
inline PlistValue TWDateField(Date date) { return date.isNull() ? PlistValue() : PlistValue(date); }

// [red, green, blue, alpha]
inline PlistValue TWColorField(const Color& color) {
  return PlistValue(PlistValue::Array{color.red, color.green, color.blue, color.alpha});
}

// The records' own field dictionaries, in list order; none for an empty list.
template <class T>
PlistValue TWListField(const std::vector<std::shared_ptr<T>>& list) {
  if (list.empty()) return PlistValue();
  PlistValue out = PlistValue::array();
  for (const auto& item : list)
    if (item) out.append(item->fields());
  return out;
}

inline PlistValue TWOptionalField(const std::optional<std::string>& text) { return text ? PlistValue(*text) : PlistValue(); }

// Sets the field unless the value is none.
inline void TWSetField(PlistValue& fields, std::string name, PlistValue value) {
  if (!value.isNone()) fields.set(std::move(name), std::move(value));
}
