#include "model/TWRecordComparators.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

template <class T, class Compare>
int compareRecords(const Ref<T>& a, const Ref<T>& b, Compare compare) {
  if (!a || !b) return (a != nullptr) - (b != nullptr);
  return compare(*a, *b);
}

}  // namespace

int TWCompareCaseInsensitive(std::string_view a, std::string_view b) {
  icu::UnicodeString ua = icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())));
  icu::UnicodeString ub = icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), static_cast<int32_t>(b.size())));
  return sign(ua.caseCompare(ub, U_FOLD_CASE_DEFAULT));
}

int TWCompareDates(Date a, Date b) {
  if (a.isNull() || b.isNull()) return static_cast<int>(!a.isNull()) - static_cast<int>(!b.isNull());
  double x = a.timeIntervalSinceReferenceDate();
  double y = b.timeIntervalSinceReferenceDate();
  return (x > y) - (x < y);
}

int compareAttendees(const Ref<TWAttendee>& a, const Ref<TWAttendee>& b) {
  return compareRecords(a, b, [](const TWAttendee& x, const TWAttendee& y) {
    return TWCompareCaseInsensitive(x.name(), y.name());
  });
}

int compareAlarmTimes(const Ref<TWAlarm>& a, const Ref<TWAlarm>& b) {
  return compareRecords(a, b, [](const TWAlarm& x, const TWAlarm& y) { return TWCompareDates(x.date(), y.date()); });
}

int compareContextObjectNames(const Ref<TWContextObject>& a, const Ref<TWContextObject>& b) {
  return compareRecords(a, b, [](const TWContextObject& x, const TWContextObject& y) {
    return sign(x.name().compare(y.name()));
  });
}

int compareContextObjectKeys(const Ref<TWContextObject>& a, const Ref<TWContextObject>& b) {
  return compareRecords(a, b, [](const TWContextObject& x, const TWContextObject& y) {
    return (x.key() > y.key()) - (x.key() < y.key());
  });
}

int compareNativeTaskTitles(const Ref<TWTask>& a, const Ref<TWTask>& b) {
  return compareRecords(a, b, [](const TWTask& x, const TWTask& y) {
    return TWCompareCaseInsensitive(x.title(), y.title());
  });
}
