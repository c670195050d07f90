#include "runtime/FWLogging.h"

std::string FWLogPrefix(std::string_view tag) { return KSFormat(kFWLogPrefixFormat, tag); }
