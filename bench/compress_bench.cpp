// Compressor time of every scheme with a compressor on 1 MiB of tile-like data, beside
// memcpy of the same megabyte, with the packed size as a ratio of the LZ77-10 compressor's on
// the same chunks (and of the greedy encoder's, for the schemes that have one). LZ77-10 and
// the BIOS schemes pack one 1 MiB stream; the FF, CT and SNES formats hold at most 64 KiB per
// stream, so they pack 32 streams of 32 KiB each. Every compressor writes the shortest stream
// its format allows (the tests check each against exhaustive search), so "packed" is the
// optimum for these chunks.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "compress/bios/bios_schemes.h"
#include "compress/commands/command_formats.h"
#include "compress/compressors.h"
#include "greedy_encoders.h"
#include "sample_data.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Packer = Bytes (*)(std::span<const std::uint8_t>);
constexpr std::size_t kTotal = 1 << 20;
constexpr std::size_t kChunk = 32768;

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

Bytes LZ10(std::span<const std::uint8_t> d) { return tegulo::CompressLZ10(d); }

void Run(benchmark::State& state, Packer pack, std::size_t chunk, Packer greedy = nullptr) {
  std::size_t packed = 0;
  for (auto _ : state) packed = PackAll(pack, chunk);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
  state.counters["packed"] = static_cast<double>(packed);
  state.counters["vs_lz10"] =
      static_cast<double>(packed) / static_cast<double>(PackAll(LZ10, chunk));
  if (greedy != nullptr) {
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

Bytes CT(std::span<const std::uint8_t> d) { return tegulo::CompressCT(d); }
Bytes GreedyCT(std::span<const std::uint8_t> d) { return tegulo::EncodeCT(d); }
Bytes LZ11(std::span<const std::uint8_t> d) { return tegulo::CompressLZ11(d); }
Bytes Huffman4(std::span<const std::uint8_t> d) { return tegulo::CompressHuffman(d, 4); }
Bytes Huffman8(std::span<const std::uint8_t> d) { return tegulo::CompressHuffman(d, 8); }
Bytes Diff8(std::span<const std::uint8_t> d) { return tegulo::CompressDiff(d, 1); }
Bytes Diff16(std::span<const std::uint8_t> d) { return tegulo::CompressDiff(d, 2); }
template <tegulo::TCommandFormat kFormat>
Bytes Commands(std::span<const std::uint8_t> d) {
  return tegulo::CompressCommands(kFormat, d);
}

void BM_CompressLZ10(benchmark::State& s) { Run(s, LZ10, kTotal, tegulo::EncodeLZ10); }
void BM_CompressFF5(benchmark::State& s) { Run(s, tegulo::CompressFF5, kChunk, tegulo::EncodeFF5); }
void BM_CompressFF6(benchmark::State& s) { Run(s, tegulo::CompressFF6, kChunk, tegulo::EncodeFF6); }
void BM_CompressCT(benchmark::State& s) { Run(s, CT, kChunk, GreedyCT); }
void BM_CompressLZ11(benchmark::State& s) { Run(s, LZ11, kTotal); }
void BM_CompressHuffman4(benchmark::State& s) { Run(s, Huffman4, kTotal); }
void BM_CompressHuffman8(benchmark::State& s) { Run(s, Huffman8, kTotal); }
void BM_CompressRLE30(benchmark::State& s) { Run(s, tegulo::CompressRLE30, kTotal); }
void BM_CompressDiff8(benchmark::State& s) { Run(s, Diff8, kTotal); }
void BM_CompressDiff16(benchmark::State& s) { Run(s, Diff16, kTotal); }
void BM_CompressLCLZ2(benchmark::State& s) {
  Run(s, Commands<tegulo::TCommandFormat::LCLZ2>, kChunk);
}
void BM_CompressLCLZ5(benchmark::State& s) {
  Run(s, Commands<tegulo::TCommandFormat::LCLZ5>, kChunk);
}
void BM_CompressHAL(benchmark::State& s) { Run(s, Commands<tegulo::TCommandFormat::HAL>, kChunk); }

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLZ10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressFF5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressFF6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressCT)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLZ11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressHuffman4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressHuffman8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressRLE30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressDiff8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressDiff16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLCLZ2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLCLZ5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressHAL)->Unit(benchmark::kMillisecond);
