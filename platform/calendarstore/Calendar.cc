#include "platform/calendarstore/Calendar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/calendarstore/internal/CalendarTypeNames.h"
#include "platform/foundation/Format.h"

namespace kestrel {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int component(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace

std::string Calendar::description() const {
  return KSFormat("<Calendar: id = %@; title = %@; color = %@; entity = %@; type = %@; writable = %i; source = %@>",
                  calendarIdentifier, title, hexStringForColor(color),
                  entityType == EntityType::Reminder ? "reminder" : "event", internal::calendarTypeName(type), allowsModifications,
                  sourceTitle);
}

std::string hexStringForColor(const Color& color) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", component(color.red), component(color.green),
                component(color.blue));
  return buf;
}

bool parseHexColor(std::string_view text, Color* out) {
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return false;
  int values[4] = {0, 0, 0, 255};
  for (size_t i = 1, n = 0; i < text.size(); i += 2, ++n) {
    int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    values[n] = hi * 16 + lo;
  }
  *out = Color::rgba(values[0] / 255.0, values[1] / 255.0, values[2] / 255.0, values[3] / 255.0);
  return true;
}

}  // namespace kestrel
