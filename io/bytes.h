// Byte-order helpers for values read from and written to system files.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace savkit::io {

inline std::uint32_t Swap32(std::uint32_t v) { return __builtin_bswap32(v); }
inline std::uint64_t Swap64(std::uint64_t v) { return __builtin_bswap64(v); }

inline std::int32_t LoadI32(const std::uint8_t* p, bool swap) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return static_cast<std::int32_t>(swap ? Swap32(v) : v);
}

inline std::int64_t LoadI64(const std::uint8_t* p, bool swap) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return static_cast<std::int64_t>(swap ? Swap64(v) : v);
}

inline double LoadF64(const std::uint8_t* p, bool swap) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return std::bit_cast<double>(swap ? Swap64(v) : v);
}

}  // namespace savkit::io
