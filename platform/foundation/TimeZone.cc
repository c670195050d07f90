#include "platform/foundation/TimeZone.h"

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <mutex>

namespace kestrel {
namespace {

std::mutex gMutex;
std::optional<TimeZone> gSystem;

std::string toUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace

std::optional<TimeZone> TimeZone::named(const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::shared_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
  if (!zone || *zone == icu::TimeZone::getUnknown()) return std::nullopt;
  return TimeZone(name, std::move(zone));
}

// Built once: parsing a reminder file asks for UTC for every date it holds. Never destroyed,
// so a thread still parsing while the process exits does not copy a destroyed zone.
TimeZone TimeZone::utc() {
  static const TimeZone* const zone = new TimeZone(*named("UTC"));
  return *zone;
}

TimeZone TimeZone::systemTimeZone() {
  std::lock_guard lock(gMutex);
  if (!gSystem) {
    std::shared_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    zone->getID(id);
    gSystem = TimeZone(toUtf8(id), std::move(zone));
  }
  return *gSystem;
}

bool TimeZone::setSystemTimeZone(const std::string& name) {
  auto zone = named(name);
  if (!zone) return false;
  setSystemTimeZone(*zone);
  return true;
}

void TimeZone::setSystemTimeZone(const TimeZone& zone) {
  std::lock_guard lock(gMutex);
  gSystem = zone;
}

int TimeZone::secondsFromGMTForDate(Date date) const {
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zone_->getOffset(date.unixTime() * 1000.0, false, raw, dst, status);
  if (U_FAILURE(status)) return 0;
  return (raw + dst) / 1000;
}

bool TimeZone::isDaylightSavingTimeForDate(Date date) const {
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zone_->getOffset(date.unixTime() * 1000.0, false, raw, dst, status);
  return U_SUCCESS(status) && dst != 0;
}

std::string TimeZone::abbreviationForDate(Date date) const {
  bool dst = isDaylightSavingTimeForDate(date);
  icu::UnicodeString out;
  zone_->getDisplayName(dst, icu::TimeZone::SHORT, icu::Locale::getUS(), out);
  return toUtf8(out);
}

}  // namespace kestrel
