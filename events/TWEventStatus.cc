#include "events/TWEventStatus.h"

#include "platform/foundation/Clock.h"

TWEventStatus::TWEventStatus() : nextChangeDue_(Clock::now()), lastListRefresh_(Date::nullDate()) {}

std::optional<Date> TWEventStatus::nextChangeDue() const {
  std::lock_guard lock(datesMutex_);
  return nextChangeDue_;
}

void TWEventStatus::setNextChangeDue(std::optional<Date> date) {
  std::lock_guard lock(datesMutex_);
  nextChangeDue_ = date;
}

std::optional<Date> TWEventStatus::nextAlarmDue() const {
  std::lock_guard lock(datesMutex_);
  return nextAlarmDue_;
}

void TWEventStatus::setNextAlarmDue(std::optional<Date> date) {
  std::lock_guard lock(datesMutex_);
  nextAlarmDue_ = date;
}

Date TWEventStatus::lastListRefresh() const {
  std::lock_guard lock(datesMutex_);
  return lastListRefresh_;
}

void TWEventStatus::setLastListRefresh(Date date) {
  std::lock_guard lock(datesMutex_);
  lastListRefresh_ = date;
}

std::string TWEventStatus::description() const {
  return KSFormat("<%@: %p; style = %i; details = %i; nextChange = %@; nextAlarm = %@; lastRefresh = %@>",
                  "TWEventStatus", static_cast<const void*>(this), viewStyle(), showListDetails(), nextChangeDue(),
                  nextAlarmDue(), lastListRefresh());
}
