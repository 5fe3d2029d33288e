// Compressor time of the schemes numbered 5 and up on 1 MiB of tile-like data, beside the
// LZ77-10 compressor and memcpy, with the packed size as a ratio of LZ77-10's on the same chunks.
// The BIOS schemes pack one 1 MiB stream; the SNES formats hold at most 64 KiB per stream, so they
// pack 32 streams of 32 KiB each.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "compress/bios_schemes.h"
#include "compress/compressors.h"
#include "compress/snes_schemes.h"
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

Bytes LZ10(std::span<const std::uint8_t> d) { return tegulo::CompressLZ10(d); }

void Run(benchmark::State& state, Packer pack, std::size_t chunk) {
  std::size_t packed = 0;
  for (auto _ : state) packed = PackAll(pack, chunk);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
  state.counters["packed"] = static_cast<double>(packed);
  state.counters["vs_lz10"] =
      static_cast<double>(packed) / static_cast<double>(PackAll(LZ10, chunk));
}

Bytes LZ11(std::span<const std::uint8_t> d) { return tegulo::CompressLZ11(d); }
Bytes Huffman4(std::span<const std::uint8_t> d) { return tegulo::CompressHuffman(d, 4); }
Bytes Huffman8(std::span<const std::uint8_t> d) { return tegulo::CompressHuffman(d, 8); }
Bytes Diff8(std::span<const std::uint8_t> d) { return tegulo::CompressDiff(d, 1); }
Bytes Diff16(std::span<const std::uint8_t> d) { return tegulo::CompressDiff(d, 2); }
template <tegulo::TCommandFormat kFormat>
Bytes Commands(std::span<const std::uint8_t> d) {
  return tegulo::CompressCommands(kFormat, d);
}

// The floor: copying the same megabyte.
void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> out(kTotal);
  for (auto _ : state) {
    std::memcpy(out.data(), Data().data(), kTotal);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}

void BM_CompressLZ10(benchmark::State& s) { Run(s, LZ10, kTotal); }
void BM_CompressLZ11(benchmark::State& s) { Run(s, LZ11, kTotal); }
void BM_CompressHuffman4(benchmark::State& s) { Run(s, Huffman4, kTotal); }
void BM_CompressHuffman8(benchmark::State& s) { Run(s, Huffman8, kTotal); }
void BM_CompressRLE30(benchmark::State& s) { Run(s, tegulo::CompressRLE30, kTotal); }
void BM_CompressDiff8(benchmark::State& s) { Run(s, Diff8, kTotal); }
void BM_CompressDiff16(benchmark::State& s) { Run(s, Diff16, kTotal); }
void BM_CompressLCLZ2(benchmark::State& s) {
  Run(s, Commands<tegulo::TCommandFormat::LCLZ2>, 32768);
}
void BM_CompressLCLZ5(benchmark::State& s) {
  Run(s, Commands<tegulo::TCommandFormat::LCLZ5>, 32768);
}
void BM_CompressHAL(benchmark::State& s) { Run(s, Commands<tegulo::TCommandFormat::HAL>, 32768); }

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLZ10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLZ11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressHuffman4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressHuffman8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressRLE30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressDiff8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressDiff16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLCLZ2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressLCLZ5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressHAL)->Unit(benchmark::kMillisecond);
