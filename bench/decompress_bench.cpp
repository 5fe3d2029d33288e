// Decoder throughput in output bytes on 1 MiB of tile-like data, beside memcpy of 1 MiB.
// LZ77-10 unpacks one 1 MiB stream; the other schemes hold at most 64 KiB per stream, so
// they unpack 32 streams of 32 KiB each.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "compress/encoders.h"
#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "sample_data.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kTotal = 1 << 20;
constexpr std::size_t kChunk = 32 << 10;

const Bytes& Data() {
  static const Bytes data = tegulo::MakeTileLikeData(kTotal, 2024);
  return data;
}

std::vector<Bytes> Streams(Bytes (*encode)(std::span<const std::uint8_t>), std::size_t chunk) {
  std::vector<Bytes> streams;
  for (std::size_t at = 0; at < kTotal; at += chunk) {
    streams.push_back(encode(std::span(Data()).subspan(at, chunk)));
  }
  return streams;
}

template <typename Decode>
void Run(benchmark::State& state, const std::vector<Bytes>& streams, Decode decode) {
  tegulo::tLZStream out(tegulo::kDecodeBufferSize, 0);
  std::size_t packed = 0;
  for (const Bytes& s : streams) packed += s.size();
  for (auto _ : state) {
    for (const Bytes& s : streams) benchmark::DoNotOptimize(decode(s, out));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTotal));
  state.counters["ratio"] = static_cast<double>(packed) / kTotal;
}

Bytes EncodeCT11(std::span<const std::uint8_t> d) { return tegulo::EncodeCT(d); }
Bytes EncodeCT12(std::span<const std::uint8_t> d) {
  return tegulo::EncodeCT(d, tegulo::TCTMode::Bits12);
}

void BM_LZ10(benchmark::State& state) {
  static const auto streams = Streams(tegulo::EncodeLZ10, kTotal);
  Run(state, streams,
      [](const Bytes& s, tegulo::tLZStream& o) { return tegulo::DecompressLZ10(s, o); });
}
void BM_FF5(benchmark::State& state) {
  static const auto streams = Streams(tegulo::EncodeFF5, kChunk);
  Run(state, streams,
      [](const Bytes& s, tegulo::tLZStream& o) { return tegulo::DecompressFF5(s, o); });
}
void BM_FF6(benchmark::State& state) {
  static const auto streams = Streams(tegulo::EncodeFF6, kChunk);
  Run(state, streams,
      [](const Bytes& s, tegulo::tLZStream& o) { return tegulo::DecompressFF6(s, o); });
}
void BM_CT11(benchmark::State& state) {
  static const auto streams = Streams(EncodeCT11, kChunk);
  Run(state, streams,
      [](const Bytes& s, tegulo::tLZStream& o) { return tegulo::DecompressCT(s, o); });
}
void BM_CT12(benchmark::State& state) {
  static const auto streams = Streams(EncodeCT12, kChunk);
  Run(state, streams,
      [](const Bytes& s, tegulo::tLZStream& o) { return tegulo::DecompressCT(s, o); });
}
BENCHMARK(BM_LZ10);
BENCHMARK(BM_FF5);
BENCHMARK(BM_FF6);
BENCHMARK(BM_CT11);
BENCHMARK(BM_CT12);

// A whole refresh of an LZ77-10 entry: the 1 MiB clear comes on top of the unpacking.
void BM_UnpackEntryLZ10(benchmark::State& state) {
  static const Bytes rom = tegulo::EncodeLZ10(Data());
  tegulo::TDecodeBuffer buf(tegulo::kDecodeBufferSize, 0);
  tegulo::TTileEntry e{};
  e.Compression = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tegulo::UnpackEntry(e, rom, buf));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTotal));
}
BENCHMARK(BM_UnpackEntryLZ10);

void BM_Memcpy(benchmark::State& state) {
  Bytes a(kTotal, 1), b(kTotal);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kTotal);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTotal));
}
BENCHMARK(BM_Memcpy);

}  // namespace
