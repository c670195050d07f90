// Text helpers: localisation lookup, wrapping-safe captions, XML and Base64 encoding,
// C-string decoding, character counts and separator joins.
//
// Every function is pure (FWLocalise reads the bundle's cached table) and thread-safe.
// Texts are UTF-8 std::strings.
#pragma once

#include <string>
#include <string_view>

#include "runtime/FWTypes.h"

// The bundle's text for `key` in its default table; the key itself when there is no text
// or no bundle.
std::string FWLocalise(const Ref<Bundle>& bundle, const std::string& key);

// " (" becomes U+00A0 "(" and " - " becomes U+00A0 "-" U+00A0, so that line wrapping never
// separates a name from its parenthesis or the sides of a dash.
std::string FWSplittableString(std::string_view text);

// Replaces, in this order, & < > ' and " by their entities. Because "&" goes first, an
// entity already in the text is escaped once more ("&amp;" becomes "&amp;amp;").
std::string FWXMLEncodeString(std::string_view text);

// RFC 4648 Base64 of the text's bytes, with "=" padding and no line breaks.
std::string FWBase64EncodeString(std::string_view text);

// A zero-terminated byte string read as UTF-8; an empty text for nullptr. Ill-formed
// sequences become U+FFFD so that the readable rest of a damaged text survives.
std::string FWUFT8StringForCharString(const char* bytes);

// Characters as a reader counts them (extended grapheme clusters: "é" written as e and a
// combining accent, or a flag, is one). Ill-formed bytes count one each.
size_t FWCharacterCount(std::string_view text);
// Unicode code points; each ill-formed byte counts as one.
size_t FWCodePointCount(std::string_view text);

// Appends `separator` (only when `string` is not empty) and then `text`.
void appendString(std::string& string, std::string_view text, std::string_view withSeparator);
