// Tile-like sample data from a seeded generator.
#include "sample_data.h"

#include <array>
#include <random>

namespace tegulo {

std::vector<std::uint8_t> MakeTileLikeData(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  constexpr int kBaseTiles = 160;
  std::vector<std::array<std::uint8_t, 32>> base(kBaseTiles);
  for (auto& tile : base) {
    tile.fill(0);
    // A shape over a band of rows: each plane a solid run, an outline or a dither pattern,
    // the rows drifting by a pixel now and then as drawn shapes do.
    const int top = static_cast<int>(rng() % 6);
    const int bottom = top + 2 + static_cast<int>(rng() % (6 - top));
    const unsigned planes = 1 + rng() % 15;
    for (int plane = 0; plane < 4; ++plane) {
      if (((planes >> plane) & 1u) == 0) continue;
      const unsigned style = rng() % 3;
      unsigned row = 0xFFu >> (rng() % 6);
      for (int y = top; y < bottom && y < 8; ++y) {
        if (rng() % 3 == 0) row = (rng() % 2) ? (row << 1) & 0xFFu : row >> 1;
        std::uint8_t v = static_cast<std::uint8_t>(row);
        if (style == 1 && y != top && y != bottom - 1) v &= 0x81;
        if (style == 2) v &= (y & 1) ? 0xAA : 0x55;
        // SNES 4bpp: planes 0/1 interleaved in bytes 0..15, planes 2/3 in 16..31.
        tile[(plane < 2 ? 0 : 16) + 2 * y + (plane & 1)] = v;
      }
    }
  }

  std::vector<std::uint8_t> out;
  out.reserve(size + 32);
  while (out.size() < size) {
    const unsigned pick = rng() % 100;
    std::array<std::uint8_t, 32> tile{};
    if (pick < 8) {
      // blank
    } else if (pick < 14) {
      for (auto& b : tile) b = static_cast<std::uint8_t>(rng());  // noisy texture
    } else {
      tile = base[rng() % kBaseTiles];
      if (pick >= 60) {
        const unsigned changes = 1 + rng() % 4;
        for (unsigned i = 0; i < changes; ++i) tile[rng() % 32] ^= static_cast<std::uint8_t>(rng());
      }
    }
    out.insert(out.end(), tile.begin(), tile.end());
  }
  out.resize(size);
  return out;
}

}  // namespace tegulo
