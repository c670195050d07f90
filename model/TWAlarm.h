// TWAlarm: one alarm of a task or event. It fires at an absolute date, at an offset from
// the item's base date, or on arriving at or leaving a place; the events plug-in also
// makes extra alarms, extra reminders and an "is active" marker of its own.
//
// An alarm is made once by a factory and shared by reference (an item's alarm list and the
// pending-alarm list of the events plug-in hold the same objects). After creation only
// `fixedTime` is set and `expireAlarm` moves the date to now; both are atomic, so they may
// happen while other threads read the alarm. Everything else never changes.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "model/TWCoordinates.h"
#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

// Alarm types.
inline constexpr int32_t kTWAlarmTypeNative = 0;
inline constexpr int32_t kTWAlarmTypeLocationArrive = 1;
inline constexpr int32_t kTWAlarmTypeLocationLeave = 2;
inline constexpr int32_t kTWAlarmTypeExtraAlarm = 3;
inline constexpr int32_t kTWAlarmTypeExtraReminder = 4;
inline constexpr int32_t kTWAlarmTypeIsActive = 5;

class TWAlarm : public kestrel::KSDescribable {
  struct Private {};

 public:
  // Absolute alarm: relativeDate 0, not fixed time.
  static Ref<TWAlarm> alarmWithKey(std::string key, Date date, int32_t type);
  // Relative alarm: date = baseDate + relativeDate seconds (negative = before). A null base
  // date leaves the date null: an offset from a missing date is still no date.
  static Ref<TWAlarm> alarmWithKeyRelativeDate(std::string key, double relativeDate, Date baseDate, int32_t type,
                                               bool fixedTime = false);
  // Location alarm: no date (the null date), not fixed time.
  static Ref<TWAlarm> alarmWithKeyType(std::string key, int32_t type, std::optional<std::string> location,
                                       std::optional<TWCoordinates> coordinates);

  TWAlarm(Private, std::string key, Date date, double relativeDate, int32_t type, bool fixedTime,
          std::optional<std::string> location, std::optional<TWCoordinates> coordinates);
  TWAlarm(const TWAlarm&) = delete;
  TWAlarm& operator=(const TWAlarm&) = delete;

  // Key of the item the alarm belongs to.
  const std::string& key() const { return key_; }
  Date date() const { return date_.load(); }
  double relativeDate() const { return relativeDate_; }
  int32_t type() const { return type_; }
  bool fixedTime() const { return fixedTime_.load(); }
  void setFixedTime(bool fixedTime) { fixedTime_.store(fixedTime); }
  const std::optional<std::string>& location() const { return location_; }
  const std::optional<TWCoordinates>& coordinates() const { return coordinates_; }

  bool isRelative() const { return relativeDate_ != 0; }
  // The alarm has fired: its date becomes the current time.
  void expireAlarm();

  // "NATIVE", "LOCN-ARRIVE", "LOCN-LEAVE", "EXTRA-ALARM", "EXTRA-REMINDER", "IS-ACTIVE",
  // or the decimal number of any other type.
  static std::string nameForType(int32_t type);

  std::string description() const;
  PlistValue fields() const override;

 private:
  const std::string key_;
  std::atomic<Date> date_;
  const double relativeDate_;
  const int32_t type_;
  std::atomic<bool> fixedTime_;
  const std::optional<std::string> location_;
  const std::optional<TWCoordinates> coordinates_;
};
