#pragma once
// Little-endian fields in a byte buffer, as the ZIP format, program headers,
// registry values and the checksum's word loads store them. The bytes need
// no alignment.
#include <cstdint>

inline uint32_t readLe16(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8;
}
inline uint32_t readLe32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return readLe16(b) | readLe16(b + 2) << 16;
}
