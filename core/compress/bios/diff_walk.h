// The running sum of a Diff-8 or Diff-16 stream, shared by its decoder, its extent and the
// scan's judgement of a header before another stream.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

// The units of `stream` (header included) up to `size` bytes of output, each running sum
// handed to `put(o, sum)` with `o` the output offset of its unit (the sum is not reduced to
// the unit's range); returns the bytes consumed, header included. Stops at the last whole
// unit the stream holds.
template <class TPut>
std::uint32_t WalkDiffUnits(std::span<const std::uint8_t> stream, std::size_t size,
                            std::size_t unit, TPut put) {
  const std::size_t n = stream.size();
  std::size_t in = 4;
  unsigned acc = 0;
  for (std::size_t o = 0; o < size; o += unit) {
    if (in + unit > n) return static_cast<std::uint32_t>(std::min(in, n));
    acc += unit == 2 ? stream[in] | stream[in + 1] << 8U : stream[in];
    in += unit;
    put(o, acc);
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

}  // namespace tegulo
