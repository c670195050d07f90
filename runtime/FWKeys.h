// Keys of companion records and of device calendars.
//
// FWKeyFromRefID reads the primary key out of a Core Data object reference
// ("x-coredata://<store>/TWTask/p123" gives 123). Anything else, including damaged,
// overlong or hostile text, gives 0, which is never a record's key. Thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// References longer than this are not object references; they give 0 unread.
inline constexpr size_t kFWMaxRefIDLength = 4096;

int64_t FWKeyFromRefID(std::string_view reference);

// What the calendar store tells about one calendar. `identifier` and `accountName` are
// none when the store does not offer them at all.
struct FWCalendarInfo {
  std::optional<std::string> identifier = std::nullopt;
  std::string title = {};
  std::optional<std::string> accountName = std::nullopt;
};

// The identifier when offered; else "title;account name" when account names are offered;
// else the title.
std::string FWKeyForCalendar(const FWCalendarInfo& calendar);
