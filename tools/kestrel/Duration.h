// Duration: lengths of time as kestrel's command lines write them.
//
// A duration is one or more whole numbers each followed by a unit, largest first:
// "90s", "15m", "2h30m", "1d", "1d2h"; a bare number is seconds ("600"). Units: d, h, m, s.
// Zero is allowed; a negative, empty or unitless-after-units text, a repeated unit, or more
// than ten years is refused. Plain functions; not synchronised.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::tool {

inline constexpr double kLongestDurationSeconds = 10.0 * 366 * 86400;

std::optional<double> parseDuration(std::string_view text);
// "1h30m", "45s", "0s": the shortest form that parseDuration reads back.
std::string formatDuration(double seconds);

}  // namespace kestrel::tool
