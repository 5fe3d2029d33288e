// Generated test data that compresses like real tile graphics; no ROM data involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tegulo {

// `size` bytes of 4bpp planar tiles (32 bytes each): a set of base shapes (runs, outlines,
// dither) repeated with small changes, among blank and noisy tiles. Compresses to about a
// third with the encoders. The same seed gives the same bytes.
std::vector<std::uint8_t> MakeTileLikeData(std::size_t size, std::uint32_t seed);

}  // namespace tegulo
