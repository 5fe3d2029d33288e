// The scan of all schemes on a small fixed-seed test ROM of mixed content with streams
// written as other encoders write them (tools/stream_gen): every parse, padding and CT mark.
// The bench (scan_targets_bench) prints the figures on 32 MiB; these bounds lie below them.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "compress/scan/stream_scan.h"
#include "test_rom.h"

namespace tegulo {
namespace {

using namespace tegulo::gen;
using Bytes = std::vector<std::uint8_t>;

TEST(ScanFixtures, StreamsOfEveryEncoderAreFoundAndChanceHitsAreRare) {
  const TTestRom rom = MakeTestRom(3U << 20U, 1, 23);
  const auto variants = AllVariants();
  const auto hits = ScanStreams(rom.bytes, kScanSchemes, TScanOptions{});
  std::map<std::size_t, int> hitAt;
  for (const TScanHit& h : hits) hitAt[h.address] = h.scheme;
  std::map<std::string, std::pair<int, int>> recall;  // scheme label -> (found, planted)
  for (const TPlanted& p : rom.planted) {
    const TVariant& v = variants[p.variant];
    const auto it = hitAt.find(p.address);
    const bool found = it != hitAt.end() && it->second == v.scheme;
    auto& [got, all] = recall[SchemeLabel(v)];
    got += found ? 1 : 0;
    all += 1;
    if (found) hitAt.erase(it);
  }
  for (const auto& [label, r] : recall) {
    EXPECT_GE(r.first, r.second * 95 / 100) << label << ": " << r.first << " of " << r.second;
  }
  // What is left are chance hits.
  EXPECT_LE(hitAt.size(), rom.planted.size() / 20) << hitAt.size() << " chance hits";
}

// Fillers cost every scheme little and give no hit; an LZ77-10 stream in a filler of
// 10 00 00 02 is one, and is found at most once per stream length.
TEST(ScanFixtures, FillersGiveNoChanceHitsAtEveryAlignment) {
  for (const Bytes& unit : {Bytes{0xFF}, Bytes{0x00}, Bytes{0x10, 0x00, 0x00, 0x02}}) {
    Bytes filler(256U << 10U);
    for (std::size_t i = 0; i < filler.size(); ++i) filler[i] = unit[i % unit.size()];
    for (std::uint32_t align : {1U, 2U, 4U}) {
      TScanOptions options;
      options.align = align;
      const auto others =
          ScanStreams(filler, std::span<const int>(kScanSchemes).subspan(1), options);
      EXPECT_TRUE(others.empty()) << int(unit[0]) << " align " << align << ": " << others.size();
      const auto lz = ScanStreams(filler, std::span<const int>(kScanSchemes).first(1), options);
      EXPECT_LE(lz.size(), 4U) << int(unit[0]) << " align " << align;
    }
  }
}

}  // namespace
}  // namespace tegulo
