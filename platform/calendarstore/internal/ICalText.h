// Internal to the calendar store: the text of an item's property as the store hands it on.
// Takes borrowed libical pointers and keeps none. Thread-safe (no shared state).
#pragma once

#include <libical/ical.h>

#include <string>
#include <vector>

namespace kestrel::internal {

// The first `kind` property of `c` as text ("" when there is none), with undecodable UTF-8
// replaced; a replacement adds a line to *problems.
std::string propertyText(icalcomponent* c, icalproperty_kind kind, std::vector<std::string>* problems);

}  // namespace kestrel::internal
