// Calendar: one collection of the calendar store, either a reminder list or an event
// calendar, as the store found it on disk.
//
// A collection is a folder of the store (see CalendarStore.h); its identifier is the
// folder's name, which never changes, so it is the key callers keep in preferences. Title
// and colour come from the folder's `displayname` and `color` files. A plain value:
// copying is cheap and thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Color.h"

namespace kestrel {

// What a collection holds (the values of EventKit's entity types).
enum class EntityType { Event = 0, Reminder = 1 };

// Where a collection comes from; an Exchange calendar reports "unavailable" differently.
enum class CalendarType { Local = 0, CalDAV = 1, Exchange = 2, Subscription = 3, Birthday = 4 };

struct Calendar {
  std::string calendarIdentifier{};
  std::string title{};
  Color color{};
  EntityType entityType = EntityType::Reminder;
  CalendarType type = CalendarType::Local;
  bool allowsModifications = true;
  // Account or source name (the optional `source` file); empty when there is none.
  std::string sourceTitle{};
  // Device path of the collection folder.
  std::string folderPath{};
  // The account's own addresses (the optional `owner` file), lower case without "mailto:";
  // an event in which one of them is an attendee is an invitation.
  std::vector<std::string> ownerAddresses{};

  friend bool operator==(const Calendar&, const Calendar&) = default;
  std::string description() const;
};

using CalendarItemCollection = Calendar;

// "#RRGGBB" for a colour (alpha dropped), as the `color` file holds it.
std::string hexStringForColor(const Color& color);
// Parses "#RRGGBB" or "#RRGGBBAA"; false for anything else.
bool parseHexColor(std::string_view text, Color* out);

}  // namespace kestrel
