#include "runtime/FWLocalTime.h"

#include <unicode/calendar.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

#include "platform/foundation/Locale.h"

namespace {

struct LocalFields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, weekday = 0, weekOfYear = 0;
  bool ok = false;
};

std::unique_ptr<icu::Calendar> systemCalendar() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> cal(
      icu::Calendar::createInstance(TimeZone::systemTimeZone().icuZone().clone(), kestrel::Locale::current().icuLocale(), status));
  if (U_FAILURE(status)) return nullptr;
  return cal;
}

LocalFields fieldsOf(Date date) {
  LocalFields f;
  auto cal = systemCalendar();
  if (!cal) return f;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(date.unixTime() * 1000.0, status);
  f.year = cal->get(UCAL_EXTENDED_YEAR, status);
  f.month = cal->get(UCAL_MONTH, status);
  f.day = cal->get(UCAL_DATE, status);
  f.hour = cal->get(UCAL_HOUR_OF_DAY, status);
  f.minute = cal->get(UCAL_MINUTE, status);
  f.second = cal->get(UCAL_SECOND, status);
  f.weekday = cal->get(UCAL_DAY_OF_WEEK, status);
  f.weekOfYear = cal->get(UCAL_WEEK_OF_YEAR, status);
  f.ok = U_SUCCESS(status);
  return f;
}

int offsetAt(Date date) { return TimeZone::systemTimeZone().secondsFromGMTForDate(date); }

}  // namespace

Date FWLocalDateForUTC(Date date) {
  if (date.isNull()) return date;
  return date.addingTimeInterval(-offsetAt(date));
}

Date FWUTCForLocalDate(Date date) {
  if (date.isNull()) return date;
  return date.addingTimeInterval(offsetAt(date));
}

Date FWLocalDateForLocalMidnightOnDate(Date date) {
  auto cal = systemCalendar();
  if (!cal) return date;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(date.unixTime() * 1000.0, status);
  cal->set(UCAL_HOUR_OF_DAY, 0);
  cal->set(UCAL_MINUTE, 0);
  cal->set(UCAL_SECOND, 0);
  cal->set(UCAL_MILLISECOND, 0);
  UDate ms = cal->getTime(status);  // a midnight lost to DST resolves to the day's first instant
  if (U_FAILURE(status)) return date;
  return Date::fromUnix(ms / 1000.0);
}

Date FWLocalDateForLocalMidnight() { return FWLocalDateForLocalMidnightOnDate(Clock::now()); }

int FWSecondsWithinLocalDate(Date date) {
  LocalFields f = fieldsOf(date);
  return f.hour * 3600 + f.minute * 60 + f.second;
}

bool FWIsLocalDateSameDay(Date a, Date b) {
  LocalFields fa = fieldsOf(a), fb = fieldsOf(b);
  return fa.ok && fb.ok && fa.day == fb.day && fa.month == fb.month && fa.year == fb.year;
}

bool FWIsLocalDateToday(Date date) { return FWIsLocalDateSameDay(date, Clock::now()); }
bool FWIsLocalDateTomorrow(Date date) { return FWIsLocalDateSameDay(date, Clock::now().addingTimeInterval(86400)); }
bool FWIsLocalDateYesterday(Date date) { return FWIsLocalDateSameDay(date, Clock::now().addingTimeInterval(-86400)); }

bool FWIsLocalDateSameWeek(Date a, Date b) {
  LocalFields fa = fieldsOf(a), fb = fieldsOf(b);
  return fa.ok && fb.ok && fa.weekOfYear == fb.weekOfYear && fa.month == fb.month && fa.year == fb.year;
}

bool FWIsLocalDateThisWeek(Date date) { return FWIsLocalDateSameWeek(date, Clock::now()); }

FWWeekdayName FWRecurranceWeekdayName(int platformWeekday) { return platformWeekday == 1 ? 7 : platformWeekday - 1; }

FWWeekdayName FWLocalWeekdayName(Date date) {
  auto cal = systemCalendar();
  if (!cal || cal->getMaximum(UCAL_DAY_OF_WEEK) - cal->getMinimum(UCAL_DAY_OF_WEEK) + 1 != 7) return FWWeekdayNone;
  LocalFields f = fieldsOf(date);
  return f.ok ? FWRecurranceWeekdayName(f.weekday) : FWWeekdayNone;
}

bool FWIsDayWeekend(FWWeekdayName day, FWWeekdayName firstWeekendDay) {
  if (firstWeekendDay == 0) return false;
  return day == firstWeekendDay || day == firstWeekendDay + 1;
}

bool FWIsLocalDateWeekend(Date date, FWWeekdayName firstWeekendDay) {
  return FWIsDayWeekend(FWLocalWeekdayName(date), firstWeekendDay);
}

std::string FWDebugTimeStringForUTCDate(std::optional<Date> date) {
  Date d = date.value_or(Date::nullDate());
  UErrorCode status = U_ZERO_ERROR;
  icu::SimpleDateFormat fmt(icu::UnicodeString("dd/MM/yy HH:mm:ss"), icu::Locale::getUS(), status);
  if (U_FAILURE(status)) return {};
  fmt.setTimeZone(TimeZone::systemTimeZone().icuZone());
  icu::UnicodeString out;
  fmt.format(d.unixTime() * 1000.0, out);
  std::string s;
  out.toUTF8String(s);
  return s;
}
