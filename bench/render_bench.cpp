// DrawTiles of the largest entry the controls allow and PNG export, beside memcpy.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "entries/limits.h"
#include "image/png_writer.h"
#include "image/render.h"

namespace {

constexpr int kLargeTiles = tegulo::kMaxTiles;  // 16,000 x 16,000 pixels

const std::vector<std::uint8_t>& RandomBytes(std::size_t n) {
  static std::vector<std::uint8_t> d;
  if (d.size() < n) {
    d.resize(n);
    std::mt19937 rng(7);
    for (auto& b : d) b = static_cast<std::uint8_t>(rng());
  }
  return d;
}

tegulo::TTileEntry LargeEntry(std::uint8_t tmpl) {
  tegulo::TTileEntry e{};
  e.Width = kLargeTiles;
  e.Height = kLargeTiles;
  e.Template = tmpl;
  e.Bpp = 4;
  e.PalCount = 16;
  return e;
}

// A new bitmap each time: what selecting such an entry costs, allocation and page faults
// included. Arg 0: ROM holding every tile; arg 1: an empty ROM (all tiles zero-padded).
void BM_DrawTilesLarge4bppSNES(benchmark::State& state) {
  const std::size_t romSize = state.range(0) == 0 ? 32u * kLargeTiles * kLargeTiles : 0;
  const std::span<const std::uint8_t> rom(RandomBytes(romSize).data(), romSize);
  const tegulo::TTileEntry e = LargeEntry(2);
  for (auto _ : state) {
    tegulo::TIndexedBitmap bmp;
    tegulo::DrawTiles(bmp, e, rom, {}, tegulo::kFallbackBackground);
    benchmark::DoNotOptimize(bmp.Row(bmp.Height() - 1));
  }
  const std::int64_t pixels = 64LL * kLargeTiles * kLargeTiles;
  state.SetItemsProcessed(state.iterations() * pixels);
  state.SetBytesProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_DrawTilesLarge4bppSNES)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// Redrawing the same entry: the bitmap keeps its memory.
void BM_RedrawLarge4bppSNES(benchmark::State& state) {
  const std::size_t romSize = 32u * kLargeTiles * kLargeTiles;
  const std::span<const std::uint8_t> rom(RandomBytes(romSize).data(), romSize);
  const tegulo::TTileEntry e = LargeEntry(2);
  tegulo::TIndexedBitmap bmp;
  tegulo::DrawTiles(bmp, e, rom, {}, tegulo::kFallbackBackground);
  for (auto _ : state) {
    tegulo::DrawTiles(bmp, e, rom, {}, tegulo::kFallbackBackground);
    benchmark::ClobberMemory();
  }
  const std::int64_t pixels = 64LL * kLargeTiles * kLargeTiles;
  state.SetItemsProcessed(state.iterations() * pixels);
  state.SetBytesProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_RedrawLarge4bppSNES)->Unit(benchmark::kMillisecond)->Iterations(3);

// Export of a decoded 4bpp image (16 colours of random data, a hard case for deflate).
void BM_WritePng(benchmark::State& state) {
  const int tiles = static_cast<int>(state.range(0));
  tegulo::TTileEntry e = LargeEntry(2);
  e.Width = e.Height = tiles;
  const auto& rom = RandomBytes(32u * tiles * tiles);
  tegulo::TIndexedBitmap bmp;
  tegulo::DrawTiles(bmp, e, rom, {}, tegulo::kFallbackBackground);
  const std::string path =
      (std::filesystem::temp_directory_path() / "tegulo-render-bench.png").string();
  for (auto _ : state) tegulo::WritePng(path, bmp);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(bmp.PixelCount()));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bmp.PixelCount()));
}
BENCHMARK(BM_WritePng)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePng)->Arg(kLargeTiles)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Memcpy(benchmark::State& state) {
  const std::size_t n = 64u * kLargeTiles * kLargeTiles;
  std::vector<std::uint8_t> a(n, 1), b(n, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
