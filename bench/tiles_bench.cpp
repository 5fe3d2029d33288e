// Tile decoder speed in output bytes, per code path, beside memcpy of the same number of
// bytes: 256 KiB of output (stays in the cache) and 64 MiB (bound by memory), on tile-like
// data and on noise. "scalar" is the portable path, the decoders as they were.
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ratio_main.h"
#include "sample_data.h"
#include "tiles/tile_paths.h"
#include "tiles/uTiles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TSize {
  const char* name;
  int tiles;  // per side: the output is (8 * tiles)^2 bytes
};
constexpr TSize kSizes[] = {{"256K", 64}, {"64M", 1024}};
constexpr int kBytesPerTile[] = {0, 32, 32, 24, 16, 8, 128, 64, 64, 64};
constexpr const char* kShort[] = {"",     "gba4",    "snes4",   "snes3", "snes2",
                                  "1bpp", "mode7-1", "mode7-2", "mode3", "pc"};

// `size` bytes: tile-like data repeated, or noise.
std::shared_ptr<Bytes> Source(bool tiles, std::size_t size) {
  auto d = std::make_shared<Bytes>(size);
  if (tiles) {
    const Bytes base = tegulo::MakeTileLikeData(4 << 20, 2024);
    for (std::size_t at = 0; at < size; at += base.size())
      std::memcpy(d->data() + at, base.data(), std::min(base.size(), size - at));
  } else {
    std::mt19937_64 rng(7);
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
      const std::uint64_t v = rng();
      std::memcpy(d->data() + at, &v, 8);
    }
  }
  return d;
}

void Register(int row, bool tiles, TSize size, tegulo::TTilePath path) {
  // "8bpp (PC)" fills only a Width x Height block: give it the same number of bytes.
  const int w = row == 9 ? 8 * size.tiles : size.tiles;
  const std::size_t written = static_cast<std::size_t>(8 * size.tiles) * (8 * size.tiles);
  const std::string name = std::string(kShort[row]) + (tiles ? "/tiles/" : "/random/") + size.name +
                           "/" + tegulo::TilePathName(path);
  benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) {
    static std::shared_ptr<Bytes> sources[2][2];
    auto& src = sources[tiles][size.tiles > 64];
    if (!src) src = Source(tiles, static_cast<std::size_t>(size.tiles) * size.tiles * 128);
    tegulo::UseTilePath(path);
    // One bitmap per size, kept: its pages are mapped in once, not in every case.
    static tegulo::TIndexedBitmap bitmaps[2][2];
    tegulo::TIndexedBitmap& bmp = bitmaps[size.tiles > 64][row == 9];
    bmp.SetSize(8 * w, 8 * w);
    for (auto _ : st) {
      tegulo::DrawTemplate(row, bmp, {*src, 0}, w, w);
      benchmark::DoNotOptimize(bmp.Row(0));
      benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(written));
    tegulo::UseTilePath(tegulo::BestTilePath());
  });
}

void RegisterAll() {
  for (int row = 1; row <= 9; ++row) {
    for (const TSize& size : kSizes) {
      for (bool tiles : {true, false}) {
        if (!tiles && size.tiles > 64) continue;  // noise decodes at the same speed
        if (row == 9 && size.tiles > 64) continue;  // its bitmap would be 64 times the bytes
        for (auto path :
             {tegulo::TTilePath::Scalar, tegulo::TTilePath::Sse2, tegulo::TTilePath::Avx2}) {
          if (tegulo::TilePathAvailable(path) && (row != 9 || path == tegulo::BestTilePath()))
            Register(row, tiles, size, path);
        }
      }
    }
  }
  for (const TSize& size : kSizes) {
    const std::size_t n = static_cast<std::size_t>(8 * size.tiles) * (8 * size.tiles);
    benchmark::RegisterBenchmark(
        (std::string("memcpy/") + size.name).c_str(), [n](benchmark::State& st) {
          // Source and destination half a page apart: this system's
          // memcpy is many times slower when they share their offset
          // in a page, which the decoders' buffers never suffer from.
          Bytes a(n + 4096, 1), b(n + 4096);
          for (auto _ : st) {
            std::memcpy(b.data() + 2048, a.data(), n);
            benchmark::ClobberMemory();
          }
          st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(n));
        });
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  return tegulo::bench::RatioMain(argc, argv, {"scalar"});
}
