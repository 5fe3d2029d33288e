// Every code path of the tile decoders (scalar, SSE2, AVX2 where the processor has it)
// against a per-pixel reading of each layout, on random sizes, start positions and data
// ends, so that runs of whole tiles of every length meet padded tiles on both sides.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tiles/tile_paths.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {

constexpr int kBytesPerTile[] = {0, 32, 32, 24, 16, 8, 128, 64, 64};

// Pixel (x, y) of the tile that starts at `at`; bytes outside the data read as 0.
int ReferencePixel(int row, const std::vector<std::uint8_t>& d, std::int64_t at, int x, int y) {
  const auto byte = [&](std::int64_t i) -> int {
    const std::int64_t p = at + i;
    return p >= 0 && p < static_cast<std::int64_t>(d.size()) ? d[static_cast<std::size_t>(p)] : 0;
  };
  const auto bit = [&](int i, int n) { return ((byte(i) >> (7 - x)) & 1) << n; };
  switch (row) {
    case 1: return (byte(4 * y + x / 2) >> (x % 2 ? 4 : 0)) & 15;
    case 2: return bit(2 * y, 0) | bit(2 * y + 1, 1) | bit(16 + 2 * y, 2) | bit(17 + 2 * y, 3);
    case 3: return bit(2 * y, 0) | bit(2 * y + 1, 1) | bit(16 + y, 2);
    case 4: return bit(2 * y, 0) | bit(2 * y + 1, 1);
    case 5: return bit(y, 0);
    case 6: return byte(1 + 16 * y + 2 * x);
    case 7: return byte(8 * y + x);
    default: {
      int v = 0;
      for (int k = 0; k < 4; ++k)
        v |= bit(16 * k + 2 * y, 2 * k) | bit(16 * k + 2 * y + 1, 2 * k + 1);
      return v;
    }
  }
}

// Puts the decoders back on their usual path whatever a test does.
struct TPathGuard {
  TTilePath saved = CurrentTilePath();
  ~TPathGuard() { UseTilePath(saved); }
};

}  // namespace

TEST(TilePaths, EveryPathMatchesThePlainReading) {
  TPathGuard guard;
  std::mt19937 rng(2026);
  for (TTilePath path : {TTilePath::Scalar, TTilePath::Sse2, TTilePath::Avx2}) {
    if (!UseTilePath(path)) {
      EXPECT_NE(path, TTilePath::Scalar) << "the scalar path is always there";
      continue;
    }
    for (int row = 1; row <= 8; ++row) {
      const int B = kBytesPerTile[row];
      for (int round = 0; round < 60; ++round) {
        const int w = 1 + static_cast<int>(rng() % 13);
        const int h = 1 + static_cast<int>(rng() % 3);
        std::vector<std::uint8_t> d(rng() % (static_cast<std::size_t>(w * h + 2) * B));
        for (auto& b : d) b = static_cast<std::uint8_t>(rng());
        const std::int64_t start = static_cast<std::int64_t>(rng() % (3 * B)) - 2 * B;
        TIndexedBitmap bmp;
        bmp.SetSize(8 * w, 8 * h);
        DrawTemplate(row, bmp, {d, start}, w, h);
        for (int t = 0; t < w * h; ++t) {
          for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
              ASSERT_EQ(bmp.Row(8 * (t / w) + y)[8 * (t % w) + x],
                        ReferencePixel(row, d, start + std::int64_t{t} * B, x, y))
                  << TilePathName(path) << ", template " << row << ", " << w << " x " << h
                  << " tiles from " << start << " in " << d.size() << " bytes, tile " << t
                  << ", pixel " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

TEST(TilePaths, BestPathIsAvailableAndChosenAtStart) {
  EXPECT_TRUE(TilePathAvailable(BestTilePath()));
  EXPECT_TRUE(TilePathAvailable(TTilePath::Scalar));
#if defined(__x86_64__)
  EXPECT_TRUE(TilePathAvailable(TTilePath::Sse2));
  EXPECT_NE(BestTilePath(), TTilePath::Scalar);
#endif
}
