// Palettes and time of convert on pictures whose fewest palettes are known by construction,
// beside the naive first fit (each tile's colours into the first palette they fit, in
// reading order, as simple converters do). A table, not a Google Benchmark.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "convert/convert.h"
#include "convert/palette_pack.h"
#include "palette/palette.h"
#include "screen/map_formats.h"
#include "tiles/uTiles.h"

namespace {

using namespace tegulo;

struct TPicture {
  const char* name;
  TPngPicture picture;
  std::vector<TColourBits> sets;  // per tile, reading order
};

// tw x th tiles; each tile a random part (minSize.. colours) of one of `groups` groups of
// `capacity` colours, every group once whole: the colour count proves `groups` the fewest.
TPicture Make(const char* name, int tw, int th, int capacity, int groups, int minSize,
              bool mixedFirst, std::uint32_t seed, int pool = 1 << 30, int shared = 0) {
  std::mt19937 rng(seed);
  TPicture p{name, {}, {}};
  p.picture.width = 8 * tw;
  p.picture.height = 8 * th;
  p.picture.samples.assign(static_cast<std::size_t>(p.picture.width) * p.picture.height * 4, 0);
  const auto word = [&](int colour) {
    return static_cast<std::uint16_t>(((colour + 1) * 73) & 0x7FFF);
  };
  std::vector<std::vector<int>> drawn;
  for (int t = 0; t < tw * th; ++t) {
    // With `mixedFirst`, two colours of a random group for the first tiles: first fit puts
    // several groups together in one palette.
    const int mixed = mixedFirst ? 2 * groups : 0;
    std::vector<int> colours;
    const int u = t - mixed;
    const int g = u >= 0 && u < groups ? u : static_cast<int>(rng() % groups);
    const int n = u < 0        ? 2
                  : u < groups ? capacity
                               : minSize + static_cast<int>(rng() % (capacity - minSize + 1));
    std::vector<int> all(static_cast<std::size_t>(capacity));
    // The first `shared` colours of every group are the same (outlines, black and white).
    for (int k = 0; k < capacity; ++k) {
      all[static_cast<std::size_t>(k)] =
          k < shared ? k : shared + g * (capacity - shared) + (k - shared);
    }
    std::shuffle(all.begin(), all.end(), rng);
    colours.assign(all.begin(), all.begin() + std::min(n, capacity));
    // Past the pool, the tiles repeat (a map has at most 1024 tile numbers).
    if (t >= pool) colours = drawn[static_cast<std::size_t>(t % pool)];
    drawn.push_back(colours);
    TColourBits set;
    for (int j = 0; j < 64; ++j) {
      const int x = 8 * (t % tw) + j % 8;
      const int y = 8 * (t / tw) + j / 8;
      std::uint8_t* s =
          p.picture.samples.data() + 4 * (static_cast<std::size_t>(y) * p.picture.width + x);
      if (j % 9 == 0) continue;  // colour 0 (alpha 0)
      const int c = colours[static_cast<std::size_t>(j) % colours.size()];
      set.Add(c);
      const std::uint32_t rgb = ConsoleColour(word(c));
      s[0] = static_cast<std::uint8_t>(rgb);
      s[1] = static_cast<std::uint8_t>(rgb >> 8);
      s[2] = static_cast<std::uint8_t>(rgb >> 16);
      s[3] = 255;
    }
    p.sets.push_back(set);
  }
  return p;
}

}  // namespace

int main() {
  struct TRow {
    TPicture p;
    int templ, format, groups, capacity;
  };
  std::vector<TRow> rows;
  rows.push_back({Make("256x256 4bpp, 6 groups", 32, 32, 15, 6, 3, false, 1), kTemplate4bppSNES,
                  kMapSNES, 6, 15});
  rows.push_back(
      {Make("256x256 4bpp, 6 groups, small mixed tiles first", 32, 32, 15, 6, 3, true, 2),
       kTemplate4bppSNES, kMapSNES, 6, 15});
  rows.push_back({Make("256x256 2bpp, 8 groups, mixed first", 32, 32, 3, 8, 1, true, 3),
                  kTemplate2bppSNES, kMapSNES, 8, 3});
  rows.push_back({Make("256x256 4bpp GBA, 16 groups, mixed first", 32, 32, 15, 16, 2, true, 4),
                  kTemplate4bppGBA, kMapGBAText, 16, 15});
  rows.push_back(
      {Make("256x256 4bpp, 8 groups sharing 5 colours", 32, 32, 15, 8, 3, true, 6, 1 << 30, 5),
       kTemplate4bppSNES, kMapSNES, 8, 15});
  rows.push_back({Make("1024x1024 4bpp GBA, 12 groups", 128, 128, 15, 12, 4, true, 5, 900),
                  kTemplate4bppGBA, kMapGBAText, 12, 15});
  std::printf("%-48s %8s %6s %6s %8s %10s %8s\n", "picture", "fewest", "ours", "proven", "1st fit",
              "tiles", "ms");
  for (const TRow& r : rows) {
    TConvertOptions o;
    o.templ = r.templ;
    o.mapFormat = r.format;
    const auto start = std::chrono::steady_clock::now();
    const TConversion c = ConvertPicture(r.p.picture, o);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const auto firstFit = FirstFitPalettes(r.p.sets, r.capacity).size();
    std::printf("%-48s %8d %6d %6s %8zu %10lld %8.1f\n", r.p.name, r.groups, c.paletteCount,
                c.proven ? "yes" : "no", firstFit, static_cast<long long>(c.tileCount), ms);
  }
  return 0;
}
