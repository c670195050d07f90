// Reminder: one reminder of the calendar store (a VTODO), as a plain value.
//
// A Reminder is a snapshot: queries answer copies, and changes reach the disk only through
// CalendarStore::saveReminder. Its identity is calendarItemIdentifier (the item's UID).
// Dates keep their iCalendar kind in DateComponents (whole day, floating, or zoned), and
// dueDate()/startDate() pin them to instants with the system zone of the moment, so an
// all-day reminder stays on its local day. Saving merges (see ReminderOrigin). Text fields are valid UTF-8 (the store replaces
// undecodable bytes when it reads a file). Thread-safe to copy.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Alarm.h"
#include "platform/calendarstore/DateComponents.h"
#include "platform/calendarstore/RecurrenceRule.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel {

struct Reminder;

// The reminder as a query answered it, carried by every copy so that a save changes only
// the fields the caller changed and keeps what another program changed meanwhile. It is
// bookkeeping, not part of the reminder's value: equality ignores it.
struct ReminderOrigin {
  std::shared_ptr<const Reminder> asRead{};
  friend bool operator==(const ReminderOrigin&, const ReminderOrigin&) { return true; }
};

struct Reminder {
  std::string calendarItemIdentifier{};
  // The reminder list it belongs to (Calendar::calendarIdentifier).
  std::string calendarIdentifier{};
  std::string title{};
  std::string notes{};
  std::optional<DateComponents> dueDateComponents{};
  std::optional<DateComponents> startDateComponents{};
  bool completed = false;
  std::optional<Date> completionDate{};
  // 0 = none, 1 = highest ... 9 = lowest.
  int priority = 0;
  std::vector<Alarm> alarms{};
  std::vector<RecurrenceRule> recurrenceRules{};
  std::string location{};
  std::string URL{};
  std::optional<Date> creationDate{};
  std::optional<Date> lastModifiedDate{};
  // Device path of the .ics file it was read from; empty for a reminder never saved.
  std::string filePath{};
  ReminderOrigin origin{};

  // A new, unsaved reminder with a fresh identifier.
  static Reminder newReminder();

  std::optional<Date> dueDate() const;
  std::optional<Date> startDate() const;
  // The zone of a zoned due time (else of a zoned start time); none for whole days,
  // floating times and UTC times, which callers show in the system zone.
  std::optional<TimeZone> timeZone() const;
  bool isAllDay() const { return dueDateComponents && dueDateComponents->isAllDay(); }
  bool hasAlarms() const { return !alarms.empty(); }
  bool hasRecurrenceRules() const { return !recurrenceRules.empty(); }

  // Marks it completed now (keeping an existing completion date), or open again.
  void setCompleted(bool isCompleted);
  // The link that shows the reminder in the system's reminders application.
  std::string externalURI() const;

  friend bool operator==(const Reminder&, const Reminder&) = default;
  std::string description() const;
};

}  // namespace kestrel
