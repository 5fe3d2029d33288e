// Scanning a 32 MiB ROM of random bytes with a few hundred planted LZ77-10 streams, and ROMs
// of a repeated header that keeps every position decoding far, beside memcpy of the same size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "compress/scan/lz10_scan.h"

namespace {

constexpr std::size_t kRomSize = 32u << 20;

// A valid stream of random tokens: literals, and back-references within the output so far.
std::vector<std::uint8_t> PlantedStream(std::mt19937& rng, std::uint32_t size) {
  std::vector<std::uint8_t> s = {0x10, static_cast<std::uint8_t>(size),
                                 static_cast<std::uint8_t>(size >> 8),
                                 static_cast<std::uint8_t>(size >> 16)};
  std::uint32_t out = 0;
  std::size_t flagAt = 0;
  for (int bit = 8; out < size; ++bit) {
    if (bit == 8) {
      flagAt = s.size();
      s.push_back(0);
      bit = 0;
    }
    if (out == 0 || rng() % 2) {
      s.push_back(static_cast<std::uint8_t>(rng()));
      ++out;
    } else {
      const std::uint32_t d = rng() % std::min<std::uint32_t>(out, 4096);
      const std::uint32_t len = 3 + rng() % 16;
      s[flagAt] |= static_cast<std::uint8_t>(0x80 >> bit);
      s.push_back(static_cast<std::uint8_t>((len - 3) << 4 | d >> 8));
      s.push_back(static_cast<std::uint8_t>(d));
      out += len;
    }
  }
  return s;
}

constexpr int kPlanted = 400;
std::vector<std::size_t> plantedAt;  // where Rom() put its streams, none overlapping

const std::vector<std::uint8_t>& Rom() {
  static std::vector<std::uint8_t> rom;
  if (rom.empty()) {
    rom.resize(kRomSize);
    std::mt19937 rng(1);
    for (auto& b : rom) b = static_cast<std::uint8_t>(rng());
    // One stream in each of 400 equal slices, at an aligned place inside it.
    const std::size_t slice = kRomSize / kPlanted;
    for (int i = 0; i < kPlanted; ++i) {
      const auto s = PlantedStream(rng, 256 + rng() % 16384);
      const std::size_t at = (i * slice + rng() % (slice - s.size())) & ~std::size_t{3};
      std::memcpy(rom.data() + at, s.data(), s.size());
      plantedAt.push_back(at);
    }
  }
  return rom;
}

void BM_ScanLZ10(benchmark::State& state) {
  const auto& rom = Rom();
  const auto align = static_cast<std::uint32_t>(state.range(0));
  std::size_t found = 0, plantedFound = 0;
  for (auto _ : state) {
    const auto streams = tegulo::ScanLZ10(rom, {32, align});
    found = streams.size();
    plantedFound = 0;
    for (const auto& s : streams) {
      plantedFound += std::binary_search(plantedAt.begin(), plantedAt.end(), s.address);
    }
    benchmark::DoNotOptimize(streams.data());
  }
  state.counters["streams"] = static_cast<double>(found);
  state.counters["planted_found"] = static_cast<double>(plantedFound);
  state.counters["planted"] = kPlanted;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rom.size()));
}
BENCHMARK(BM_ScanLZ10)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);

// `10 00 00 02` over and over: every position announces 128 KiB and decodes validly.
void BM_ScanLZ10RepeatedHeader(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  std::vector<std::uint8_t> rom(size);
  for (std::size_t i = 0; i < size; i += 4) {
    rom[i] = 0x10;
    rom[i + 3] = 0x02;
  }
  const bool overlaps = state.range(1) != 0;
  std::size_t found = 0;
  for (auto _ : state) {
    tegulo::TLZ10ScanOptions options{32, 4};
    options.overlaps = overlaps;
    const auto streams = tegulo::ScanLZ10(rom, options);
    found = streams.size();
    benchmark::DoNotOptimize(streams.data());
  }
  state.counters["streams"] = static_cast<double>(found);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rom.size()));
}
BENCHMARK(BM_ScanLZ10RepeatedHeader)
    ->Args({1, 0})
    ->Args({32, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_Memcpy(benchmark::State& state) {
  const auto& rom = Rom();
  std::vector<std::uint8_t> copy(rom.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), rom.data(), rom.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rom.size()));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace
