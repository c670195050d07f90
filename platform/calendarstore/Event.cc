#include "platform/calendarstore/Event.h"

#include "platform/foundation/Format.h"

namespace kestrel {

std::string Participant::description() const {
  return KSFormat("<Participant: name = %@; URL = %@; status = %i; currentUser = %i>", name, URL,
                  static_cast<int>(participantStatus), isCurrentUser);
}

std::string Event::description() const {
  std::string zone = timeZone ? timeZone->name() : "(floating)";
  return KSFormat(
      "<Event: id = %@; calendar = %@; title = %@; start = %@; end = %@; zone = %@; allDay = %i; "
      "availability = %i; status = %i; alarms = %lu; attendees = %lu; repeating = %i; detached = %i; "
      "invite = %i; participation = %i; file = %@>",
      eventIdentifier, calendarIdentifier, title, startDate, endDate, zone, allDay, static_cast<int>(availability),
      static_cast<int>(status), alarms.size(), attendees.size(), recurrenceRule.has_value(), isDetached, isInvite,
      static_cast<int>(participationStatus), filePath);
}

}  // namespace kestrel
