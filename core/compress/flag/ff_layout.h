// The ring family "LZSS-FF5" / "LZSS-FF6" in one place: the ring, the header and
// back-reference bytes of each scheme, and their layouts of the family's token walk
// (flag_walk.h) that the careful decoder, the scan's checker and the extent walk share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/flag/flag_walk.h"

namespace tegulo::ff {

// The ring, and the index of the first output byte in it.
inline constexpr std::size_t kRingSize = 2048;
inline constexpr std::size_t kRingStart = 2014;
inline constexpr std::size_t kRingMask = kRingSize - 1;
inline constexpr std::size_t kHeaderSize = 2;
// The 16-bit header: FF5's raw size, FF6's stream length.
inline constexpr std::uint32_t kMaxHeaderValue = 0xFFFF;
inline constexpr std::size_t kMinLength = 3;
inline constexpr std::size_t kMaxLength = 34;

// A back-reference: the source's index in the ring and the length.
struct TReference {
  std::size_t index;
  std::size_t length;
  // The distance back from output byte `out`, 1..2048 (the ring holds the last 2048 bytes,
  // output byte k at index (kRingStart + k) mod 2048).
  std::size_t Distance(std::size_t out) const {
    const std::size_t w = (kRingStart + out) & kRingMask;
    return ((w - index - 1) & kRingMask) + 1;
  }
};

// FF5: index bits 8..10 in the top three bits of the second byte, length - 3 below them.
// FF6: length - 3 in the top five bits, index bits 8..10 in the low three.
template <bool kFF6>
constexpr TReference SplitReference(unsigned b0, unsigned b1) {
  if constexpr (kFF6) {
    return {b0 + ((b1 & 0x07u) << 8), (b1 >> 3) + kMinLength};
  } else {
    return {b0 + ((b1 & 0xE0u) << 3), (b1 & 0x1Fu) + kMinLength};
  }
}

// The two bytes of a reference made after `written` output bytes to a source `distance` back.
template <bool kFF6>
constexpr std::uint16_t JoinReference(std::size_t written, std::size_t distance,
                                      std::size_t length) {
  const std::size_t p = (kRingStart + written - distance) & kRingMask;
  const std::size_t len = length - kMinLength;
  const std::size_t b1 = kFF6 ? (len << 3) | (p >> 8) : ((p >> 8) << 5) | len;
  return static_cast<std::uint16_t>((p & 0xFFu) | b1 << 8);
}

// The layout the flag-byte walk reads: flag bits from the lowest up, a set bit a literal,
// references of two bytes.
template <bool kFF6>
struct TLayout {
  static constexpr bool kTopBitFirst = false;
  static constexpr bool kSetBitIsReference = false;
  static constexpr std::size_t kMinReferenceSize = 2;
  using TReference = ff::TReference;
  static constexpr std::size_t ReferenceSize(unsigned /*b0*/) { return 2; }
  static constexpr TReference SplitReference(const std::uint8_t* p) {
    return ff::SplitReference<kFF6>(p[0], p[1]);
  }
};

using flag::TWalk;
using flag::TWalkEnd;

// The walk of the tokens from `in`, a flag-byte boundary with `out` bytes of output before it
// (flag_walk.h).
template <bool kFF6, class V>
[[gnu::always_inline]] inline TWalk WalkTokensFrom(std::span<const std::uint8_t> s, V& visit,
                                                   std::size_t in, std::uint64_t out) {
  return flag::WalkTokensFrom<TLayout<kFF6>>(s, visit, in, out);
}

// The walk of a whole stream, from the first flag byte after the header.
template <bool kFF6, class V>
TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit) {
  return WalkTokensFrom<kFF6>(s, visit, kHeaderSize, 0);
}

}  // namespace tegulo::ff
