// "LZ77-10"'s layout in one place: the header, the back-reference bytes and their limits, and
// the layout of the family's token walk (flag_walk.h) that the careful decoder, the scan's
// checker and the extent walk share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/flag/flag_walk.h"

namespace tegulo::lz10 {

inline constexpr std::uint8_t kTypeByte = 0x10;
inline constexpr std::size_t kHeaderSize = 4;  // type byte, then the raw size in 24 bits
inline constexpr std::uint32_t kMaxRawSize = 0xFFFFFF;
inline constexpr std::size_t kMinLength = 3;
inline constexpr std::size_t kMaxLength = 18;
inline constexpr std::size_t kMaxDistance = 4096;

// A back-reference: the distance back from the output position (1..4096) and the length.
struct TReference {
  std::size_t distance;
  std::size_t length;
};

// Length - 3 in the top four bits of the first byte, distance - 1 in the twelve below.
constexpr TReference SplitReference(unsigned b0, unsigned b1) {
  return {((b0 & 0x0Fu) << 8) + b1 + 1, (b0 >> 4) + kMinLength};
}

// The two bytes of a reference, the first in the low byte.
constexpr std::uint16_t JoinReference(std::size_t distance, std::size_t length) {
  const std::size_t d = distance - 1;
  return static_cast<std::uint16_t>((((length - kMinLength) << 4) | (d >> 8)) | (d & 0xFFu) << 8);
}

// The layout the flag-byte walk reads: flag bits from the top down, a set bit a reference
// of two bytes.
struct TLayout {
  static constexpr bool kTopBitFirst = true;
  static constexpr bool kSetBitIsReference = true;
  static constexpr std::size_t kMinReferenceSize = 2;
  using TReference = lz10::TReference;
  static constexpr std::size_t ReferenceSize(unsigned /*b0*/) { return 2; }
  static constexpr TReference SplitReference(const std::uint8_t* p) {
    return lz10::SplitReference(p[0], p[1]);
  }
};

using flag::TWalk;
using flag::TWalkEnd;

// The walk of the tokens from `in`, a flag-byte boundary with `out` bytes of output before it
// (flag_walk.h).
template <class V>
[[gnu::always_inline]] inline TWalk WalkTokensFrom(std::span<const std::uint8_t> s, V& visit,
                                                   std::size_t in, std::uint64_t out) {
  return flag::WalkTokensFrom<TLayout>(s, visit, in, out);
}

template <class V>
TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit) {
  return WalkTokensFrom(s, visit, kHeaderSize, 0);
}

}  // namespace tegulo::lz10
