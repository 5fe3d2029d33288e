// Tile-like sample data from a seeded generator.
#include "sample_data.h"

#include <array>
#include <random>

namespace tegulo {

std::vector<std::uint8_t> MakeTileLikeData(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  constexpr int kBaseTiles = 48;
  std::vector<std::array<std::uint8_t, 32>> base(kBaseTiles);
  for (auto& tile : base) {
    tile.fill(0);
    // A shape: a band of rows with a solid run in some planes and an outline in others.
    const int top = static_cast<int>(rng() % 8);
    const int bottom = top + static_cast<int>(rng() % (8 - top));
    const std::uint8_t run = static_cast<std::uint8_t>(0xFFu >> (rng() % 8));
    const unsigned planes = rng() % 16;
    for (int y = top; y <= bottom; ++y) {
      for (int plane = 0; plane < 4; ++plane) {
        if (((planes >> plane) & 1u) == 0) continue;
        // SNES 4bpp: planes 0/1 interleaved in bytes 0..15, planes 2/3 in 16..31.
        const int at = (plane < 2 ? 0 : 16) + 2 * y + (plane & 1);
        tile[at] = (y == top || y == bottom) ? run : static_cast<std::uint8_t>(run & 0x81);
      }
    }
  }

  std::vector<std::uint8_t> out;
  out.reserve(size + 32);
  while (out.size() < size) {
    const unsigned pick = rng() % 100;
    std::array<std::uint8_t, 32> tile{};
    if (pick >= 15) {
      tile = base[rng() % kBaseTiles];
      if (pick >= 85) tile[rng() % 32] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    }
    out.insert(out.end(), tile.begin(), tile.end());
  }
  out.resize(size);
  return out;
}

}  // namespace tegulo
