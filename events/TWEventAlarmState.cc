#include "events/TWEventAlarmState.h"

#include <cmath>
#include <cstdio>

#include "model/TWAlarm.h"
#include "platform/foundation/Files.h"
#include "runtime/FWTypes.h"

using kestrel::PlistValue;
namespace files = kestrel::files;

namespace {

constexpr int64_t kVersion = 1;

PlistValue dateValue(std::optional<Date> date) {
  return date ? PlistValue(date->timeIntervalSinceReferenceDate()) : PlistValue();
}

// A finite number of seconds; none for anything else.
std::optional<Date> readDate(const PlistValue* value) {
  if (!value || !value->isNumber()) return std::nullopt;
  auto seconds = value->doubleValue();
  if (!seconds || !std::isfinite(*seconds)) return std::nullopt;
  return Date(*seconds);
}

bool isEngineType(int64_t type) {
  return type == kTWAlarmTypeExtraAlarm || type == kTWAlarmTypeExtraReminder || type == kTWAlarmTypeIsActive;
}

}  // namespace

PlistValue TWEventAlarmState::plist() const {
  PlistValue::Array alarms;
  for (const auto& instance : instances)
    alarms.push_back(PlistValue(PlistValue::Dict{{"key", PlistValue(instance.key)},
                                                 {"date", PlistValue(instance.date.timeIntervalSinceReferenceDate())},
                                                 {"type", PlistValue(instance.type)}}));
  PlistValue out(PlistValue::Dict{{"version", PlistValue(kVersion)}, {"alarms", PlistValue(std::move(alarms))}});
  if (lastAlarmDate) out.set("lastAlarm", dateValue(lastAlarmDate));
  if (hasStartedList || !started.empty()) {
    PlistValue::Array startedList;
    for (const auto& s : started)
      startedList.push_back(PlistValue(PlistValue::Dict{{"key", PlistValue(s.key)},
                                                        {"date", PlistValue(s.date.timeIntervalSinceReferenceDate())}}));
    out.set("started", PlistValue(std::move(startedList)));
  }
  if (muteUntilDate) out.set("muteUntil", dateValue(muteUntilDate));
  if (soundUntil) out.set("soundUntil", dateValue(soundUntil));
  return out;
}

std::optional<TWEventAlarmState> TWEventAlarmState::fromPlist(const PlistValue& value) {
  if (!value.isDict()) return std::nullopt;
  const PlistValue* alarms = value.get("alarms");
  if (alarms && !alarms->isArray()) return std::nullopt;
  TWEventAlarmState state;
  if (alarms) {
    for (const PlistValue& entry : *alarms->asArray()) {
      const PlistValue* key = entry.get("key");
      auto date = readDate(entry.get("date"));
      const PlistValue* type = entry.get("type");
      auto typeNumber = type && type->isNumber() ? type->integerValue() : std::nullopt;
      if (!key || !key->isString() || key->asString()->empty() || key->asString()->size() > kMaxKeyLength || !date ||
          !typeNumber || !isEngineType(*typeNumber)) {
        KSLog("KS:TWEvent: Ignoring unusable saved alarm %@", entry.description());
        continue;
      }
      if (state.instances.size() >= kMaxInstances) {
        KSLog("KS:TWEvent: Ignoring saved alarms beyond %d", static_cast<int>(kMaxInstances));
        break;
      }
      state.instances.push_back({*key->asString(), *date, static_cast<int32_t>(*typeNumber)});
    }
  }
  state.lastAlarmDate = readDate(value.get("lastAlarm"));
  if (const PlistValue* started = value.get("started"); started && started->isArray()) {
    state.hasStartedList = true;
    for (const PlistValue& entry : *started->asArray()) {
      const PlistValue* key = entry.get("key");
      auto date = readDate(entry.get("date"));
      if (!key || !key->isString() || key->asString()->empty() || key->asString()->size() > kMaxKeyLength || !date) {
        KSLog("KS:TWEvent: Ignoring unusable started alarm %@", entry.description());
        continue;
      }
      if (state.started.size() >= kMaxStarted) break;
      state.started.push_back({*key->asString(), *date});
    }
  }
  state.muteUntilDate = readDate(value.get("muteUntil"));
  state.soundUntil = readDate(value.get("soundUntil"));
  return state;
}

TWEventAlarmState TWEventAlarmState::load(const std::string& localPath) {
  if (!files::exists(localPath)) return {};
  auto bytes = files::readFile(localPath);
  std::optional<PlistValue> value = bytes ? PlistValue::fromBytes(*bytes) : std::nullopt;
  std::optional<TWEventAlarmState> state = value ? fromPlist(*value) : std::nullopt;
  if (state) return *state;
  // Kept for a look, never read again; the engine starts afresh.
  const std::string aside = localPath + kDamagedSuffix;
  bool moved = std::rename(localPath.c_str(), aside.c_str()) == 0;
  KSLog("KS:TWEvent: Alarm state file %@ is damaged - %@ and starting without saved alarms", localPath,
        moved ? "kept aside as " + aside : std::string("could not be moved aside"));
  if (!moved) files::removeFile(localPath);
  return {};
}

bool TWEventAlarmState::save(const std::string& localPath) const {
  if (files::writePlistAtomically(localPath, plist(), PlistValue::Format::XML)) return true;
  KSLog("KS:TWEvent: Cannot save the alarm state to %@", localPath);
  return false;
}
