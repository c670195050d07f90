// The class name of an object's dynamic type, for descriptions in logs.
//
// Pure and thread-safe.
#pragma once

#include <string>
#include <typeinfo>

// The demangled name of `type` ("FWDetailListEntry"); the raw name when it cannot be demangled.
std::string FWClassName(const std::type_info& type);
