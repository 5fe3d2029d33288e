// "LZ77-11"'s layout: LZ77-10's flag groups with references of 2, 3 or 4 bytes (lengths
// 3..16, 17..272, 273..65808), the form in the top four bits of the first byte; the layout of
// the family's token walk (flag_walk.h) that the decoder, the scan's checker and the extent
// walk share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/flag/flag_walk.h"

namespace tegulo::lz11 {

inline constexpr std::size_t kHeaderSize = 4;  // type byte, then the raw size in 24 bits

// A back-reference: the distance back from the output position (1..4096) and the length.
struct TReference {
  std::size_t distance;
  std::size_t length;
};

struct TLayout {
  static constexpr bool kTopBitFirst = true;
  static constexpr bool kSetBitIsReference = true;
  static constexpr std::size_t kMinReferenceSize = 2;
  using TReference = lz11::TReference;
  // Form 0: three bytes, form 1: four, any other: two.
  static constexpr std::size_t ReferenceSize(unsigned b0) {
    const unsigned form = b0 >> 4;
    return form == 0 ? 3 : form == 1 ? 4 : 2;
  }
  static constexpr TReference SplitReference(const std::uint8_t* p) {
    const unsigned b0 = p[0];
    const unsigned form = b0 >> 4;
    if (form >= 2) return {((b0 & 0xFu) << 8 | p[1]) + 1u, form + 1u};
    if (form == 0) {
      return {((p[1] & 0xFu) << 8 | p[2]) + 1u, ((b0 & 0xFu) << 4 | p[1] >> 4) + 0x11u};
    }
    return {((p[2] & 0xFu) << 8 | p[3]) + 1u,
            ((b0 & 0xFu) << 12 | unsigned{p[1]} << 4 | p[2] >> 4) + 0x111u};
  }
};

using flag::TWalk;
using flag::TWalkEnd;

// The walk of a whole stream, from the first flag byte after the header.
template <class V>
[[gnu::always_inline]] inline TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit) {
  return flag::WalkTokensFrom<TLayout>(s, visit, kHeaderSize, 0);
}

}  // namespace tegulo::lz11
