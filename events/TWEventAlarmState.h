// TWEventAlarmState: the alarm engine's state that must outlive the plug-in — the pending
// extra alarms (sleep, snooze and active markers), the latest due time whose alarm was
// started, the mute, and when the repeating sound in progress ends — kept in a small
// property-list file of the plug-in, so that a host restart or a crash neither loses a
// snoozed alarm nor rings an alarm a second time.
//
// The file is "/var/mobile/Library/Caches/com.kzt.kestrel.TWEvent-alarms.plist" (device
// path). save() writes it atomically (temporary file, then rename). load() answers the empty
// state when the file is missing; a file that is not a property list of the expected shape
// is moved aside to "<file>.damaged", logged, and ignored; single entries that make no sense
// (no key, a date that is not a finite number, a type other than 3, 4 or 5) are skipped and
// logged. Expired entries are the caller's to drop. Plain values; saving and loading are
// serialised by the caller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWTypes.h"

struct TWEventAlarmState {
  static constexpr const char* kDevicePath = "/var/mobile/Library/Caches/com.kzt.kestrel.TWEvent-alarms.plist";
  static constexpr const char* kDamagedSuffix = ".damaged";
  // Keys longer than this are refused (an event key is an identifier and a start).
  static constexpr size_t kMaxKeyLength = 1024;
  static constexpr size_t kMaxInstances = 1000;

  // An alarm that was started: the event's alarm key and the due time.
  struct Started {
    std::string key;
    Date date;
    friend bool operator==(const Started&, const Started&) = default;
  };
  static constexpr size_t kMaxStarted = 500;

  struct Instance {
    std::string key;
    Date date;
    int32_t type = 0;
    friend bool operator==(const Instance&, const Instance&) = default;
  };

  std::vector<Instance> instances;
  std::optional<Date> lastAlarmDate;  // the latest due time whose alarm was started
  std::vector<Started> started;       // none in files written before the list existed
  bool hasStartedList = false;        // the file had the list (an empty one counts)
  std::optional<Date> muteUntilDate;
  std::optional<Date> soundUntil;     // the end of the repeating sound in progress

  friend bool operator==(const TWEventAlarmState&, const TWEventAlarmState&) = default;

  PlistValue plist() const;
  // None when `value` is not a dictionary; bad entries are skipped (and logged).
  static std::optional<TWEventAlarmState> fromPlist(const PlistValue& value);

  // `localPath` is the file's local path (Device::path of kDevicePath).
  static TWEventAlarmState load(const std::string& localPath);
  bool save(const std::string& localPath) const;
};
