// Internal to the calendar store: text checks on what files hold. Thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::internal {

// The text with each undecodable UTF-8 sequence replaced by U+FFFD; *changed (may be null)
// tells whether anything was replaced.
std::string validUTF8(std::string_view text, bool* changed = nullptr);
// Whether `text` contains `part`, comparing case-folded; an empty part is contained.
bool containsIgnoringCase(std::string_view text, std::string_view part);
// Without leading and trailing white space and line ends.
std::string trimmed(std::string_view text);

}  // namespace kestrel::internal
