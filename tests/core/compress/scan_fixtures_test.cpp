// The scan of all schemes on a small fixed-seed test ROM of mixed content with streams
// written as other encoders write them (tools/stream_gen): every parse, padding and CT mark.
// The bench (scan_targets_bench) prints the figures on 32 MiB; these bounds lie below them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "test_rom.h"

namespace tegulo {
namespace {

using namespace tegulo::gen;
using Bytes = std::vector<std::uint8_t>;

// The schemes whose streams state no size (the command formats): a list of commands can
// start anywhere, and chance bytes meet its rules more often; their scan falls short of the
// bounds the others meet (the bench prints the figures).
bool IsCommandRow(int row) { return FindSchemeFormat(row)->sizeRule == TSizeRule::kNoSizeField; }
// Those and Konami, whose streams of other encoders' parses score below the default minimum
// where their output is plain (text, sound, palettes).
bool FallsShort(int row) {
  return IsCommandRow(row) || row == kSchemeKonami1 || row == kSchemeKonami2 ||
         row == kSchemeKonami2R;
}
TEST(ScanFixtures, StreamsOfEveryEncoderAreFoundAndChanceHitsAreRare) {
  const TTestRom rom = MakeTestRom(2U << 20U, 1, 23);
  const auto variants = AllVariants();
  const std::vector<int> all = SchemesOfScanAll();
  const auto hits = ScanStreams(rom.bytes, all, TScanOptions{});
  std::map<std::size_t, int> hitAt;
  for (const TScanHit& h : hits) hitAt[h.address] = h.scheme;
  std::map<std::string, std::pair<int, int>> recall;  // scheme label -> (found, planted)
  for (const TPlanted& p : rom.planted) {
    const TVariant& v = variants[p.variant];
    if (std::find(all.begin(), all.end(), v.scheme) == all.end()) continue;
    const auto it = hitAt.find(p.address);
    if (FallsShort(v.scheme)) {
      if (it != hitAt.end() && it->second == v.scheme) hitAt.erase(it);
      continue;
    }
    const bool found = it != hitAt.end() && it->second == v.scheme;
    auto& [got, planted] = recall[SchemeLabel(v)];
    got += found ? 1 : 0;
    planted += 1;
    if (found) hitAt.erase(it);
  }
  for (const auto& [label, r] : recall) {
    EXPECT_GE(r.first, r.second * 95 / 100) << label << ": " << r.first << " of " << r.second;
  }

  // What is left are chance hits.
  EXPECT_LE(hitAt.size(), rom.planted.size() / 20) << hitAt.size() << " chance hits";
}

// Bait: fillers, noise, alternating blocks of an LZ77-10 header and zeros, a tilemap's
// rising words and a repeated line of text cost every scheme little (a quadratic pass would
// pass the test's time limit: the last two read as endless command lists) and give no
// chance hit; an LZ77-10 stream in a filler of 10 00 00 02 is one, found at most once per
// stream length.
Bytes Bait(int kind, std::size_t size) {
  static constexpr std::uint8_t kLZ10[] = {0x10, 0x00, 0x00, 0x02};
  static constexpr std::uint8_t kMapWords[] = {0x00, 0x20, 0x01, 0x20, 0x02, 0x20, 0x03, 0x20};
  static constexpr char kText[] = "THE QUICK BROWN FOX ";
  Bytes bytes(size);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1664525U + 1013904223U;
    switch (kind) {
      case 0: bytes[i] = 0x00; break;
      case 1: bytes[i] = 0xFF; break;
      case 2: bytes[i] = static_cast<std::uint8_t>(state >> 24U); break;
      case 3: bytes[i] = kLZ10[i % 4]; break;
      case 4: bytes[i] = (i >> 14U) % 2 == 0 ? kLZ10[i % 4] : 0; break;
      case 5: bytes[i] = kMapWords[i % 8]; break;
      default: bytes[i] = static_cast<std::uint8_t>(kText[i % 20]); break;
    }
  }
  return bytes;
}

TEST(ScanFixtures, BaitGivesNoChanceHitsAtEveryAlignment) {
  const char* const names[] = {"0x00",      "0xFF", "random", "10 00 00 02", "10 00 00 02 / zeros",
                               "map words", "text"};
  std::vector<int> others;
  for (const int row : ScannableSchemes()) {
    if (row != kSchemeLZ10) others.push_back(row);
  }
  const int lz10[] = {kSchemeLZ10};
  for (int kind = 0; kind < 7; ++kind) {
    const Bytes bait = Bait(kind, 128U << 10U);
    for (std::uint32_t align : {1U, 4U}) {
      TScanOptions options;
      options.align = align;
      const auto hits = ScanStreams(bait, others, options);
      // Noise gives a command list that meets the facts now and then (about one in 1 MiB).
      const auto chance = std::count_if(hits.begin(), hits.end(), [&](const TScanHit& h) {
        return kind != 2 || !IsCommandRow(h.scheme);
      });
      EXPECT_EQ(chance, 0) << names[kind] << " align " << align << ": " << hits.size()
                           << " hits, the first of scheme " << (hits.empty() ? 0 : hits[0].scheme);
      EXPECT_LE(hits.size(), 2U) << names[kind] << " align " << align;
      EXPECT_LE(ScanStreams(bait, lz10, options).size(), kind == 3 || kind == 4 ? 8U : 0U)
          << names[kind] << " align " << align;
    }
  }
}

// Fillers cost the ring and record schemes a few checks each: a refusal is handed on to the
// candidates a period later while the bytes it read repeat, so only the candidates at a
// block's start and those whose bytes reach past its end are checked, not one per byte.
TEST(ScanFixtures, FillersAreCheckedAboutOncePerPeriod) {
  const struct {
    int kind;
    const char* name;
    std::size_t blocks;  // of repeated bytes in the 128 KiB
  } fillers[] = {{0, "0x00", 1}, {1, "0xFF", 1}, {3, "10 00 00 02", 1}, {4, "blocks", 8}};
  for (const auto& f : fillers) {
    const Bytes bait = Bait(f.kind, 128U << 10U);
    for (const char* name : {"LZSS-FF5", "LZSS-FF6", "LZSS-CT"}) {
      const int scheme[] = {*FindScheme(name)};
      std::size_t checks = 0;
      TScanOptions options;
      options.align = 1;
      options.checks = &checks;
      EXPECT_TRUE(ScanStreams(bait, scheme, options).empty()) << f.name << " " << name;
      EXPECT_LE(checks, f.blocks * 1024) << f.name << " " << name;
    }
  }
}

}  // namespace
}  // namespace tegulo
