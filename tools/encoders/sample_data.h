// Generated test data that compresses like real tile graphics; no ROM data involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tegulo {

// `size` bytes of 4bpp planar tiles (32 bytes each): a small set of base tiles made of
// blank areas, runs and outlines, repeated with occasional pixel changes and blank tiles
// between them. The same seed gives the same bytes.
std::vector<std::uint8_t> MakeTileLikeData(std::size_t size, std::uint32_t seed);

}  // namespace tegulo
