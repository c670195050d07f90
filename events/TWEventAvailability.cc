#include "events/TWEventAvailability.h"

std::optional<std::string> TWEventAvailabilityIconName(int32_t availability) {
  switch (availability) {
    case 0: return "outofoffice";
    case 1: return "busy";
    case 3: return "tentative";
    case 4: return "unavailable";
    default: return std::nullopt;
  }
}
