// ROM images with planted streams of the flag-byte and CT schemes.
#include "scan_rom.h"

#include <algorithm>
#include <iterator>
#include <random>

#include "compress/compressors.h"
#include "greedy_encoders.h"
#include "sample_data.h"

namespace tegulo {

TScanRom MakeScanRom(std::size_t size, TScanBackground background, int perScheme,
                     std::uint32_t seed, TScanPacker packer) {
  std::mt19937 rng(seed);
  TScanRom rom;
  if (background == TScanBackground::Random) {
    rom.bytes.resize(size);
    for (auto& b : rom.bytes) b = static_cast<std::uint8_t>(rng());
  } else {
    rom.bytes = MakeTileLikeData(size, seed + 1);
  }

  struct TStream {
    int scheme;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<TStream> streams;
  for (int i = 0; i < perScheme; ++i) {
    for (const int scheme : kScanRomSchemes) {
      const std::size_t raw = 512 + rng() % (16384 - 512 + 1);
      const auto data = MakeTileLikeData(raw, static_cast<std::uint32_t>(rng()));
      std::vector<std::uint8_t> s;
      const TCTMode mode = i % 2 ? TCTMode::Bits12 : TCTMode::Bits11;
      const bool greedy = packer == TScanPacker::Greedy;
      switch (scheme) {
        case kSchemeLZ10: s = greedy ? EncodeLZ10(data) : CompressLZ10(data); break;
        case kSchemeFF5: s = greedy ? EncodeFF5(data) : CompressFF5(data); break;
        case kSchemeFF6: s = greedy ? EncodeFF6(data) : CompressFF6(data); break;
        default: s = greedy ? EncodeCT(data, mode) : CompressCT(data, {.ctMode = mode}); break;
      }
      streams.push_back({scheme, std::move(s)});
    }
  }
  // Places by drawing a position in the room left, in a shuffled order; every stream keeps at
  // least 4 bytes to its neighbours.
  std::shuffle(streams.begin(), streams.end(), rng);
  std::size_t need = 0;
  for (const TStream& s : streams) need += (s.bytes.size() + 8) & ~std::size_t{3};
  if (need > size) return rom;
  std::vector<std::size_t> cuts;  // the spare room split at random
  const std::size_t spare = (size - need) / 4;
  for (std::size_t i = 0; i < streams.size(); ++i) cuts.push_back(rng() % (spare + 1));
  std::sort(cuts.begin(), cuts.end());
  std::size_t at = 0;
  std::size_t prevCut = 0;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    at += (cuts[i] - prevCut) * 4;
    prevCut = cuts[i];
    const TStream& s = streams[i];
    std::copy(s.bytes.begin(), s.bytes.end(), rom.bytes.begin() + static_cast<std::ptrdiff_t>(at));
    rom.planted.push_back({at, s.scheme, static_cast<std::uint32_t>(s.bytes.size())});
    at += (s.bytes.size() + 8) & ~std::size_t{3};
  }
  return rom;
}

}  // namespace tegulo
