// Tile decoder throughput on a 256 x 256-tile image, beside memcpy of the same output size.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "tiles/uTiles.h"

namespace {

constexpr int kTiles = 256;

std::vector<std::uint8_t> Source() {
  std::vector<std::uint8_t> d(static_cast<std::size_t>(kTiles) * kTiles * 128);
  std::mt19937 rng(42);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng());
  return d;
}

void BM_Decoder(benchmark::State& state) {
  static const std::vector<std::uint8_t> src = Source();
  const int row = static_cast<int>(state.range(0));
  tegulo::TIndexedBitmap bmp;
  bmp.SetSize(8 * kTiles, 8 * kTiles);
  for (auto _ : state) {
    tegulo::DrawTemplate(row, bmp, {src, 0}, kTiles, kTiles);
    benchmark::DoNotOptimize(bmp.Row(0));
    benchmark::ClobberMemory();
  }
  state.SetLabel(std::string(tegulo::TileTemplates[row].name()));
  // "8bpp (PC)" writes only the top-left Width x Height block.
  const std::int64_t written =
      row == 9 ? std::int64_t{kTiles} * kTiles : static_cast<std::int64_t>(bmp.PixelCount());
  state.SetItemsProcessed(state.iterations() * written);
  state.SetBytesProcessed(state.iterations() * written);
}
BENCHMARK(BM_Decoder)->DenseRange(1, 9);

void BM_Decoder_Clipped(benchmark::State& state) {
  // The same image, half of it past the end of the data: the zero-padded path.
  static const std::vector<std::uint8_t> src = Source();
  const std::span<const std::uint8_t> half(src.data(),
                                           static_cast<std::size_t>(kTiles) * kTiles * 16);
  tegulo::TIndexedBitmap bmp;
  bmp.SetSize(8 * kTiles, 8 * kTiles);
  for (auto _ : state) {
    tegulo::Draw4bppSNES(bmp, {half, 0}, kTiles, kTiles);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(bmp.PixelCount()));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bmp.PixelCount()));
}
BENCHMARK(BM_Decoder_Clipped);

void BM_Memcpy(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(8 * kTiles) * (8 * kTiles);
  std::vector<std::uint8_t> a(n, 1), b(n);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_Memcpy);

}  // namespace
