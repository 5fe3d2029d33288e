// Bounded views of compressed streams inside the ROM image, and zero-padded header reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

// The bytes from `address` to the end of `rom`; no bytes when the address lies outside it.
inline std::span<const std::uint8_t> StreamAt(std::span<const std::uint8_t> rom,
                                              std::int64_t address) {
  if (address < 0 || static_cast<std::uint64_t>(address) >= rom.size()) return {};
  return rom.subspan(static_cast<std::size_t>(address));
}

// The little-endian value of `bytes` bytes (1..4) at `pos`; bytes past the end read as 0.
inline std::uint32_t ReadLePadded(std::span<const std::uint8_t> s, std::size_t pos, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    const std::size_t p = pos + static_cast<std::size_t>(i);
    if (p < s.size()) v |= static_cast<std::uint32_t>(s[p]) << (8 * i);
  }
  return v;
}

// The big-endian value of `bytes` bytes (1..4) at `pos`; bytes past the end read as 0.
inline std::uint32_t ReadBePadded(std::span<const std::uint8_t> s, std::size_t pos, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    const std::size_t p = pos + static_cast<std::size_t>(i);
    v = v << 8U | (p < s.size() ? s[p] : 0U);
  }
  return v;
}

}  // namespace tegulo
