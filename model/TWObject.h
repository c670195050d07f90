// TWObject: what the task and event records share — identity (key and version, from
// FWDisplayObject), origin, title and icon, start, calendar, recurrence, privacy, alarms,
// notes, tags and places.
//
// A record is a snapshot made in one step by a factory of TWTask or TWEvent from one
// database row or one device item; the list builder may then set the read/write fields,
// and a detail page completes a copy ("augments" it). Nothing in a record points back to
// the database. Dates: `startDate` is the display date (the null date when there is none),
// `startDateRaw` the stored seconds since 2001, unconverted (0 when a companion item has
// no start).
//
// Threads: a record is filled by one thread before it is handed on; after that it is only
// read (the display flags of FWDisplayObject and the alarms' own changes are atomic). Its
// fields() (KSDescribable) list the fields under their names for hosts and tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/TWAlarm.h"
#include "model/TWLocation.h"
#include "platform/host/KSHost.h"
#include "runtime/FWDisplayObject.h"
#include "runtime/FWTypes.h"

class TWContextObject;
class TWRecurrance;

// Notes longer than this many characters are summarised.
inline constexpr size_t kTWNotesSummaryLength = 256;

class TWObject : public FWDisplayObject {
 public:
  ~TWObject() override = default;

  // From the device's own store rather than the companion's database.
  bool native() const { return native_; }
  // The detail fields (notes, tags, recurrence, places...) have been loaded.
  bool augmented() const { return augmented_; }
  void setAugmented(bool augmented) { augmented_ = augmented; }

  const std::vector<Ref<TWLocation>>& locations() const { return locations_; }
  void addLocation(Ref<TWLocation> location);

  const std::string& title() const { return title_; }
  const std::string& icon() const { return icon_; }

  Date startDate() const { return startDate_; }
  void setStartDate(Date date) { startDate_ = date; }
  const TimeZone& startDateTimeZone() const { return startDateTimeZone_; }
  void setStartDateTimeZone(TimeZone zone) { startDateTimeZone_ = std::move(zone); }
  double startDateRaw() const { return startDateRaw_; }

  const std::string& calendar() const { return calendar_; }
  const std::string& calendarIcon() const { return calendarIcon_; }
  const Color& calendarColor() const { return calendarColor_; }

  bool repeating() const { return repeating_; }
  void setRepeating(bool repeating) { repeating_ = repeating; }
  const Ref<TWRecurrance>& recurrance() const { return recurrance_; }
  void setRecurrance(Ref<TWRecurrance> recurrance) { recurrance_ = std::move(recurrance); }

  // Privacy level; -1 = unknown.
  int32_t sensitivity() const { return sensitivity_; }
  void setSensitivity(int32_t sensitivity) { sensitivity_ = sensitivity; }

  // In the order the builder gave; empty = none.
  const std::vector<Ref<TWAlarm>>& alarms() const { return alarms_; }
  void setAlarms(std::vector<Ref<TWAlarm>> alarms) { alarms_ = std::move(alarms); }
  void addAlarm(Ref<TWAlarm> alarm);

  // None when the item has no notes; empty text counts as none.
  const std::optional<std::string>& notes() const { return notes_; }
  void setNotes(std::optional<std::string> notes);
  // The notes trimmed of white space at both ends; beyond kTWNotesSummaryLength characters
  // cut at the first control character from there on, or at kTWNotesSummaryLength when
  // there is none. None when there are no notes.
  std::optional<std::string> notesSummary() const;

  // Sorted by name (the builder sorts them).
  const std::vector<Ref<TWContextObject>>& tags() const { return tags_; }
  void setTags(std::vector<Ref<TWContextObject>> tags) { tags_ = std::move(tags); }

  PlistValue fields() const override;

 protected:
  TWObject();
  TWObject(const TWObject&) = delete;
  TWObject& operator=(const TWObject&) = delete;

  // The black companion calendar colour shows as dark blue.
  static Color companionCalendarColor(const Color& color);

  // The fields both record kinds copy (see TWTask::copy, TWEvent::copy).
  void copyCommonFieldsFrom(const TWObject& other);

  bool native_ = false;
  bool augmented_ = false;
  std::vector<Ref<TWLocation>> locations_;
  std::string title_;
  std::string icon_;
  Date startDate_ = Date::nullDate();
  TimeZone startDateTimeZone_;
  double startDateRaw_ = 0;
  std::string calendar_;
  std::string calendarIcon_;
  Color calendarColor_ = Color::clearColor();
  bool repeating_ = false;
  Ref<TWRecurrance> recurrance_;
  int32_t sensitivity_ = -1;
  std::vector<Ref<TWAlarm>> alarms_;
  std::optional<std::string> notes_;
  std::vector<Ref<TWContextObject>> tags_;
};

// The notes summary rule on any text (see TWObject::notesSummary).
std::string TWNotesSummary(std::string_view notes);
