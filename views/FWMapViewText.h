// Texts the map page sends and logs: query escaping, the region code of the country
// service's reply, and replies as log text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Percent-escapes every byte but letters, digits and "-._~" (UTF-8 bytes one by one), so
// the text stays one query value; with `spacesAsPlus`, spaces become "+" instead of "%20".
std::string FWMapViewEscapedQueryText(std::string_view text, bool spacesAsPlus);
// The place text as the geocoding query wants it: trimmed of white space and line ends,
// then escaped with spaces as "+".
std::string FWMapViewGeocodeQuery(std::string_view location);
// The two-letter region code of a country service reply (white space around it allowed),
// upper-cased; none for anything else.
std::optional<std::string> FWMapViewRegionCode(std::string_view reply);
// The reply as ASCII for the log: other bytes as "?", cut at `limit` bytes with a note of
// the full length.
std::string FWMapViewReplyLogText(std::string_view reply, size_t limit);
