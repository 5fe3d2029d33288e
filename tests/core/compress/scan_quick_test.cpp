// The scan's shortcuts against the plain checks they stand for: the quick passes of the rows
// pass over only positions their checkers refuse, and a scan gives at every position what
// the checker and the score give there on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "compress/flag/lc_lz14.h"
#include "compress/mixed/koei.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "snes2_writers.h"
#include "stream_content.h"
#include "test_rom.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TNamedRom {
  std::string name;
  Bytes bytes;
};

// Planted streams in mixed content, noise, fillers, blocks of an LZ77-10 header and zeros,
// and text.
std::vector<TNamedRom> Roms(std::size_t size) {
  std::vector<TNamedRom> roms;
  roms.push_back({"mixed", gen::MakeTestRom(size, 1, 5).bytes});
  Bytes noise(size);
  std::uint32_t state = 99;
  for (auto& b : noise) {
    state = state * 1664525U + 1013904223U;
    b = static_cast<std::uint8_t>(state >> 24U);
  }
  roms.push_back({"noise", noise});
  roms.push_back({"0x00", Bytes(size, 0x00)});
  roms.push_back({"0xFF", Bytes(size, 0xFF)});
  Bytes blocks(size, 0);
  constexpr std::uint8_t kUnit[] = {0x10, 0x00, 0x00, 0x02};
  for (std::size_t i = 0; i < size; ++i) blocks[i] = (i >> 11U) % 2 == 0 ? kUnit[i % 4] : 0;
  roms.push_back({"10 00 00 02 / zeros", blocks});
  const std::string words = "The quick brown fox jumps over the lazy dog; 0123456789. ";
  Bytes text(size);
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<std::uint8_t>(words[i % 53]);
  roms.push_back({"text", text});
  return roms;
}

std::vector<int> RowsWithQuickPasses() {
  std::vector<int> rows;
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.skip != nullptr) rows.push_back(f.row);
  }
  return rows;
}

TEST(ScanQuickPasses, PassOverOnlyPositionsTheCheckerRefuses) {
  ASSERT_FALSE(RowsWithQuickPasses().empty());
  for (const TNamedRom& rom : Roms(24U << 10U)) {
    for (const int row : RowsWithQuickPasses()) {
      const TSchemeFormat& f = *FindSchemeFormat(row);
      for (const TSkipFacts facts : {TSkipFacts{0, false}, TSkipFacts{32, true}}) {
        std::size_t passed = 0;
        for (std::size_t pos = 0; pos < rom.bytes.size();) {
          const std::size_t next = f.skip(rom.bytes, pos, rom.bytes.size(), 1, facts);
          for (; pos < next && pos < rom.bytes.size(); ++pos, ++passed) {
            TStreamStats stats;
            stats.factsOnly = facts.factsOnly;
            ASSERT_FALSE(f.check(rom.bytes, pos, facts.minSize, &stats))
                << rom.name << ", " << f.name << " at " << pos << ", facts " << facts.factsOnly;
          }
          ++pos;
        }
        // Noise and fillers are passed over almost whole where the facts count.
        if (facts.factsOnly && (rom.name == "noise" || rom.name == "0xFF")) {
          EXPECT_GT(passed, rom.bytes.size() * 9 / 10) << rom.name << ", " << f.name;
        }
      }
    }
  }
}

// The gated quick pass gives what the plain one gives: the first position `maybe` takes
// before the end, or one at the end or past it with none taken between. `maybe` reads two
// bytes (a 7 not followed by a 7), so runs of 7 are passed over by their length; the gate
// holds for a 7 and at random elsewhere.
TEST(ScanQuickPasses, GatedPassGivesWhatThePlainPassGives) {
  std::mt19937 rng(3);
  Bytes rom(3000);
  for (std::size_t i = 0; i < rom.size();) {
    const std::size_t run = rng() % 8 == 0 ? 1 + rng() % 200 : 1;
    const auto value = static_cast<std::uint8_t>(rng() % 3 == 0 ? 7 : rng() % 16);
    for (std::size_t k = 0; k < run && i < rom.size(); ++k) rom[i++] = value;
  }
  const auto maybe = [&](std::size_t p) {
    return rom[p] == 7 && p + 1 < rom.size() && rom[p + 1] != 7;
  };
  bool loose = true;  // the gate also holds at random; else at a 7 alone (whole blocks refused)
  const auto gates = [&](std::size_t pos) {
    return GateBlock(pos, [&](std::size_t p) { return rom[p] == 7 || (loose && rng() % 4 == 0); });
  };
  constexpr std::size_t kReach = 2;
  struct TCase {
    std::size_t align;
    std::size_t end;
    bool loose = true;
  };
  for (const TCase c :
       {TCase{1, 3000}, TCase{2, 3000}, TCase{4, 2999}, TCase{8, 1500}, TCase{3, 3000},
        TCase{64, 3000}, TCase{1, 130}, TCase{1, 3000, false}, TCase{4, 3000, false}}) {
    loose = c.loose;
    for (std::size_t from = 0; from < c.end; from += c.align) {
      const std::size_t plain = SkipWhileRefusedInRuns<kReach>(rom, from, c.end, c.align, maybe);
      const std::size_t gated =
          SkipGatedInRuns<kReach, kReach>(rom, from, c.end, c.align, gates, maybe);
      if (plain < c.end) {
        ASSERT_EQ(gated, plain) << "align " << c.align << " end " << c.end << " from " << from;
      } else {
        ASSERT_GE(gated, c.end) << "align " << c.align << " from " << from;
        ASSERT_EQ((gated - from) % c.align, 0U) << "align " << c.align << " from " << from;
        const std::size_t first = from + (c.end - from + c.align - 1) / c.align * c.align;
        for (std::size_t p = first; p < std::min(gated, rom.size()); p += c.align) {
          ASSERT_FALSE(maybe(p)) << "align " << c.align << " at " << p;
        }
      }
    }
  }
}

// The gates with SSE2 and a position at a time agree, on noise and on bytes of the values
// their tests turn on.
TEST(ScanQuickPasses, GatesAgreeWithTheirPlainForms) {
  using TGates = std::uint64_t (*)(std::span<const std::uint8_t>, std::size_t);
  struct TRow {
    const char* name;
    TGates fast;
    TGates plain;
  };
  const TRow rows[] = {{"Koei", detail::KoeiGates, detail::KoeiGatesPlain},
                       {"LC_LZ17", detail::LCLZ17Gates, detail::LCLZ17GatesPlain},
                       {"LC_LZ14", detail::LCLZ14Gates, detail::LCLZ14GatesPlain}};
  std::mt19937 rng(11);
  constexpr std::uint8_t kEdges[] = {0x00, 0x01, 0x07, 0x1F, 0x20, 0x21, 0x3F, 0x40, 0x41, 0x43,
                                     0x7F, 0x80, 0x8F, 0x90, 0xF5, 0xF8, 0xF9, 0xFE, 0xFF};
  Bytes noise(1U << 15U);
  Bytes edges(1U << 15U);
  for (std::size_t i = 0; i < noise.size(); ++i) {
    noise[i] = static_cast<std::uint8_t>(rng());
    edges[i] = rng() % 2 == 0 ? kEdges[rng() % sizeof kEdges] : static_cast<std::uint8_t>(i);
  }
  for (const TRow& row : rows) {
    for (const Bytes* rom : {&noise, &edges}) {
      for (std::size_t pos = 0; pos + 128 <= rom->size(); pos += 61) {
        ASSERT_EQ(row.fast(*rom, pos), row.plain(*rom, pos)) << row.name << " at " << pos;
      }
    }
  }
}

// Konami streams of every version by another encoder, between text and tilemap bytes.
Bytes PlantedKonami() {
  std::mt19937 rng(7);
  const Bytes tiles = gen::MakeContent(gen::TContent::kTiles4bpp, 1024, rng);
  Bytes rom = gen::MakeContent(gen::TContent::kText, 300, rng);
  for (const gen::TKonamiKind kind :
       {gen::TKonamiKind::k1, gen::TKonamiKind::k2, gen::TKonamiKind::k2R}) {
    for (const bool shortest : {false, true}) {
      const Bytes stream = gen::WriteKonami(tiles, kind, shortest);
      rom.insert(rom.end(), stream.begin(), stream.end());
      const Bytes map = gen::MakeContent(gen::TContent::kTilemap, 200, rng);
      rom.insert(rom.end(), map.begin(), map.end());
    }
  }
  return rom;
}

// A prefilter leaves out only positions the checker refuses, at every smallest size.
TEST(ScanPrefilters, LeaveOutOnlyPositionsTheCheckerRefuses) {
  std::vector<TNamedRom> roms = Roms(12U << 10U);
  roms.push_back({"planted Konami", PlantedKonami()});
  for (const TNamedRom& rom : roms) {
    for (const TSchemeFormat& f : SchemeFormats()) {
      if (f.prefilter == nullptr) continue;
      for (const std::uint32_t minSize : {0U, 32U}) {
        std::vector<std::uint64_t> bits;
        f.prefilter(rom.bytes, minSize, true, bits);
        ASSERT_EQ(bits.size(), (rom.bytes.size() + 63) / 64) << f.name;
        for (std::size_t pos = 0; pos < rom.bytes.size(); ++pos) {
          if (((bits[pos / 64] >> (pos % 64)) & 1U) != 0) continue;
          TStreamStats stats;
          stats.factsOnly = true;
          ASSERT_FALSE(f.check(rom.bytes, pos, minSize, &stats))
              << rom.name << ", " << f.name << " at " << pos << ", min " << minSize;
        }
      }
    }
  }
}

// The rows that name one shared pass, by that pass.
std::map<TSharedPrefilter, std::vector<int>> SharedPasses() {
  std::map<TSharedPrefilter, std::vector<int>> passes;
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.sharedPrefilter != nullptr) passes[f.sharedPrefilter].push_back(f.row);
  }
  return passes;
}

// A shared pass gives each of its rows, all of them or some in any order, what the row's own
// prefilter gives.
TEST(ScanPrefilters, SharedPassGivesEachRowItsOwnCandidates) {
  std::vector<TNamedRom> roms = Roms(12U << 10U);
  roms.push_back({"planted Konami", PlantedKonami()});
  for (const auto& [pass, all] : SharedPasses()) {
    ASSERT_GE(all.size(), 2U);
    const std::vector<std::vector<int>> asks = {all, {all.back(), all.front()}};
    for (const TNamedRom& rom : roms) {
      for (const std::vector<int>& rows : asks) {
        for (const std::uint32_t minSize : {0U, 32U}) {
          std::vector<std::vector<std::uint64_t>> shared(rows.size());
          pass(rom.bytes, minSize, true, rows, shared);
          for (std::size_t k = 0; k < rows.size(); ++k) {
            std::vector<std::uint64_t> own;
            FindSchemeFormat(rows[k])->prefilter(rom.bytes, minSize, true, own);
            EXPECT_EQ(shared[k], own) << rom.name << ", " << FindSchemeFormat(rows[k])->name
                                      << " of " << rows.size() << ", min " << minSize;
          }
        }
      }
    }
  }
}

// A scan of several rows that share a pass (twice one of them among them) finds what scans of
// each row on its own find.
TEST(ScanStreams, RowsSharingAPassFindWhatEachFindsAlone) {
  const Bytes rom = PlantedKonami();
  TScanOptions options;
  options.align = 1;
  options.overlaps = true;
  for (const auto& [pass, all] : SharedPasses()) {
    std::vector<int> rows = all;
    rows.push_back(all.front());
    std::vector<TScanHit> alone;
    for (const int row : rows) {
      const int one[] = {row};
      const auto hits = ScanStreams(rom, one, options);
      alone.insert(alone.end(), hits.begin(), hits.end());
    }
    std::stable_sort(alone.begin(), alone.end(), [](const TScanHit& a, const TScanHit& b) {
      return a.address != b.address ? a.address < b.address : a.scheme < b.scheme;
    });
    EXPECT_EQ(ScanStreams(rom, rows, options), alone) << FindSchemeFormat(all.front())->name;
  }
}

// Every position on its own: the checker, then the score from the row's sample.
std::vector<TScanHit> PlainScan(std::span<const std::uint8_t> rom, int row,
                                const TScanOptions& options) {
  std::vector<TScanHit> hits;
  std::size_t freeFrom = 0;
  for (std::size_t pos = 0; pos < rom.size(); pos += options.align) {
    if (pos < freeFrom) continue;
    const auto hit = CheckAndScore(rom, pos, row, options.minSize);
    if (!hit || hit->score < options.minScore) continue;
    hits.push_back(*hit);
    if (!options.overlaps) freeFrom = pos + hit->comprSize;
  }
  return hits;
}

// The flag-byte family, CT, the BIOS schemes, LC_LZ14, LC_LZ17, Koei and Konami (quick passes,
// type bytes, refusals handed on along fillers).
TEST(ScanStreams, GivesWhatThePlainCheckGivesAtEveryPosition) {
  const std::vector<std::string> names = {
      "LZ77-10", "LZSS-FF5", "LZSS-FF6", "LZSS-CT", "LZ77-11",  "Huffman-4", "RLE-30",
      "Diff-8",  "LC_LZ14",  "LC_LZ17",  "Koei",    "Konami-1", "Konami-2",  "Konami-2R"};
  for (const TNamedRom& rom : Roms(20U << 10U)) {
    for (const std::string& name : names) {
      const int row[] = {*FindScheme(name)};
      for (const std::uint32_t align : {1U, 4U}) {
        for (const bool overlaps : {false, true}) {
          TScanOptions options;
          options.align = align;
          options.overlaps = overlaps;
          EXPECT_EQ(ScanStreams(rom.bytes, row, options), PlainScan(rom.bytes, row[0], options))
              << rom.name << ", " << name << ", align " << align << ", overlaps " << overlaps;
        }
      }
    }
  }
}

// Bait: on noise and fillers the quick passes leave the checkers a few candidates in a
// hundred positions or fewer; in blocks of a repeated header CT's first group mostly holds,
// and the checker's refusals handed on a period later do the rest.
TEST(ScanFixtures, QuickPassesLeaveFewCandidatesInNoiseAndFillers) {
  const std::map<std::string, std::size_t> shareOf = {
      {"noise", 64}, {"0x00", 64}, {"0xFF", 64}, {"10 00 00 02 / zeros", 8}};
  for (const TNamedRom& rom : Roms(64U << 10U)) {
    if (shareOf.count(rom.name) == 0) continue;
    for (const int row : RowsWithQuickPasses()) {
      const int one[] = {row};
      std::size_t checks = 0;
      TScanOptions options;
      options.align = 1;
      options.checks = &checks;
      EXPECT_TRUE(ScanStreams(rom.bytes, one, options).empty()) << rom.name << ", " << row;
      EXPECT_LE(checks, rom.bytes.size() / shareOf.at(rom.name))
          << rom.name << ", " << FindSchemeFormat(row)->name;
    }
  }
}

}  // namespace
}  // namespace tegulo
