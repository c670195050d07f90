// Typed plug-in options from the command line ("--option key=value").
//
// The value's text decides its type: "true" / "false" are booleans, whole numbers that fit
// 64 bits are integers, finite decimal numbers are reals, "[a,b,...]" is a list whose
// elements are typed the same way (trimmed; "[]" is empty), and anything else is the text
// itself. Stateless.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/foundation/PlistValue.h"
#include "platform/host/HostResult.h"

namespace kestrel::tool {

PlistValue typedOptionValue(std::string_view text);
// "key=value" -> (key, typed value); an error without '=' or with an empty key.
HostResult<std::pair<std::string, PlistValue>> parseOptionAssignment(std::string_view text);

}  // namespace kestrel::tool
