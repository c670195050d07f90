#include "platform/calendarstore/internal/ICalText.h"

#include "platform/calendarstore/internal/Text.h"

namespace kestrel::internal {

std::string propertyText(icalcomponent* c, icalproperty_kind kind, std::vector<std::string>* problems) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (!p) return "";
  icalvalue* value = icalproperty_get_value(p);
  const char* raw = value && icalvalue_isa(value) == ICAL_TEXT_VALUE ? icalvalue_get_text(value)
                                                                      : icalproperty_get_value_as_string(p);
  if (!raw) return "";
  bool replaced = false;
  std::string text = validUTF8(raw, &replaced);
  if (replaced) problems->push_back(std::string("invalid UTF-8 in ") + icalproperty_kind_to_string(kind));
  return text;
}

}  // namespace kestrel::internal
