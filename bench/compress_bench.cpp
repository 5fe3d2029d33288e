// Compressor time of every scheme with a compressor on 1 MiB of tile-like data, beside
// memcpy of the same megabyte, with the packed size as a ratio of the LZ77-10 compressor's on
// the same chunks (and of the greedy encoder's, for the schemes that have one). LZ77-10 and
// the BIOS schemes pack one 1 MiB stream; the FF, CT and SNES formats hold at most 64 KiB per
// stream, so they pack 32 streams of 32 KiB each. Every compressor writes the shortest stream
// its format allows (the tests check each against exhaustive search), so "packed" is the
// optimum for these chunks.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "compress/scheme_formats.h"
#include "greedy_encoders.h"
#include "sample_data.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kTotal = 1 << 20;
constexpr std::size_t kChunk = 32768;

const Bytes& Data() {
  static const Bytes data = tegulo::MakeTileLikeData(kTotal, 2024);
  return data;
}

template <class TPack>
std::size_t PackAll(TPack pack, std::size_t chunk) {
  std::size_t packed = 0;
  for (std::size_t at = 0; at < kTotal; at += chunk) {
    packed += pack(std::span(Data()).subspan(at, chunk)).size();
  }
  return packed;
}

// One stream of the whole megabyte where the format holds it, else 32 KiB streams.
std::size_t ChunkOf(const tegulo::TSchemeFormat& row) {
  return row.limits.maxOutput >= kTotal && row.limits.maxStream == 0 ? kTotal : kChunk;
}

void Run(benchmark::State& state, const tegulo::TSchemeFormat& row) {
  const std::size_t chunk = ChunkOf(row);
  const auto pack = [&row](std::span<const std::uint8_t> d) { return row.compress(d, {}); };
  std::size_t packed = 0;
  for (auto _ : state) packed = PackAll(pack, chunk);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
  state.counters["packed"] = static_cast<double>(packed);
  const auto lz10 = [](std::span<const std::uint8_t> d) { return tegulo::CompressLZ10(d); };
  state.counters["vs_lz10"] =
      static_cast<double>(packed) / static_cast<double>(PackAll(lz10, chunk));
  if (const tegulo::TGreedyEncoder greedy = tegulo::GreedyEncoder(row.row)) {
    state.counters["vs_greedy"] =
        static_cast<double>(packed) / static_cast<double>(PackAll(greedy, chunk));
  }
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> out(kTotal);
  for (auto _ : state) {
    std::memcpy(out.data(), Data().data(), kTotal);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}

// A benchmark per row with a compressor.
const bool kRegistered = [] {
  benchmark::RegisterBenchmark("BM_Memcpy", BM_Memcpy)->Unit(benchmark::kMillisecond);
  for (const tegulo::TSchemeFormat& row : tegulo::SchemeFormats()) {
    if (row.compress == nullptr) continue;
    benchmark::RegisterBenchmark((std::string("BM_Compress/") + row.name).c_str(),
                                 [&row](benchmark::State& s) { Run(s, row); })
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
