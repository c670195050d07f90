#include "runtime/FWPasteboardUtilities.h"

#include <algorithm>

namespace {

// The data of the type when exactly one item holds it.
std::optional<Bytes> singleData(const Ref<Pasteboard>& pasteboard, std::string_view type) {
  if (!pasteboard) return std::nullopt;
  auto data = pasteboard->dataForPasteboardType(type);
  if (data.size() != 1) return std::nullopt;
  return std::move(data.front());
}

}  // namespace

std::optional<PlistValue> FWNumberValueFromData(const Bytes* data) {
  if (!data) return std::nullopt;
  return PlistValue::fromBytes(*data);
}

std::optional<PlistValue> FWNumberValueFromPasteboard(const Ref<Pasteboard>& pasteboard, std::string_view type) {
  auto data = singleData(pasteboard, type);
  return data ? FWNumberValueFromData(&*data) : std::nullopt;
}

std::optional<std::string> FWStringValueFromData(const Bytes* data) {
  if (!data) return std::nullopt;
  if (std::any_of(data->begin(), data->end(), [](uint8_t byte) { return byte > 0x7F; })) {
    KSLog("KS:TWCommon: Ignoring pasteboard text that is not ASCII (%lu bytes)",
          static_cast<unsigned long>(data->size()));
    return std::nullopt;
  }
  return std::string(data->begin(), data->end());
}

std::optional<std::string> FWStringValueFromPasteboard(const Ref<Pasteboard>& pasteboard, std::string_view type) {
  auto data = singleData(pasteboard, type);
  return data ? FWStringValueFromData(&*data) : std::nullopt;
}
