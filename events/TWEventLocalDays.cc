#include "events/TWEventLocalDays.h"

#include <unicode/basictz.h>
#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/tztrans.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace {

// One Gregorian calendar per thread, re-made when the system zone changes.
icu::Calendar* localCalendar() {
  thread_local std::unique_ptr<icu::Calendar> calendar;
  thread_local std::string zoneName;
  TimeZone zone = TimeZone::systemTimeZone();
  if (!calendar || zoneName != zone.name()) {
    UErrorCode status = U_ZERO_ERROR;
    calendar = std::make_unique<icu::GregorianCalendar>(zone.icuZone().clone(), status);
    if (U_FAILURE(status)) calendar.reset();
    zoneName = zone.name();
  }
  return calendar.get();
}

bool isUsable(Date date) { return !date.isNull() && std::isfinite(date.timeIntervalSinceReferenceDate()); }

Date dateOf(icu::Calendar& calendar, Date fallback) {
  UErrorCode status = U_ZERO_ERROR;
  UDate millis = calendar.getTime(status);
  return U_FAILURE(status) ? fallback : Date::fromUnix(millis / 1000.0);
}

// The local day of `date` at hh:mm:ss.
Date atTimeOfDay(Date date, int hour, int minute, int second) {
  icu::Calendar* calendar = isUsable(date) ? localCalendar() : nullptr;
  if (!calendar) return date;
  UErrorCode status = U_ZERO_ERROR;
  calendar->setTime(date.unixTime() * 1000.0, status);
  calendar->set(UCAL_HOUR_OF_DAY, hour);
  calendar->set(UCAL_MINUTE, minute);
  calendar->set(UCAL_SECOND, second);
  calendar->set(UCAL_MILLISECOND, 0);
  return U_FAILURE(status) ? date : dateOf(*calendar, date);
}

}  // namespace

Date TWEventAddingLocalDays(Date date, int days) {
  icu::Calendar* calendar = isUsable(date) ? localCalendar() : nullptr;
  if (!calendar || days == 0) return date;
  UErrorCode status = U_ZERO_ERROR;
  calendar->setTime(date.unixTime() * 1000.0, status);
  calendar->add(UCAL_DATE, days, status);
  return U_FAILURE(status) ? date : dateOf(*calendar, date);
}

Date TWEventLocalDayStart(Date date) { return atTimeOfDay(date, 0, 0, 0); }

Date TWEventLocalDayLast(Date date) { return atTimeOfDay(date, 23, 59, 59); }

Date TWEventLocalTimeAfterMidnight(Date midnight, int seconds) {
  if (!isUsable(midnight)) return midnight;
  int days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int rest = seconds - days * 86400;
  Date day = TWEventAddingLocalDays(midnight, days);
  return atTimeOfDay(day, rest / 3600, (rest % 3600) / 60, rest % 60);
}

namespace {

bool hasClock(Date date) {
  double seconds = date.timeIntervalSinceReferenceDate();
  return std::isfinite(seconds) && std::fabs(seconds) <= 1.0e15;
}

TWEventLocalClock clockAtOffset(Date date, int secondsFromGMT) {
  TWEventLocalClock clock;
  double local = date.timeIntervalSinceReferenceDate() + secondsFromGMT;
  double day = std::floor(local / 86400.0);
  clock.day = static_cast<int64_t>(day);
  clock.secondsOfDay = static_cast<int32_t>(std::floor(local - day * 86400.0));
  // 2001-01-01 was a Monday.
  clock.weekday = static_cast<int32_t>(((clock.day % 7) + 7) % 7) + 1;
  return clock;
}

}  // namespace

TWEventLocalClock TWEventLocalClockOf(Date date, const TimeZone& zone) {
  if (!hasClock(date)) return {};
  return clockAtOffset(date, zone.secondsFromGMTForDate(date));
}

TWEventLocalClock TWEventLocalClocks::clockOf(Date date) {
  if (!hasClock(date)) return {};
  return clockAtOffset(date, secondsFromGMT(date));
}

int TWEventLocalClocks::secondsFromGMT(Date date) {
  const double millis = date.unixTime() * 1000.0;
  if (millis >= spanStart_ && millis < spanEnd_) return offset_;
  offset_ = zone_.secondsFromGMTForDate(date);
  spanStart_ = spanEnd_ = millis;  // without transitions to go by, nothing is kept
  if (const auto* zone = dynamic_cast<const icu::BasicTimeZone*>(&zone_.icuZone())) {
    icu::TimeZoneTransition transition;
    spanStart_ = zone->getPreviousTransition(millis, true, transition) ? transition.getTime()
                                                                       : -std::numeric_limits<double>::infinity();
    spanEnd_ = zone->getNextTransition(millis, false, transition) ? transition.getTime()
                                                                  : std::numeric_limits<double>::infinity();
  }
  return offset_;
}
