// TWEvent: one displayed instance of an event of the companion's database or of the
// device's calendars (`native`), as the events plug-in lists it.
//
// Several display instances of one event share its `rootKey`. A device event's key is its
// identifier, "-" and its start in whole seconds ("E1-1000"), so every occurrence of a
// repeating device event has its own key; copyInstance(n) appends "[n]" to a copy's key
// (a later day of an event that spans days) and keeps the event's key as its alarmKey().
// Dates follow TWObject: display dates (null date when absent) beside the stored raw
// values.
//
// copyWithZone() gives the plain list record (no notes, tags, recurrence, attendees, organiser,
// section details or intervals, reminder flag), which augmentation then completes on the
// copy. Threads: as TWObject.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/TWAttendee.h"
#include "model/TWEventListAccessRange.h"
#include "model/TWObject.h"

struct TWEventInit {
  std::string key{};  // for a device event: its identifier
  std::string rootKey{};  // ignored for device events (the identifier)
  int32_t version = 0;
  std::string title{};
  std::string icon{};
  std::string location{};  // not empty: the event's one place, from its title
  Date startDate = Date::nullDate();
  TimeZone startDateTimeZone = TimeZone::systemTimeZone();
  double startDateRaw = 0;
  Date endDate = Date::nullDate();
  TimeZone endDateTimeZone = TimeZone::systemTimeZone();
  double endDateRaw = 0;
  bool allDay = false;
  std::string calendar{};
  std::string calendarIcon{};
  Color calendarColor = Color::clearColor();
};

class TWEvent : public TWObject {
  struct Private {};

 public:
  // A companion event: not native; an opaque black calendar colour becomes dark blue.
  static Ref<TWEvent> twEventWithKey(const TWEventInit& init);
  // A device event: native; key "<identifier>-<whole start seconds>", rootKey the
  // identifier; the colour is kept.
  static Ref<TWEvent> nativeEventWithKey(const TWEventInit& init);
  // The key of a device event's instance: "%@-%d" with the start truncated to whole seconds.
  static std::string nativeKeyForIdentifier(const std::string& identifier, double startDateRaw);

  explicit TWEvent(Private) {}

  const std::string& rootKey() const { return rootKey_; }
  const std::string& sectionTitle() const { return sectionTitle_; }
  void setSectionTitle(std::string title) { sectionTitle_ = std::move(title); }
  // The bars of the day's time summary, shared with the list builder (see
  // TWEventListAccessRange.h); none without a summary.
  const Ref<TWEventListAccessRanges>& sectionDetails() const { return sectionDetails_; }
  void setSectionDetails(Ref<TWEventListAccessRanges> details) { sectionDetails_ = std::move(details); }
  int32_t sectionStartInterval() const { return sectionStartInterval_; }
  void setSectionStartInterval(int32_t seconds) { sectionStartInterval_ = seconds; }
  int32_t sectionEndInterval() const { return sectionEndInterval_; }
  void setSectionEndInterval(int32_t seconds) { sectionEndInterval_ = seconds; }
  Date endDate() const { return endDate_; }
  void setEndDate(Date date) { endDate_ = date; }
  const TimeZone& endDateTimeZone() const { return endDateTimeZone_; }
  void setEndDateTimeZone(TimeZone zone) { endDateTimeZone_ = std::move(zone); }
  double endDateRaw() const { return endDateRaw_; }
  bool allDay() const { return allDay_; }
  void setAllDay(bool allDay) { allDay_ = allDay; }
  bool reminderInteract() const { return reminderInteract_; }
  void setReminderInteract(bool interact) { reminderInteract_ = interact; }
  bool invitation() const { return invitation_; }
  void setInvitation(bool invitation) { invitation_ = invitation; }
  Date rangeStartDate() const { return rangeStartDate_; }
  void setRangeStartDate(Date date) { rangeStartDate_ = date; }
  Date rangeEndDate() const { return rangeEndDate_; }
  void setRangeEndDate(Date date) { rangeEndDate_ = date; }
  // -1 = unknown.
  int32_t availability() const { return availability_; }
  void setAvailability(int32_t availability) { availability_ = availability; }
  // 0 none, 1 confirmed, 2 tentative, 3 cancelled.
  static constexpr int32_t kStatusCancelled = 3;
  int32_t status() const { return status_; }
  void setStatus(int32_t status) { status_ = status; }
  const std::string& organiser() const { return organiser_; }
  void setOrganiser(std::string organiser) { organiser_ = std::move(organiser); }
  bool hasAttendees() const { return hasAttendees_; }
  void setHasAttendees(bool hasAttendees) { hasAttendees_ = hasAttendees; }
  const std::vector<Ref<TWAttendee>>& attendees() const { return attendees_; }
  void setAttendees(std::vector<Ref<TWAttendee>> attendees) { attendees_ = std::move(attendees); }
  Date firstAlarm() const { return firstAlarm_; }
  void setFirstAlarm(Date date) { firstAlarm_ = date; }
  Date nextAlarm() const { return nextAlarm_; }
  void setNextAlarm(Date date) { nextAlarm_ = date; }
  bool shortInfoCalendar() const { return shortInfoCalendar_; }
  void setShortInfoCalendar(bool shortInfo) { shortInfoCalendar_ = shortInfo; }

  // At least one place, and not a calendar shown in short form.
  bool hasDetails() const { return !locations_.empty() && !shortInfoCalendar_; }

  Ref<TWEvent> copyWithZone() const;
  // A copy whose key has "[n]" appended.
  Ref<TWEvent> copyInstance(int32_t instance) const;
  // The key the event's alarms go by: its own, or for a later day's copy the event's, so an
  // event that spans days rings once.
  const std::string& alarmKey() const { return alarmKey_.empty() ? key() : alarmKey_; }

  std::string description() const override;
  std::string shortDescription() const;
  PlistValue fields() const override;

 private:
  static Ref<TWEvent> make(const TWEventInit& init, bool native);

  std::string rootKey_;
  std::string alarmKey_;  // empty: key()
  std::string sectionTitle_;
  Ref<TWEventListAccessRanges> sectionDetails_;
  int32_t sectionStartInterval_ = 0;
  int32_t sectionEndInterval_ = 0;
  Date endDate_ = Date::nullDate();
  TimeZone endDateTimeZone_ = TimeZone::systemTimeZone();
  double endDateRaw_ = 0;
  bool allDay_ = false;
  bool reminderInteract_ = false;
  bool invitation_ = false;
  Date rangeStartDate_ = Date::nullDate();
  Date rangeEndDate_ = Date::nullDate();
  int32_t availability_ = -1;
  int32_t status_ = 0;
  std::string organiser_;
  bool hasAttendees_ = false;
  std::vector<Ref<TWAttendee>> attendees_;
  Date firstAlarm_ = Date::nullDate();
  Date nextAlarm_ = Date::nullDate();
  bool shortInfoCalendar_ = false;
};
