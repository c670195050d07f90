// SQLite's file formats store their integers big-endian; reads and writes of those fields.
#pragma once

#include <cstdint>

inline uint32_t FWDBGet16(const unsigned char* p) { return uint32_t(p[0]) << 8 | p[1]; }

inline uint32_t FWDBGet32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void FWDBPut32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}
