// Readers for values that the companion application and the plug-ins exchange through
// pasteboards: numbers (and other values) as serialised property lists, texts as ASCII.
//
// Each reader answers none when there is nothing to read: no data, data that is not a
// property list, text with a byte outside ASCII (logged), or a pasteboard that holds the
// type in no item or in more than one. Stateless and thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Pasteboard.h"
#include "runtime/FWTypes.h"

using kestrel::Pasteboard;

// The value of a serialised property list (XML or binary); none for no data or damaged data.
std::optional<PlistValue> FWNumberValueFromData(const Bytes* data);
inline std::optional<PlistValue> FWNumberValueFromData(const Bytes& data) { return FWNumberValueFromData(&data); }

// When exactly one item of the pasteboard has the type: that item read as a property list.
std::optional<PlistValue> FWNumberValueFromPasteboard(const Ref<Pasteboard>& pasteboard, std::string_view type);

// The data as ASCII text; none for no data or a byte above 0x7F.
std::optional<std::string> FWStringValueFromData(const Bytes* data);
inline std::optional<std::string> FWStringValueFromData(const Bytes& data) { return FWStringValueFromData(&data); }

// When exactly one item of the pasteboard has the type: that item as ASCII text.
std::optional<std::string> FWStringValueFromPasteboard(const Ref<Pasteboard>& pasteboard, std::string_view type);
