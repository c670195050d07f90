#include "tasks/TWTaskStatus.h"

std::optional<std::string> TWTaskStatus::badgeValue() const {
  std::lock_guard lock(textMutex_);
  return badgeValue_;
}

void TWTaskStatus::setBadgeValue(std::optional<std::string> value) {
  std::lock_guard lock(textMutex_);
  badgeValue_ = std::move(value);
}

std::optional<std::string> TWTaskStatus::captionValue() const {
  std::lock_guard lock(textMutex_);
  return captionValue_;
}

void TWTaskStatus::setCaptionValue(std::optional<std::string> value) {
  std::lock_guard lock(textMutex_);
  captionValue_ = std::move(value);
}

void TWTaskStatus::setAutoContextOn(bool on) {
  if (autoContextOn_.exchange(on) != on) autoContextPasteboardUpdateCount_ = -1;
}

std::string TWTaskStatus::description() const {
  return KSFormat(
      "<%@: %p; auto = %i; fixed = %i; available = %i; toggle = %i; details = %i; items = %i; filtered = %i; "
      "withDetails = %i; caption = %@; badge = %@>",
      "TWTaskStatus", static_cast<const void*>(this), isAutoContextOn(), isFixedContextOn(),
      isAutoContextAvailable(), isToggleOn(), showListDetails(), itemsReturnedCount(), itemsFilteredCount(),
      itemsWithDetailsCount(), captionValue(), badgeValue());
}
