#include "platform/calendarstore/internal/Identifiers.h"

#include <cstdio>
#include <random>

namespace kestrel::internal {

std::string makeUUIDString() {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  uint64_t hi = rng(), lo = rng();
  hi = (hi & ~0xF000ULL) | 0x4000ULL;                  // version 4
  lo = (lo & ~(0xC0ULL << 56)) | (0x80ULL << 56);      // RFC 4122 variant
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(hi >> 32),
                static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                static_cast<unsigned>(lo >> 48), static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
  return buf;
}

bool isSafeFileStem(std::string_view text) {
  if (text.empty() || text.size() > 200 || text.front() == '.') return false;
  for (char c : text) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
              c == '.' || c == '@' || c == '+';
    if (!ok) return false;
  }
  return true;
}

}  // namespace kestrel::internal
