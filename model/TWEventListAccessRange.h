// TWEventListAccessRange: one bar of a day's time summary — an event's stretch of the local
// day, in seconds after local midnight, and its calendar colour. A negative duration marks
// an all-day bar, which covers the whole summary.
//
// A day's bars are one shared list (TWEventListAccessRanges): the list builder hands it to
// the day's first event and goes on appending the bars of the day's later events, so the
// heading of that first row shows them all. The list is complete once the rebuild that made
// it has returned; readers on other threads take it only after that. A bar is immutable
// and thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/KSHost.h"
#include "runtime/FWTypes.h"

class TWEventListAccessRange : public kestrel::KSDescribable {
  struct Private {};

 public:
  static Ref<TWEventListAccessRange> accessRangeWithStart(int32_t start, int32_t duration, Color color);
  // Start 0, duration -1.
  static Ref<TWEventListAccessRange> allDayAccessRange(Color color);
  TWEventListAccessRange(Private, int32_t start, int32_t duration, Color color)
      : start_(start), duration_(duration), color_(color) {}

  int32_t start() const { return start_; }
  int32_t duration() const { return duration_; }
  const Color& color() const { return color_; }
  bool isAllDay() const { return duration_ < 0; }

  std::string description() const;
  PlistValue fields() const override;

 private:
  const int32_t start_;
  const int32_t duration_;
  const Color color_;
};

using TWEventListAccessRanges = std::vector<Ref<TWEventListAccessRange>>;
