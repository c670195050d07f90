#include "model/TWObject.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "model/TWContextObject.h"
#include "model/TWRecordFormatting.h"
#include "model/TWRecurrance.h"

namespace {

// Byte offsets of each character (code point) of a UTF-8 text, with the text's size at
// the end; ill-formed bytes count as one character each, so nothing is lost.
struct Characters {
  std::vector<size_t> offsets;
  std::vector<UChar32> points;
};

Characters characters(std::string_view text) {
  Characters out;
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    out.offsets.push_back(static_cast<size_t>(i));
    UChar32 c;
    U8_NEXT(s, i, length, c);
    out.points.push_back(c);
  }
  out.offsets.push_back(text.size());
  return out;
}

bool isSpace(UChar32 c) { return c >= 0 && u_isUWhiteSpace(c); }

bool isControl(UChar32 c) {
  if (c < 0) return false;
  int8_t type = u_charType(c);
  return type == U_CONTROL_CHAR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

}  // namespace

std::string TWNotesSummary(std::string_view notes) {
  Characters all = characters(notes);
  size_t first = 0;
  size_t last = all.points.size();
  while (first < last && isSpace(all.points[first])) ++first;
  while (last > first && isSpace(all.points[last - 1])) --last;
  size_t count = last - first;
  size_t cut = count;
  if (count > kTWNotesSummaryLength) {
    cut = kTWNotesSummaryLength;
    for (size_t i = kTWNotesSummaryLength; i < count; ++i) {
      if (isControl(all.points[first + i])) {
        cut = i;
        break;
      }
    }
  }
  return std::string(notes.substr(all.offsets[first], all.offsets[first + cut] - all.offsets[first]));
}

TWObject::TWObject() : startDateTimeZone_(TimeZone::systemTimeZone()) { locations_.reserve(2); }

void TWObject::addLocation(Ref<TWLocation> location) {
  if (location) locations_.push_back(std::move(location));
}

void TWObject::addAlarm(Ref<TWAlarm> alarm) {
  if (alarm) alarms_.push_back(std::move(alarm));
}

void TWObject::setNotes(std::optional<std::string> notes) {
  if (notes && notes->empty()) notes.reset();
  notes_ = std::move(notes);
}

std::optional<std::string> TWObject::notesSummary() const {
  if (!notes_) return std::nullopt;
  return TWNotesSummary(*notes_);
}

Color TWObject::companionCalendarColor(const Color& color) {
  return color == Color::blackColor() ? Color::rgba(0, 0, 112.0 / 255.0, 1) : color;
}

void TWObject::copyCommonFieldsFrom(const TWObject& other) {
  setKey(other.key());
  setObjectVersion(other.objectVersion());
  native_ = other.native_;
  title_ = other.title_;
  icon_ = other.icon_;
  locations_ = other.locations_;
  startDate_ = other.startDate_;
  startDateTimeZone_ = other.startDateTimeZone_;
  startDateRaw_ = other.startDateRaw_;
  calendar_ = other.calendar_;
  calendarIcon_ = other.calendarIcon_;
  calendarColor_ = other.calendarColor_;
  repeating_ = other.repeating_;
  sensitivity_ = other.sensitivity_;
  alarms_ = other.alarms_;
}

PlistValue TWObject::fields() const {
  PlistValue out = FWDisplayObject::fields();
  out.set("native", native_);
  out.set("augmented", augmented_);
  TWSetField(out, "locations", TWListField(locations_));
  out.set("title", title_);
  out.set("icon", icon_);
  TWSetField(out, "startDate", TWDateField(startDate_));
  out.set("startDateTimeZone", startDateTimeZone_.name());
  out.set("startDateRaw", startDateRaw_);
  out.set("calendar", calendar_);
  out.set("calendarIcon", calendarIcon_);
  out.set("calendarColor", TWColorField(calendarColor_));
  out.set("repeating", repeating_);
  if (recurrance_) out.set("recurrance", recurrance_->fields());
  out.set("sensitivity", sensitivity_);
  TWSetField(out, "alarms", TWListField(alarms_));
  TWSetField(out, "notes", TWOptionalField(notes_));
  TWSetField(out, "tags", TWListField(tags_));
  return out;
}
