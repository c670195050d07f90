// Internal to the calendar store: identifiers for new items and collections, and the check
// that an identifier can name a file. Thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::internal {

// A random (version 4) UUID in upper case, e.g. "0C3B6E2A-5D1F-4E8B-9A27-3F6C1D2E4B5A".
std::string makeUUIDString();
// Usable as a file or folder name: 1...200 characters of letters, digits and "-_.@+",
// not starting with ".".
bool isSafeFileStem(std::string_view text);

}  // namespace kestrel::internal
