#include "platform/foundation/Date.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace kestrel {

int32_t wholeSeconds(Date d) {
  double s = std::trunc(d.timeIntervalSinceReferenceDate());
  if (std::isnan(s)) return 0;
  if (s >= 2147483647.0) return 2147483647;
  if (s <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(s);
}

bool Date::isEarlierThanDate(Date other) const {
  if (isNull() || other.isNull()) return isNull() && !other.isNull();
  return wholeSeconds(*this) < wholeSeconds(other);
}

bool Date::isLaterThanDate(Date other) const {
  if (isNull() || other.isNull()) return !isNull() && other.isNull();
  return wholeSeconds(*this) > wholeSeconds(other);
}

bool Date::isEqualOrEarlierThanDate(Date other) const {
  if (isNull() || other.isNull()) return isNull();
  return wholeSeconds(*this) <= wholeSeconds(other);
}

bool Date::isEqualOrLaterThanDate(Date other) const {
  if (isNull() || other.isNull()) return other.isNull();
  return wholeSeconds(*this) >= wholeSeconds(other);
}

std::string Date::description() const {
  if (isNull()) return "(null)";
  double u = std::floor(unixTime());
  if (!std::isfinite(u) || std::fabs(u) > 1e15) return "(invalid date)";
  std::time_t t = static_cast<std::time_t>(u);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

bool Date::parseISO8601(const std::string& text, Date* out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, consumed = 0;
  int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &y, &mo, &d, &h, &mi, &consumed);
  if (n < 5) {
    // Date only: midnight UTC.
    consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &consumed) != 3 ||
        static_cast<size_t>(consumed) != text.size())
      return false;
    h = mi = 0;
  }
  size_t pos = static_cast<size_t>(consumed);
  if (pos < text.size() && text[pos] == ':') {
    int c2 = 0;
    if (std::sscanf(text.c_str() + pos, ":%2d%n", &s, &c2) != 1) return false;
    pos += static_cast<size_t>(c2);
    while (pos < text.size() && (text[pos] == '.' || (text[pos] >= '0' && text[pos] <= '9'))) ++pos;
  }
  int offset = 0;
  if (pos < text.size()) {
    if (text[pos] == 'Z' && pos + 1 == text.size()) {
      ++pos;
    } else if (text[pos] == '+' || text[pos] == '-') {
      int oh = 0, om = 0, c3 = 0;
      if (std::sscanf(text.c_str() + pos + 1, "%2d:%2d%n", &oh, &om, &c3) != 2 ||
          pos + 1 + static_cast<size_t>(c3) != text.size())
        return false;
      offset = (oh * 3600 + om * 60) * (text[pos] == '-' ? -1 : 1);
      pos = text.size();
    } else {
      return false;
    }
  }
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return false;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  std::time_t t = timegm(&tm);
  *out = Date::fromUnix(static_cast<double>(t) - offset);
  return true;
}

}  // namespace kestrel
