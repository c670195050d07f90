#include "tools/kestrel/Duration.h"

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <utility>

namespace kestrel::tool {

std::optional<double> parseDuration(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double total = 0;
  int lastUnit = 5;  // units must come largest first, each once
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    uint64_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
      if (digits >= 12) return std::nullopt;
      value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (i == text.size()) {
      // A bare number is seconds, but only on its own.
      if (lastUnit != 5) return std::nullopt;
      total += static_cast<double>(value);
      break;
    }
    static constexpr struct {
      char unit;
      double seconds;
      int rank;
    } kUnits[] = {{'d', 86400, 4}, {'h', 3600, 3}, {'m', 60, 2}, {'s', 1, 1}};
    bool known = false;
    for (const auto& u : kUnits) {
      if (text[i] != u.unit) continue;
      if (u.rank >= lastUnit) return std::nullopt;
      lastUnit = u.rank;
      total += static_cast<double>(value) * u.seconds;
      known = true;
    }
    if (!known) return std::nullopt;
    ++i;
  }
  if (total > kLongestDurationSeconds) return std::nullopt;
  return total;
}

std::string formatDuration(double seconds) {
  auto left = static_cast<uint64_t>(std::llround(std::max(0.0, seconds)));
  std::string out;
  for (auto [unit, size] : {std::pair{'d', 86400ull}, {'h', 3600ull}, {'m', 60ull}, {'s', 1ull}}) {
    if (left >= size) {
      out += std::to_string(left / size) + unit;
      left %= size;
    }
  }
  return out.empty() ? "0s" : out;
}

}  // namespace kestrel::tool
