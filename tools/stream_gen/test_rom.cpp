// A test ROM image of mixed content with streams of every variant planted in it.
#include "test_rom.h"

#include <algorithm>
#include <cmath>

#include "compress/uCompress.h"

namespace tegulo::gen {
namespace {

// Machine code: a few common opcodes with operands of any value.
std::vector<std::uint8_t> Code(std::size_t size, std::mt19937& rng) {
  static constexpr std::uint8_t kOps[] = {0xA9, 0x8D, 0xAD, 0x20, 0x60, 0xC2, 0xE2, 0x85,
                                          0xA5, 0xD0, 0xF0, 0x80, 0x22, 0x6B, 0x48, 0x68};
  std::vector<std::uint8_t> out;
  while (out.size() < size) {
    out.push_back(kOps[rng() % std::size(kOps)]);
    for (unsigned k = rng() % 3; k > 0; --k) out.push_back(static_cast<std::uint8_t>(rng()));
  }
  out.resize(size);
  return out;
}

std::size_t RawSize(TContent kind, std::mt19937& rng) {
  if (kind == TContent::kTiny) return 0;  // the content draws its own
  // Log-uniform from 64 bytes to 16 KiB: small streams are common.
  const double e = 6 + 8 * std::uniform_real_distribution<double>(0, 1)(rng);
  return static_cast<std::size_t>(std::exp2(e));
}

// The name of a background stretch of kind 0..11 (as MakeMixedBackground draws it).
const char* SegmentKind(unsigned kind) {
  if (kind < 9 && kContents[kind] != TContent::kTiny) return ContentName(kContents[kind]).data();
  if (kind == 9 || kind == 8) return "code";
  return kind == 10 ? "0xFF" : "0x00";
}

}  // namespace

std::vector<std::uint8_t> MakeMixedBackground(std::size_t size, std::mt19937& rng,
                                              std::vector<TSegment>* segments) {
  std::vector<std::uint8_t> out;
  out.reserve(size);
  while (out.size() < size) {
    const std::size_t n = std::min<std::size_t>(1024 + rng() % (127 * 1024), size - out.size());
    const unsigned kind = rng() % 12;
    if (segments != nullptr) segments->push_back({out.size(), SegmentKind(kind)});
    if (kind < 9 && kContents[kind] != TContent::kTiny) {
      const auto bytes = MakeContent(kContents[kind], n, rng);
      out.insert(out.end(), bytes.begin(), bytes.end());
    } else if (kind == 9 || kind == 8) {
      const auto bytes = Code(n, rng);
      out.insert(out.end(), bytes.begin(), bytes.end());
    } else {
      out.insert(out.end(), n, kind == 10 ? 0xFF : 0x00);
    }
  }
  return out;
}

TTestRom MakeTestRom(std::size_t size, int perVariant, std::uint32_t seed) {
  std::mt19937 rng(seed);
  // The Diff variants' sound comes from a generator of its own, so that the other streams
  // and the places of all stay as they were before it.
  std::mt19937 soundRng(seed ^ 0x5D1FF5u);
  TTestRom rom;
  rom.bytes = MakeMixedBackground(size, rng, &rom.segments);

  struct TStream {
    TPlanted p;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<TStream> streams;
  const std::vector<TVariant> variants = AllVariants();
  std::size_t need = 0;
  for (int i = 0; i < perVariant; ++i) {
    for (std::size_t v = 0; v < variants.size(); ++v) {
      const TContent kind = kContents[(static_cast<std::size_t>(i) + v) % std::size(kContents)];
      auto data = FitData(variants[v], MakeContent(kind, RawSize(kind, rng), rng));
      if (IsDiff(variants[v]) && kind == TContent::kSound) {
        // The noisy wave of kSound is what no one filters; a game's filtered sound is its
        // instruments.
        data = MakeInstrument(data.size(), variants[v].scheme == kSchemeDiff16 ? 2 : 1, soundRng);
      }
      TStream s{{0, 0, v, kind, static_cast<std::uint32_t>(data.size())},
                MakeStream(variants[v], data)};
      if (s.bytes.empty()) continue;  // a layout the format cannot hold
      s.p.streamSize = s.bytes.size();
      need += (s.bytes.size() + 7) & ~std::size_t{3};
      if (need > size / 2) break;
      streams.push_back(std::move(s));
    }
  }
  // Places: the spare room cut at random points, in a shuffled order of the streams.
  std::shuffle(streams.begin(), streams.end(), rng);
  need = 0;
  for (const TStream& s : streams) need += (s.bytes.size() + 7) & ~std::size_t{3};
  const std::size_t spare = (size - need) / 4;
  std::vector<std::size_t> cuts;
  for (std::size_t i = 0; i < streams.size(); ++i) cuts.push_back(rng() % (spare + 1));
  std::sort(cuts.begin(), cuts.end());
  std::size_t at = 0;
  std::size_t prevCut = 0;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    at += (cuts[i] - prevCut) * 4;
    prevCut = cuts[i];
    TStream& s = streams[i];
    std::copy(s.bytes.begin(), s.bytes.end(), rom.bytes.begin() + static_cast<std::ptrdiff_t>(at));
    s.p.address = at;
    rom.planted.push_back(s.p);
    at += (s.bytes.size() + 7) & ~std::size_t{3};
  }
  return rom;
}

}  // namespace tegulo::gen
