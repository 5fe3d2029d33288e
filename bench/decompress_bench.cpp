// Decoder speed in output bytes, on tile-like data and on noise, at a size that stays in
// the cache (64 KiB) and one bound by memory (4 MiB), beside memcpy of the same size.
// Contenders: "fast" (the decoders as built), "careful" (the same rules without the fast
// paths: the decoders as they were) and, for LZ77-10 and HAL, "plain" (bench/plain_lz10.h,
// bench/plain_hal.h: straightforward decoders of the classic C style).
// LZ77-10 unpacks one stream of the whole size; the other schemes hold at most 64 KiB per
// stream, so they unpack 32 KiB streams, each into an output array of its own. Then every row
// of the scheme table ("row" contender) on 64 KiB of tile-like data, through the row's own
// decoder and compressor: one stream where the format holds 64 KiB, else 32 KiB streams.
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compress/commands/command_formats.h"
#include "compress/rnc/rnc_format.h"
#include "compress/scheme_formats.h"
#include "compress/shared/careful_decoders.h"
#include "compress/uCompress.h"
#include "greedy_encoders.h"
#include "plain_hal.h"
#include "plain_lz10.h"
#include "ratio_main.h"
#include "sample_data.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Decoder = std::uint32_t (*)(std::span<const std::uint8_t>, tegulo::TDecodeBuffer&);
constexpr std::size_t kChunk = 32 << 10;

struct TSize {
  const char* name;
  std::size_t bytes;
};
constexpr TSize kSizes[] = {{"64K", 64 << 10}, {"4M", 4 << 20}};

Bytes Data(bool tiles, std::size_t size) {
  if (tiles) return tegulo::MakeTileLikeData(size, 2024);
  Bytes d(size);
  std::mt19937 rng(99);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng());
  return d;
}

std::uint32_t FastLZ10(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  return tegulo::DecompressLZ10(s, o);
}
std::uint32_t PlainLZ10(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  return tegulo::bench::PlainLZ10(s, o);
}
std::uint32_t FastHAL(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  return tegulo::DecodeCommands(tegulo::TCommandFormat::HAL, s, o).written;
}
std::uint32_t PlainHAL(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  return tegulo::bench::PlainHAL(s, o);
}
Bytes EncodeHAL(std::span<const std::uint8_t> d) {
  return tegulo::CompressCommands(tegulo::TCommandFormat::HAL, d);
}
std::uint32_t FastLCLZ2(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  return tegulo::DecodeCommands(tegulo::TCommandFormat::LCLZ2, s, o).written;
}
Bytes EncodeLCLZ2(std::span<const std::uint8_t> d) {
  return tegulo::CompressCommands(tegulo::TCommandFormat::LCLZ2, d);
}
std::uint32_t FastLCLZ5(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  return tegulo::DecodeCommands(tegulo::TCommandFormat::LCLZ5, s, o).written;
}
Bytes EncodeLCLZ5(std::span<const std::uint8_t> d) {
  return tegulo::CompressCommands(tegulo::TCommandFormat::LCLZ5, d);
}
// ProPack: one stream of the whole size, CRCs checked.
std::uint32_t FastRNC1(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  bool notValid = false;
  return tegulo::DecompressRNC1(s, o, &notValid);
}
std::uint32_t FastRNC2(std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
  bool notValid = false;
  return tegulo::DecompressRNC2(s, o, &notValid);
}
Bytes EncodeRNC1(std::span<const std::uint8_t> d) { return tegulo::CompressRNC1(d); }
Bytes EncodeRNC2(std::span<const std::uint8_t> d) { return tegulo::CompressRNC2(d); }
Bytes EncodeCT11(std::span<const std::uint8_t> d) { return tegulo::EncodeCT(d); }
Bytes EncodeCT12(std::span<const std::uint8_t> d) {
  return tegulo::EncodeCT(d, tegulo::TCTMode::Bits12);
}

struct TScheme {
  const char* name;
  Bytes (*encode)(std::span<const std::uint8_t>);
  std::size_t chunk;  // 0: one stream of the whole size
  std::vector<std::pair<const char*, Decoder>> contenders;
};

void Register(const TScheme& scheme, bool tiles, TSize size) {
  // Packed lazily, once, the first time the case runs.
  struct TCase {
    std::vector<Bytes> streams;
    std::vector<tegulo::TDecodeBuffer> outputs;
  };
  auto kase = std::make_shared<TCase>();
  auto prepare = [kase, scheme, tiles, size] {
    if (!kase->streams.empty()) return;
    const Bytes data = Data(tiles, size.bytes);
    const std::size_t chunk = scheme.chunk ? scheme.chunk : size.bytes;
    for (std::size_t at = 0; at < size.bytes; at += chunk) {
      kase->streams.push_back(scheme.encode(std::span(data).subspan(at, chunk)));
      kase->outputs.emplace_back(chunk + 64, 0);
    }
  };
  const std::string base = std::string(scheme.name) + (tiles ? "/tiles/" : "/random/") + size.name;
  for (const auto& [who, decode] : scheme.contenders) {
    benchmark::RegisterBenchmark(
        (base + "/" + who).c_str(), [kase, prepare, decode = decode, size](benchmark::State& st) {
          prepare();
          for (auto _ : st) {
            for (std::size_t i = 0; i < kase->streams.size(); ++i)
              benchmark::DoNotOptimize(decode(kase->streams[i], kase->outputs[i]));
            benchmark::ClobberMemory();
          }
          st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(size.bytes));
        });
  }
}

// One row of the scheme table on 64 KiB of tile-like data, named by the row.
void RegisterRow(const tegulo::TSchemeFormat& row) {
  constexpr TSize kSize = kSizes[0];
  const bool whole = row.limits.maxStream == 0 &&
                     (row.limits.maxOutput == 0 || row.limits.maxOutput >= kSize.bytes);
  const std::size_t chunk = whole ? kSize.bytes : kChunk;
  auto kase = std::make_shared<std::pair<std::vector<Bytes>, std::vector<tegulo::TDecodeBuffer>>>();
  const std::string name = std::string(row.name) + "/tiles/" + kSize.name + "/row";
  benchmark::RegisterBenchmark(name.c_str(), [kase, &row, chunk](benchmark::State& st) {
    auto& [streams, outputs] = *kase;
    if (streams.empty()) {
      const Bytes data = Data(true, kSize.bytes);
      for (std::size_t at = 0; at < kSize.bytes; at += chunk) {
        streams.push_back(row.compress(std::span(data).subspan(at, chunk), {}));
        outputs.emplace_back(chunk + 64, 0);
      }
    }
    bool notValid = false;
    for (auto _ : st) {
      for (std::size_t i = 0; i < streams.size(); ++i) {
        benchmark::DoNotOptimize(row.decode(streams[i], outputs[i], &notValid));
      }
      benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(kSize.bytes));
  });
}

void RegisterAll() {
  const TScheme schemes[] = {
      {"lz10",
       tegulo::EncodeLZ10,
       0,
       {{"fast", FastLZ10}, {"careful", tegulo::DecompressLZ10Careful}, {"plain", PlainLZ10}}},
      {"ff5",
       tegulo::EncodeFF5,
       kChunk,
       {{"fast", tegulo::DecompressFF5}, {"careful", tegulo::DecompressFF5Careful}}},
      {"ff6",
       tegulo::EncodeFF6,
       kChunk,
       {{"fast", tegulo::DecompressFF6}, {"careful", tegulo::DecompressFF6Careful}}},
      {"ct11",
       EncodeCT11,
       kChunk,
       {{"fast", tegulo::DecompressCT}, {"careful", tegulo::DecompressCTCareful}}},
      {"ct12",
       EncodeCT12,
       kChunk,
       {{"fast", tegulo::DecompressCT}, {"careful", tegulo::DecompressCTCareful}}},
      {"hal", EncodeHAL, kChunk, {{"fast", FastHAL}, {"plain", PlainHAL}}},
      {"lclz2", EncodeLCLZ2, kChunk, {{"fast", FastLCLZ2}}},
      {"lclz5", EncodeLCLZ5, kChunk, {{"fast", FastLCLZ5}}},
      {"rnc1", EncodeRNC1, 0, {{"fast", FastRNC1}}},
      {"rnc2", EncodeRNC2, 0, {{"fast", FastRNC2}}},
  };
  for (const TScheme& s : schemes) {
    for (const TSize& size : kSizes) {
      Register(s, true, size);
      if (s.encode == tegulo::EncodeLZ10 || s.encode == tegulo::EncodeFF6) Register(s, false, size);
    }
  }
  for (const tegulo::TSchemeFormat& row : tegulo::SchemeFormats()) {
    if (row.decode != nullptr && row.compress != nullptr) RegisterRow(row);
  }
  for (const TSize& size : kSizes) {
    benchmark::RegisterBenchmark(
        (std::string("memcpy/") + size.name).c_str(), [size](benchmark::State& st) {
          // Half a page apart: this system's memcpy is many times slower when source and
          // destination share their offset in a page.
          Bytes a(size.bytes + 4096, 1), b(size.bytes + 4096);
          for (auto _ : st) {
            std::memcpy(b.data() + 2048, a.data(), size.bytes);
            benchmark::ClobberMemory();
          }
          st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(size.bytes));
        });
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  // 15 rounds: the medians of the decoders, whose goals are close, stay steady from run to run.
  return tegulo::bench::RatioMain(argc, argv, {"plain", "careful"}, 15);
}
