// Event: one occurrence of an event of the calendar store (a VEVENT), as a plain value.
//
// Queries answer occurrences: a repeating event is expanded into one Event per occurrence
// within the asked window, each with the recurrence rule of its series. eventIdentifier names
// the occurrence and stays the same across queries and edits of other fields, so callers can
// keep it and pass it to CalendarStore::eventWithIdentifier; calendarItemIdentifier is the
// series' UID, shared by all its occurrences.
//
// Dates are instants. A timed event keeps the zone it was written in (timeZone); floating
// times and all-day events have none and are pinned in the system zone at query time, so an
// all-day event stays on its local day wherever the device is. An all-day event ends at the
// midnight that follows its last day (iCalendar's exclusive DTEND).
//
// isInvite: one of the attendees is the account's own address (the collection's `owner`
// file, see internal/StoreFolders.h) and is not the organiser; participationStatus is that
// attendee's status. Text fields are valid UTF-8. Thread-safe to copy.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Alarm.h"
#include "platform/calendarstore/RecurrenceRule.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel {

// The values of EventKit's event availability. Read from X-MICROSOFT-CDO-BUSYSTATUS when
// the file has it (FREE, TENTATIVE, BUSY, OOF), else from TRANSP (TRANSPARENT = free).
enum class EventAvailability { NotSupported = -1, Busy = 0, Free = 1, Tentative = 2, Unavailable = 3 };

// The values of EventKit's event status (STATUS: CONFIRMED, TENTATIVE, CANCELLED).
enum class EventStatus { None = 0, Confirmed = 1, Tentative = 2, Canceled = 3 };

// The values of EventKit's participant status (PARTSTAT: NEEDS-ACTION is Pending).
enum class ParticipantStatus {
  Unknown = 0,
  Pending = 1,
  Accepted = 2,
  Declined = 3,
  Tentative = 4,
  Delegated = 5,
  Completed = 6,
  InProcess = 7
};

// An attendee or the organiser (ATTENDEE / ORGANIZER with CN and PARTSTAT).
struct Participant {
  // The CN parameter; empty when there is none.
  std::string name{};
  // The address as written, usually "mailto:someone@example.com".
  std::string URL{};
  ParticipantStatus participantStatus = ParticipantStatus::Unknown;
  // The address is the account's own.
  bool isCurrentUser = false;

  friend bool operator==(const Participant&, const Participant&) = default;
  std::string description() const;
};

struct Event {
  // The occurrence: "<calendar>/<UID>" for a single event, "<calendar>/<UID>/<recurrence id>"
  // for an occurrence of a repeating one ("/" and "%" in the UID are %-escaped).
  std::string eventIdentifier{};
  // The series' UID.
  std::string calendarItemIdentifier{};
  // The calendar it belongs to (Calendar::calendarIdentifier).
  std::string calendarIdentifier{};
  std::optional<Date> lastModifiedDate{};
  std::optional<Date> creationDate{};

  std::string title{};
  std::string location{};
  std::string notes{};
  // The URL property (EventKit's externalURL); empty when there is none.
  std::string URL{};

  Date startDate{};
  Date endDate{};
  // The zone of the start; none for floating times and all-day events.
  std::optional<TimeZone> timeZone{};
  bool allDay = false;
  EventAvailability availability = EventAvailability::Busy;
  EventStatus status = EventStatus::None;

  std::vector<Alarm> alarms{};
  std::vector<Participant> attendees{};
  std::optional<Participant> organizer{};
  // The series' rule (the first RRULE); none for a single event.
  std::optional<RecurrenceRule> recurrenceRule{};

  // This occurrence was changed on its own (a RECURRENCE-ID override).
  bool isDetached = false;
  // Where the series put this occurrence (its recurrence id), for occurrences of repeating
  // events; none for a single event.
  std::optional<Date> occurrenceDate{};

  bool isInvite = false;
  ParticipantStatus participationStatus = ParticipantStatus::Unknown;

  // Device path of the .ics file it was read from.
  std::string filePath{};

  bool hasAlarms() const { return !alarms.empty(); }
  bool hasAttendees() const { return !attendees.empty(); }
  bool hasRecurrenceRules() const { return recurrenceRule.has_value(); }
  const std::string& externalURL() const { return URL; }

  friend bool operator==(const Event&, const Event&) = default;
  std::string description() const;
};

}  // namespace kestrel
