// Comparators for sorting records: each answers -1, 0 or 1 (first before, same, after).
//
// A missing record (nullptr) sorts before every record. Names compare case-insensitively
// where stated (Unicode case folding), otherwise by code point. Alarm times follow the
// date rule of the whole system: the null date comes before every real date.
// TWDBComparator adapts one of them to the database readers' sorted reads.
// Pure functions; thread-safe.
#pragma once

#include <memory>

#include "database/FWDBRecords.h"
#include "model/TWAlarm.h"
#include "model/TWAttendee.h"
#include "model/TWContextObject.h"
#include "model/TWTask.h"

int compareAttendees(const Ref<TWAttendee>& a, const Ref<TWAttendee>& b);        // name, case-insensitive
int compareAlarmTimes(const Ref<TWAlarm>& a, const Ref<TWAlarm>& b);             // date, ascending
int compareContextObjectNames(const Ref<TWContextObject>& a, const Ref<TWContextObject>& b);  // name, plain
int compareContextObjectKeys(const Ref<TWContextObject>& a, const Ref<TWContextObject>& b);   // integer key
int compareNativeTaskTitles(const Ref<TWTask>& a, const Ref<TWTask>& b);         // title, case-insensitive

// Case-insensitive comparison of two UTF-8 texts, -1, 0 or 1.
int TWCompareCaseInsensitive(std::string_view a, std::string_view b);
// Dates with the null date first; otherwise exact.
int TWCompareDates(Date a, Date b);

// For FWDBGetSortedRecords...: rows that all build a T.
template <class T>
FWDBComparator TWDBComparator(int (*compare)(const Ref<T>&, const Ref<T>&)) {
  return [compare](const FWDBObject& a, const FWDBObject& b) {
    return compare(std::static_pointer_cast<T>(a), std::static_pointer_cast<T>(b));
  };
}

// For std::sort and friends.
template <class T>
auto TWLess(int (*compare)(const Ref<T>&, const Ref<T>&)) {
  return [compare](const Ref<T>& a, const Ref<T>& b) { return compare(a, b) < 0; };
}
