#include "model/TWAlarm.h"

#include "model/TWRecordFormatting.h"

Ref<TWAlarm> TWAlarm::alarmWithKey(std::string key, Date date, int32_t type) {
  return std::make_shared<TWAlarm>(Private{}, std::move(key), date, 0.0, type, false, std::nullopt, std::nullopt);
}

Ref<TWAlarm> TWAlarm::alarmWithKeyRelativeDate(std::string key, double relativeDate, Date baseDate, int32_t type,
                                               bool fixedTime) {
  Date date = baseDate.isNull() ? Date::nullDate() : baseDate.addingTimeInterval(relativeDate);
  return std::make_shared<TWAlarm>(Private{}, std::move(key), date, relativeDate, type, fixedTime, std::nullopt,
                                   std::nullopt);
}

Ref<TWAlarm> TWAlarm::alarmWithKeyType(std::string key, int32_t type, std::optional<std::string> location,
                                       std::optional<TWCoordinates> coordinates) {
  return std::make_shared<TWAlarm>(Private{}, std::move(key), Date::nullDate(), 0.0, type, false,
                                   std::move(location), coordinates);
}

TWAlarm::TWAlarm(Private, std::string key, Date date, double relativeDate, int32_t type, bool fixedTime,
                 std::optional<std::string> location, std::optional<TWCoordinates> coordinates)
    : key_(std::move(key)),
      date_(date),
      relativeDate_(relativeDate),
      type_(type),
      fixedTime_(fixedTime),
      location_(std::move(location)),
      coordinates_(coordinates) {}

void TWAlarm::expireAlarm() { date_.store(Clock::now()); }

std::string TWAlarm::nameForType(int32_t type) {
  switch (type) {
    case kTWAlarmTypeNative: return "NATIVE";
    case kTWAlarmTypeLocationArrive: return "LOCN-ARRIVE";
    case kTWAlarmTypeLocationLeave: return "LOCN-LEAVE";
    case kTWAlarmTypeExtraAlarm: return "EXTRA-ALARM";
    case kTWAlarmTypeExtraReminder: return "EXTRA-REMINDER";
    case kTWAlarmTypeIsActive: return "IS-ACTIVE";
    default: return std::to_string(type);
  }
}

std::string TWAlarm::description() const {
  return KSFormat("<%@: %p; key = %@; date = %@; type = %@; fixed = %i; locn = %@; coord = %@>", "TWAlarm", static_cast<const void*>(this),
                  key_, date(), nameForType(type_), fixedTime(), TWOptionalDescription(location_), coordinates_);
}

PlistValue TWAlarm::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("key", key_);
  TWSetField(out, "date", TWDateField(date()));
  out.set("relativeDate", relativeDate_);
  out.set("type", type_);
  out.set("fixedTime", fixedTime());
  TWSetField(out, "location", TWOptionalField(location_));
  if (coordinates_) out.set("coordinates", coordinates_->fields());
  return out;
}
