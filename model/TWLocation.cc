#include "model/TWLocation.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <charconv>
#include <cmath>

#include "model/TWRecordFormatting.h"

namespace {

constexpr const char* kCoordinatesPattern = "\\[-?[0-9]+\\.[0-9]+,-?[0-9]*\\.[0-9]+\\]";

std::optional<double> decimalNumber(std::string_view text) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

Ref<TWLocation> TWLocation::twLocationWithTitle(std::string title, std::optional<std::string> description,
                                                std::optional<TWCoordinates> coords) {
  return std::make_shared<TWLocation>(Private{}, std::move(title), std::move(description), coords, true);
}

Ref<TWLocation> TWLocation::twLocationWithTitle(std::string title) {
  return std::make_shared<TWLocation>(Private{}, std::move(title), std::nullopt, std::nullopt, false);
}

TWLocation::TWLocation(Private, std::string title, std::optional<std::string> description,
                       std::optional<TWCoordinates> coordinates, bool coordinatesSet)
    : title_(std::move(title)),
      description_(std::move(description)),
      coordinates_(coordinates),
      coordinatesSet_(coordinatesSet) {}

std::string TWLocation::title() const {
  std::lock_guard lock(mutex_);
  parseTitleIfNeeded();
  return title_;
}

std::optional<TWCoordinates> TWLocation::coordinates() const {
  std::lock_guard lock(mutex_);
  parseTitleIfNeeded();
  return coordinates_;
}

void TWLocation::setCoordinates(std::optional<TWCoordinates> coordinates) {
  std::lock_guard lock(mutex_);
  coordinates_ = coordinates;
  coordinatesSet_ = true;
}

void TWLocation::parseTitleIfNeeded() const {
  if (coordinatesSet_) return;
  coordinatesSet_ = true;
  if (title_.find('[') == std::string::npos) return;

  // ICU's matcher works without recursion, so a long hostile title costs time, not stack.
  UErrorCode status = U_ZERO_ERROR;
  static const icu::RegexPattern* pattern = [] {
    UErrorCode s = U_ZERO_ERROR;
    return icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(kCoordinatesPattern), 0, s);
  }();
  if (!pattern) return;
  icu::UnicodeString title = icu::UnicodeString::fromUTF8(title_);
  std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(title, status));
  if (U_FAILURE(status) || !matcher->find(status) || U_FAILURE(status)) return;
  int32_t start = matcher->start(status);
  int32_t end = matcher->end(status);
  if (U_FAILURE(status)) return;

  std::string pair;
  title.tempSubStringBetween(start + 1, end - 1).toUTF8String(pair);
  std::string shortened;
  icu::UnicodeString(title).remove(start, end - start).toUTF8String(shortened);
  title_ = std::move(shortened);

  size_t comma = pair.find(',');
  if (comma == std::string::npos || pair.find(',', comma + 1) != std::string::npos) return;
  auto latitude = decimalNumber(std::string_view(pair).substr(0, comma));
  auto longitude = decimalNumber(std::string_view(pair).substr(comma + 1));
  if (latitude && longitude) coordinates_ = TWCoordinates{*latitude, *longitude};
}

PlistValue TWLocation::fields() const {
  std::lock_guard lock(mutex_);
  parseTitleIfNeeded();
  PlistValue out = PlistValue::dict();
  out.set("title", title_);
  TWSetField(out, "description", TWOptionalField(description_));
  if (coordinates_) out.set("coordinates", coordinates_->fields());
  return out;
}
