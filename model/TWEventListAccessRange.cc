#include "model/TWEventListAccessRange.h"

#include "model/TWRecordFormatting.h"

Ref<TWEventListAccessRange> TWEventListAccessRange::accessRangeWithStart(int32_t start, int32_t duration,
                                                                         Color color) {
  return std::make_shared<TWEventListAccessRange>(Private{}, start, duration, color);
}

Ref<TWEventListAccessRange> TWEventListAccessRange::allDayAccessRange(Color color) {
  return accessRangeWithStart(0, -1, color);
}

std::string TWEventListAccessRange::description() const {
  return KSFormat("<%@: %p; start = %i; duration = %i; color = %@>", "TWEventListAccessRange",
                  static_cast<const void*>(this), start_, duration_, color_);
}

PlistValue TWEventListAccessRange::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("start", start_);
  out.set("duration", duration_);
  out.set("color", TWColorField(color_));
  return out;
}
