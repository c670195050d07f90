// JSON text for property-list values, for kestrel's "--json" output.
//
// Strings are escaped so that any input, hostile or damaged, yields valid JSON on one line:
// quotes, backslashes and control characters are escaped, U+2028/U+2029 too, and bytes that
// are not valid UTF-8 become U+FFFD. Dictionaries keep their (sorted) key order; data is
// base64 text, dates ISO-8601 text, keyed-archive UIDs numbers, none and non-finite reals
// null. Stateless.
#pragma once

#include <string>
#include <string_view>

#include "platform/foundation/PlistValue.h"

namespace kestrel::tool {

std::string jsonString(std::string_view utf8);
std::string jsonValue(const PlistValue& value);

}  // namespace kestrel::tool
