#include "platform/calendarstore/internal/CalendarTypeNames.h"

#include <strings.h>

#include <utility>

namespace kestrel::internal {
namespace {

constexpr std::pair<const char*, CalendarType> kTypes[] = {{"local", CalendarType::Local},
                                                           {"caldav", CalendarType::CalDAV},
                                                           {"exchange", CalendarType::Exchange},
                                                           {"subscription", CalendarType::Subscription},
                                                           {"birthday", CalendarType::Birthday}};

}  // namespace

const char* calendarTypeName(CalendarType type) {
  for (const auto& [name, known] : kTypes)
    if (known == type) return name;
  return "local";
}

std::optional<CalendarType> calendarTypeNamed(const std::string& text) {
  for (const auto& [name, type] : kTypes)
    if (strcasecmp(text.c_str(), name) == 0) return type;
  return std::nullopt;
}

}  // namespace kestrel::internal
