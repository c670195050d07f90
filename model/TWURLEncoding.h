// Percent-encoding of texts that go into links (RFC 3986).
//
// Each function encodes what its part of a link may not hold literally, byte by byte as
// "%XX" (upper-case hex), so that a value can never add a path segment, a query or a
// fragment of its own. Characters a part may hold are kept, so ordinary values (UUIDs,
// entity names, decimal keys, Base64 text) come out unchanged. Pure functions; thread-safe.
#pragma once

#include <string>
#include <string_view>

// One path segment: keeps unreserved characters, sub-delimiters, ":" and "@"; encodes
// "/", "?", "#", "%", spaces, controls and every byte above 0x7F.
std::string TWURLEncodePathSegment(std::string_view text);

// A query: keeps what a path segment keeps plus "/" and "?", and "%" when it starts a
// valid "%XX" escape (the text is then already encoded there); encodes every other "%",
// "#", spaces, controls and bytes above 0x7F.
std::string TWURLEncodeQuery(std::string_view text);

// "file://" and the absolute local path, each segment encoded.
std::string TWFileURLForPath(std::string_view path);
