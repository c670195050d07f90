#include "platform/calendarstore/DateComponents.h"

#include <unicode/gregocal.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace kestrel {
namespace {

// Earliest instant ICU handles comfortably; from there on the calendar is Gregorian, as in
// iCalendar, rather than switching to Julian in 1582.
constexpr UDate kProlepticGregorianChange = -8.64e15;

// A cleared calendar in `zone`, owned by the calling thread and valid until its next call.
// Making an ICU calendar looks up the locale's week data, which cost far more than the
// conversion itself when a list of reminders was read, so each thread keeps one.
icu::GregorianCalendar* calendarIn(const TimeZone& zone) {
  thread_local std::unique_ptr<icu::GregorianCalendar> calendar = [] {
    UErrorCode status = U_ZERO_ERROR;
    auto made = std::make_unique<icu::GregorianCalendar>(icu::Locale::getRoot(), status);
    if (U_SUCCESS(status)) made->setGregorianChange(kProlepticGregorianChange, status);
    return U_SUCCESS(status) ? std::move(made) : nullptr;
  }();
  if (!calendar) return nullptr;
  calendar->setTimeZone(zone.icuZone());
  calendar->clear();
  return calendar.get();
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

WallClock wallClockOf(Date instant, const TimeZone& zone) {
  WallClock w{1, 1, 1, 0, 0, 0};
  icu::GregorianCalendar* cal = calendarIn(zone);
  if (!cal) return w;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(std::floor(instant.unixTime()) * 1000.0, status);
  w.year = cal->get(UCAL_EXTENDED_YEAR, status);
  w.month = cal->get(UCAL_MONTH, status) + 1;
  w.day = cal->get(UCAL_DATE, status);
  w.hour = cal->get(UCAL_HOUR_OF_DAY, status);
  w.minute = cal->get(UCAL_MINUTE, status);
  w.second = cal->get(UCAL_SECOND, status);
  return w;
}

Date instantOf(const WallClock& wall, const TimeZone& zone) {
  icu::GregorianCalendar* cal = calendarIn(zone);
  if (!cal) return Date::nullDate();
  cal->set(UCAL_EXTENDED_YEAR, wall.year);
  cal->set(UCAL_MONTH, wall.month - 1);
  cal->set(UCAL_DATE, wall.day);
  cal->set(UCAL_HOUR_OF_DAY, wall.hour);
  cal->set(UCAL_MINUTE, wall.minute);
  cal->set(UCAL_SECOND, wall.second);
  UErrorCode status = U_ZERO_ERROR;
  UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return Date::nullDate();
  return Date::fromUnix(ms / 1000.0);
}

DateComponents DateComponents::wholeDay(int year, int month, int day) {
  DateComponents c;
  c.year = year;
  c.month = month;
  c.day = day;
  c.hasTime = false;
  return c;
}

DateComponents DateComponents::floating(int year, int month, int day, int hour, int minute, int second) {
  DateComponents c;
  c.year = year;
  c.month = month;
  c.day = day;
  c.hour = hour;
  c.minute = minute;
  c.second = second;
  return c;
}

DateComponents DateComponents::inZone(Date instant, const TimeZone& zone) {
  WallClock w = wallClockOf(instant, zone);
  DateComponents c = floating(w.year, w.month, w.day, w.hour, w.minute, w.second);
  c.timeZone = zone;
  return c;
}

DateComponents DateComponents::wholeDayOf(Date instant, const TimeZone& zone) {
  WallClock w = wallClockOf(instant, zone);
  return wholeDay(w.year, w.month, w.day);
}

bool DateComponents::isUTC() const {
  return timeZone && (timeZone->name() == "UTC" || timeZone->name() == "GMT" || timeZone->name() == "Etc/UTC");
}

bool DateComponents::isValid() const {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > daysInMonth(year, month)) return false;
  if (!hasTime) return true;
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
}

Date DateComponents::date() const { return dateInTimeZone(TimeZone::systemTimeZone()); }

Date DateComponents::dateInTimeZone(const TimeZone& zone) const {
  if (!isValid()) return Date::nullDate();
  // A leap second reads as the last second of its minute.
  WallClock w{year, month, day, hasTime ? hour : 0, hasTime ? minute : 0, hasTime ? std::min(second, 59) : 0};
  return instantOf(w, hasTime && timeZone ? *timeZone : zone);
}

std::string DateComponents::description() const {
  char buf[64];
  if (!hasTime) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
  std::string out = buf;
  if (timeZone) out += " " + timeZone->name();
  return out;
}

}  // namespace kestrel
