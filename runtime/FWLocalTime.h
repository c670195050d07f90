// Local-day arithmetic in the system time zone.
//
// Every function reads the system time zone (TimeZone::systemTimeZone()) and the clock at
// the moment of the call, so a zone change or a moved clock is seen at once. A null date
// passes through the UTC/local conversions unchanged. Thread-safe.
#pragma once

#include <optional>
#include <string>

#include "runtime/FWTypes.h"

// 0 = none, 1 = Monday ... 7 = Sunday.
using FWWeekdayName = int;
inline constexpr FWWeekdayName FWWeekdayNone = 0;
inline constexpr FWWeekdayName FWWeekdayMonday = 1;
inline constexpr FWWeekdayName FWWeekdaySunday = 7;

Date FWLocalDateForUTC(Date date);
Date FWUTCForLocalDate(Date date);
Date FWLocalDateForLocalMidnight();
Date FWLocalDateForLocalMidnightOnDate(Date date);
int FWSecondsWithinLocalDate(Date date);

bool FWIsLocalDateSameDay(Date a, Date b);
bool FWIsLocalDateToday(Date date);
bool FWIsLocalDateTomorrow(Date date);
bool FWIsLocalDateYesterday(Date date);
// Same week number, month and year: a week that spans two months counts as two weeks.
bool FWIsLocalDateSameWeek(Date a, Date b);
bool FWIsLocalDateThisWeek(Date date);

FWWeekdayName FWLocalWeekdayName(Date date);
// Platform weekday (1 = Sunday ... 7 = Saturday) to FWWeekdayName.
FWWeekdayName FWRecurranceWeekdayName(int platformWeekday);
// No wrap-around: with 7 (Sunday) as the first weekend day only Sunday counts.
bool FWIsDayWeekend(FWWeekdayName day, FWWeekdayName firstWeekendDay);
bool FWIsLocalDateWeekend(Date date, FWWeekdayName firstWeekendDay);

// "dd/MM/yy HH:mm:ss" in the system zone; a missing date prints as the null date.
std::string FWDebugTimeStringForUTCDate(std::optional<Date> date);
