// Date: an instant as seconds since the reference date 2001-01-01 00:00:00 UTC.
//
// The "null date" (seconds == smallest normal double) stands for a missing date. It sorts
// before every real date. The is...ThanDate comparisons work on whole seconds (truncated
// toward zero to a signed 32-bit count), so two instants within one second are equal.
// Date is a plain value type and thread-safe to copy.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace kestrel {

// Seconds between the Unix epoch and the reference date.
inline constexpr double kUnixToReferenceOffset = 978307200.0;

class Date {
 public:
  constexpr Date() = default;
  constexpr explicit Date(double secondsSinceReference) : seconds_(secondsSinceReference) {}

  static constexpr Date referenceDate() { return Date(0.0); }
  static constexpr Date nullDate() { return Date(std::numeric_limits<double>::min()); }
  // The null date for exactly 0 seconds (how the companion database stores "no date").
  static constexpr Date nullableDateWithTimeIntervalSinceReferenceDate(double s) {
    return s == 0.0 ? nullDate() : Date(s);
  }
  static constexpr Date fromUnix(double unixSeconds) { return Date(unixSeconds - kUnixToReferenceOffset); }

  constexpr double timeIntervalSinceReferenceDate() const { return seconds_; }
  constexpr double unixTime() const { return seconds_ + kUnixToReferenceOffset; }
  constexpr bool isNull() const { return seconds_ == std::numeric_limits<double>::min(); }

  constexpr Date addingTimeInterval(double s) const { return Date(seconds_ + s); }
  constexpr double timeIntervalSinceDate(Date other) const { return seconds_ - other.seconds_; }

  // Whole-second comparisons with the null-date rule.
  bool isEarlierThanDate(Date other) const;
  bool isLaterThanDate(Date other) const;
  bool isEqualOrEarlierThanDate(Date other) const;
  bool isEqualOrLaterThanDate(Date other) const;

  // Exact comparisons (sub-second), for ordering and containers.
  friend constexpr bool operator==(Date a, Date b) { return a.seconds_ == b.seconds_; }
  friend constexpr auto operator<=>(Date a, Date b) { return a.seconds_ <=> b.seconds_; }

  // ISO-8601 in UTC ("2026-12-08T14:30:00Z"), or "(null)" for the null date.
  std::string description() const;
  // Parses "YYYY-MM-DDTHH:MM[:SS][Z|±HH:MM]" (UTC when no offset is given).
  static bool parseISO8601(const std::string& text, Date* out);

 private:
  double seconds_ = 0.0;
};

// Whole seconds since the reference date, truncated toward zero and clamped to 32 bits.
int32_t wholeSeconds(Date d);

}  // namespace kestrel
