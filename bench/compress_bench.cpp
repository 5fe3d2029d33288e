// Compressor time on 1 MiB of tile-like data, with the packed size as a ratio of the greedy
// encoder's. LZ77-10 packs one 1 MiB stream; the other schemes hold at most 64 KiB per
// stream, so they pack 32 streams of 32 KiB each.
#include <benchmark/benchmark.h>

#include <vector>

#include "compress/compressors.h"
#include "greedy_encoders.h"
#include "sample_data.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Packer = Bytes (*)(std::span<const std::uint8_t>);
constexpr std::size_t kTotal = 1 << 20;

const Bytes& Data() {
  static const Bytes data = tegulo::MakeTileLikeData(kTotal, 2024);
  return data;
}

std::size_t PackAll(Packer pack, std::size_t chunk) {
  std::size_t packed = 0;
  for (std::size_t at = 0; at < kTotal; at += chunk) {
    packed += pack(std::span(Data()).subspan(at, chunk)).size();
  }
  return packed;
}

void Run(benchmark::State& state, Packer pack, Packer greedy, std::size_t chunk) {
  std::size_t packed = 0;
  for (auto _ : state) packed = PackAll(pack, chunk);
  const std::size_t reference = PackAll(greedy, chunk);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
  state.counters["packed"] = static_cast<double>(packed);
  state.counters["vs_greedy"] = static_cast<double>(packed) / static_cast<double>(reference);
}

Bytes LZ10(std::span<const std::uint8_t> d) { return tegulo::CompressLZ10(d); }
Bytes CT(std::span<const std::uint8_t> d) { return tegulo::CompressCT(d); }
Bytes GreedyCT(std::span<const std::uint8_t> d) { return tegulo::EncodeCT(d); }

void BM_CompressLZ10(benchmark::State& s) { Run(s, LZ10, tegulo::EncodeLZ10, kTotal); }
void BM_CompressFF5(benchmark::State& s) { Run(s, tegulo::CompressFF5, tegulo::EncodeFF5, 32768); }
void BM_CompressFF6(benchmark::State& s) { Run(s, tegulo::CompressFF6, tegulo::EncodeFF6, 32768); }
void BM_CompressCT(benchmark::State& s) { Run(s, CT, GreedyCT, 32768); }

}  // namespace

BENCHMARK(BM_CompressLZ10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressFF5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressFF6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressCT)->Unit(benchmark::kMillisecond);
