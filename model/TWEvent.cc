#include "model/TWEvent.h"

#include <cmath>
#include <limits>

#include "model/TWRecordFormatting.h"

Ref<TWEvent> TWEvent::make(const TWEventInit& init, bool native) {
  auto event = std::make_shared<TWEvent>(Private{});
  if (native) {
    event->setKey(nativeKeyForIdentifier(init.key, init.startDateRaw));
    event->rootKey_ = init.key;
  } else {
    event->setKey(init.key);
    event->rootKey_ = init.rootKey;
  }
  event->setObjectVersion(init.version);
  event->native_ = native;
  event->title_ = init.title;
  event->icon_ = init.icon;
  if (!init.location.empty()) event->addLocation(TWLocation::twLocationWithTitle(init.location));
  event->startDate_ = init.startDate;
  event->startDateTimeZone_ = init.startDateTimeZone;
  event->startDateRaw_ = init.startDateRaw;
  event->endDate_ = init.endDate;
  event->endDateTimeZone_ = init.endDateTimeZone;
  event->endDateRaw_ = init.endDateRaw;
  event->allDay_ = init.allDay;
  event->calendar_ = init.calendar;
  event->calendarIcon_ = init.calendarIcon;
  event->calendarColor_ = native ? init.calendarColor : companionCalendarColor(init.calendarColor);
  return event;
}

Ref<TWEvent> TWEvent::twEventWithKey(const TWEventInit& init) { return make(init, false); }

Ref<TWEvent> TWEvent::nativeEventWithKey(const TWEventInit& init) { return make(init, true); }

std::string TWEvent::nativeKeyForIdentifier(const std::string& identifier, double startDateRaw) {
  // Truncated toward zero like the platform's conversion, but never out of range (a
  // damaged start must not make the conversion undefined).
  double whole = std::isfinite(startDateRaw) ? std::trunc(startDateRaw) : 0.0;
  constexpr double kLimit = 9.2e18;
  if (whole > kLimit) whole = kLimit;
  if (whole < -kLimit) whole = -kLimit;
  return KSFormat("%@-%lld", identifier, static_cast<long long>(whole));
}

Ref<TWEvent> TWEvent::copyWithZone() const {
  auto event = std::make_shared<TWEvent>(Private{});
  event->copyCommonFieldsFrom(*this);
  event->rootKey_ = rootKey_;
  event->sectionTitle_ = sectionTitle_;
  event->endDate_ = endDate_;
  event->endDateTimeZone_ = endDateTimeZone_;
  event->endDateRaw_ = endDateRaw_;
  event->allDay_ = allDay_;
  event->rangeStartDate_ = rangeStartDate_;
  event->rangeEndDate_ = rangeEndDate_;
  event->availability_ = availability_;
  event->status_ = status_;
  event->hasAttendees_ = hasAttendees_;
  event->invitation_ = invitation_;
  event->shortInfoCalendar_ = shortInfoCalendar_;
  event->firstAlarm_ = firstAlarm_;
  event->nextAlarm_ = nextAlarm_;
  return event;
}

Ref<TWEvent> TWEvent::copyInstance(int32_t instance) const {
  auto event = copyWithZone();
  event->alarmKey_ = alarmKey();
  event->setKey(KSFormat("%@[%d]", key(), instance));
  return event;
}

std::string TWEvent::description() const {
  return KSFormat(
      "<%@: %p; key = %@; rootKey = %@; title = %@; isNative = %i; version = %i; icon = %@; startDate = %@; "
      "startDateRaw = %.0f; endDate = %@; endDateRaw = %.0f; allDay = %i; calendar = %@; calendarIcon = %@; "
      "calendarColor = %@; firstAlarm = %@; nextAlarm = %@; alarms = %@; availability = %i; status = %i; "
      "organiser = %@; hasAttendees = %@; attendees = %@; interact = %i; short = %i; isRepeating = %@>",
      "TWEvent", static_cast<const void*>(this), key(), rootKey_, title_, native_, objectVersion(), icon_, startDate_, startDateRaw_, endDate_,
      endDateRaw_, allDay_, calendar_, calendarIcon_, calendarColor_, firstAlarm_, nextAlarm_,
      TWListDescription(alarms_), availability_, status_, organiser_, hasAttendees_, TWListDescription(attendees_),
      reminderInteract_, shortInfoCalendar_, repeating_);
}

std::string TWEvent::shortDescription() const {
  return KSFormat(
      "<%@: %p; key = %@; rootKey = %@; version = %i; title = %@; interact = %i; short = %i; startDate = %@; "
      "startDateRaw = %.0f; endDate = %@; endDateRaw = %.0f; allDay = %i; firstAlarm = %@; nextAlarm = %@>",
      "TWEvent", static_cast<const void*>(this), key(), rootKey_, objectVersion(), title_, reminderInteract_, shortInfoCalendar_, startDate_,
      startDateRaw_, endDate_, endDateRaw_, allDay_, firstAlarm_, nextAlarm_);
}

PlistValue TWEvent::fields() const {
  PlistValue out = TWObject::fields();
  out.set("rootKey", rootKey_);
  out.set("sectionTitle", sectionTitle_);
  if (sectionDetails_) TWSetField(out, "sectionDetails", TWListField(*sectionDetails_));
  out.set("sectionStartInterval", sectionStartInterval_);
  out.set("sectionEndInterval", sectionEndInterval_);
  TWSetField(out, "endDate", TWDateField(endDate_));
  out.set("endDateTimeZone", endDateTimeZone_.name());
  out.set("endDateRaw", endDateRaw_);
  out.set("allDay", allDay_);
  out.set("reminderInteract", reminderInteract_);
  out.set("invitation", invitation_);
  TWSetField(out, "rangeStartDate", TWDateField(rangeStartDate_));
  TWSetField(out, "rangeEndDate", TWDateField(rangeEndDate_));
  out.set("availability", availability_);
  out.set("status", status_);
  out.set("organiser", organiser_);
  out.set("hasAttendees", hasAttendees_);
  TWSetField(out, "attendees", TWListField(attendees_));
  TWSetField(out, "firstAlarm", TWDateField(firstAlarm_));
  TWSetField(out, "nextAlarm", TWDateField(nextAlarm_));
  out.set("shortInfoCalendar", shortInfoCalendar_);
  return out;
}
