// The facts that decide a scan hit: a stream that meets them scores at least the default
// minimum whatever its output holds, one that misses any scores below it; fillers of one
// byte value read as literals are refused by every checker.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "sample_data.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ScoreStream, FactsDecideWhateverTheOutputHolds) {
  Bytes noise(4096);
  std::mt19937 rng(5);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  const Bytes zeros(4096, 0);
  TStreamStats met;
  met.factsMinOutput = kStrictFactsMinOutput;
  met.literals = 4000;  // noise hardly packs: the stream is a little longer than its output
  met.references = 20;
  met.referenceBytes = 96;
  met.comprSize = 4600;
  const auto with = [&](auto change) {
    TStreamStats s = met;
    change(s);
    return s;
  };
  const struct {
    const char* what;
    TStreamStats stats;
    const Bytes* output;
    bool atLeastMinimum;
  } kCases[] = {
      {"noise, every fact met", met, &noise, true},
      {"zeros, every fact met", met, &zeros, true},
      {"the last token overshoots", with([](TStreamStats& s) { s.endExact = false; }), &noise,
       false},
      {"flags after the last token", with([](TStreamStats& s) { s.unusedFlagsZero = false; }),
       &noise, false},
      {"zeros taken from far in the ring", with([](TStreamStats& s) { s.strayZeroRing = 1; }),
       &noise, false},
      {"longer than any encoder writes", with([](TStreamStats& s) { s.comprSize = 4700; }), &noise,
       false},
      {"most bytes from the ring's zeros", with([](TStreamStats& s) {
         s.zeroRingReferences = 8;
         s.zeroRingBytes = 2100;
       }),
       &zeros, false},
  };
  for (const auto& c : kCases) {
    const int score = ScoreStream(c.stats, *c.output);
    EXPECT_EQ(score >= kDefaultMinScore, c.atLeastMinimum) << c.what << ": " << score;
    EXPECT_GE(score, std::min(ContentScore(c.stats, *c.output), kDefaultMinScore - 1)) << c.what;
  }
  // Below factsMinOutput bytes the content alone speaks.
  TStreamStats tiny = met;
  tiny.literals = 24;
  tiny.references = 0;
  tiny.referenceBytes = 0;
  tiny.comprSize = 30;
  const std::span<const std::uint8_t> few(noise.data(), 24);
  EXPECT_EQ(ScoreStream(tiny, few), ContentScore(tiny, few));
  // Where the checker checks no facts, the content alone speaks.
  TStreamStats unchecked = met;
  unchecked.factsMinOutput = kNoFacts;
  unchecked.endExact = false;
  EXPECT_EQ(ScoreStream(unchecked, noise), ContentScore(unchecked, noise));
}

// Blank tiles are streams encoders write: a literal and a few long copies of it. Where the
// stream ends with an end code (Koei, LC_LZ17) that end decides, however few the tokens.
TEST(CheckAndScore, BlankStreamsWithAnEndCodeMeetTheFacts) {
  const auto blank = [](std::size_t n, std::size_t marks) {
    Bytes d(n, 0);
    for (std::size_t k = 0; k < marks; ++k) d[n / 2 + 5 * k] = static_cast<std::uint8_t>(k + 1);
    return d;
  };
  const struct {
    const char* what;
    int scheme;
    Bytes data;
  } kCases[] = {
      {"Koei, 112 zeros", kSchemeKoei, blank(112, 0)},
      {"Koei, 4096 zeros", kSchemeKoei, blank(4096, 0)},
      {"Koei, 544 bytes, 3 of them set", kSchemeKoei, blank(544, 3)},
      {"LC_LZ17, 64 zeros", kSchemeLCLZ17, blank(64, 0)},
      {"LC_LZ17, 240 zeros", kSchemeLCLZ17, blank(240, 0)},
      {"LC_LZ17, 1024 bytes, 2 of them set", kSchemeLCLZ17, blank(1024, 2)},
  };
  for (const auto& c : kCases) {
    const Bytes stream = FindSchemeFormat(c.scheme)->compress(c.data, {});
    Bytes rom(16, 0x55);
    rom.insert(rom.end(), stream.begin(), stream.end());
    rom.resize(rom.size() + 16, 0x55);
    const auto hit = CheckAndScore(rom, 16, c.scheme, kDefaultScanMinSize);
    ASSERT_TRUE(hit.has_value()) << c.what;
    EXPECT_EQ(hit->rawSize, c.data.size()) << c.what;
    EXPECT_GE(hit->score, kDefaultMinScore) << c.what;
  }
}

// Bait for the blank-tile facts: data that meets a filler (the words of a tilemap, a table of
// small numbers, noise, each followed by 0x00 or 0xFF), where a stream of a few zero runs or
// copies of a run could seem to start, gives no hit of the schemes whose blank streams score by
// their facts.
TEST(ScanStreams, DataBeforeFillersGivesNoBlankHits) {
  Bytes rom;
  std::mt19937 rng(11);
  for (int block = 0; block < 64; ++block) {
    for (std::size_t i = 0; i < 1024; i += 2) {
      const auto k = static_cast<std::uint8_t>(i / 2);
      const auto r = static_cast<std::uint8_t>(rng());
      switch (block % 4) {
        case 0: rom.insert(rom.end(), {k, 0x20}); break;
        case 1: rom.insert(rom.end(), {static_cast<std::uint8_t>(k * 0x22), 0x00}); break;
        case 2: rom.insert(rom.end(), {0xFF, static_cast<std::uint8_t>(r < 16 ? r : 0)}); break;
        default: rom.insert(rom.end(), {r, static_cast<std::uint8_t>(rng())}); break;
      }
    }
    rom.resize(rom.size() + 1024, block % 2 == 0 ? 0x00 : 0xFF);
  }
  const int schemes[] = {kSchemeLCLZ14,   kSchemeKonami1, kSchemeKonami2,
                         kSchemeKonami2R, kSchemeLCLZ17,  kSchemeKoei};
  TScanOptions options;
  options.align = 1;
  for (const int scheme : schemes) {
    const int one[] = {scheme};
    const auto hits = ScanStreams(rom, one, options);
    EXPECT_TRUE(hits.empty()) << Compressions[scheme].name() << ": " << hits.size()
                              << " hits, the first at " << (hits.empty() ? 0 : hits[0].address);
  }
}

TEST(CheckStream, LiteralsOfOneValueInARowAreRefused) {
  const auto run = [](int n, std::uint8_t after) {
    Bytes b(static_cast<std::size_t>(n), 0x41);
    b.push_back(after);
    return b;
  };
  const auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const struct {
    const char* what;
    int scheme;
    Bytes stream;
    bool passes;
  } kCases[] = {
      {"LZ77-10, four in a row", kSchemeLZ10, join({{0x10, 5, 0, 0, 0x00}, run(4, 0x42)}), true},
      {"LZ77-10, five in a row", kSchemeLZ10, join({{0x10, 5, 0, 0, 0x00}, run(4, 0x41)}), false},
      {"FF5, four in a row", kSchemeFF5, join({{5, 0, 0xFF}, run(4, 0x42)}), true},
      {"FF5, five in a row", kSchemeFF5, join({{5, 0, 0xFF}, run(4, 0x41)}), false},
      {"FF6, five in a row", kSchemeFF6, join({{8, 0, 0xFF}, run(4, 0x41)}), false},
      {"FF6, a reference between", kSchemeFF6,
       join({{11, 0, 0x77}, run(2, 0x41), {0xDE, 0x00}, run(2, 0x41)}), true},
      {"CT, a raw group with four in a row", kSchemeCT,
       join({{9, 0, 0x00}, run(4, 0x42), {0x43, 0x44, 0x45, 0xC0}}), true},
      {"CT, a raw group with five in a row", kSchemeCT,
       join({{9, 0, 0x00}, run(5, 0x42), {0x43, 0x44, 0xC0}}), false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CheckStream(c.stream, 0, c.scheme, 0).has_value(), c.passes) << c.what;
  }
}

// RLE-30 blocks in a row: two that one block would hold are refused, any split of a stretch
// longer than one block is taken, whichever block is full.
TEST(CheckStream, RLEBlocksInARowAreRefusedOnlyWhereOneWouldHoldThem) {
  const auto literals = [](std::size_t n) {
    Bytes b{static_cast<std::uint8_t>(n - 1)};
    for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(i * 37 % 251));
    return b;
  };
  const auto run = [](std::size_t n, std::uint8_t v) {
    return Bytes{static_cast<std::uint8_t>(0x80 + n - 3), v};
  };
  const auto stream = [](std::initializer_list<Bytes> blocks) {
    Bytes b{0x30, 0, 0, 0};
    std::size_t size = 0;
    for (const Bytes& block : blocks) {
      size += block[0] & 0x80 ? (block[0] & 0x7F) + 3u : block[0] + 1u;
      b.insert(b.end(), block.begin(), block.end());
    }
    b[1] = static_cast<std::uint8_t>(size);
    b[2] = static_cast<std::uint8_t>(size >> 8);
    return b;
  };
  const struct {
    const char* what;
    Bytes stream;
    bool passes;
  } kCases[] = {
      {"1 + 128 literals", stream({literals(1), literals(128)}), true},
      {"128 + 1 literals", stream({literals(128), literals(1)}), true},
      {"30 + 99 literals", stream({literals(30), literals(99)}), true},
      {"30 + 98 literals", stream({literals(30), literals(98)}), false},
      {"runs of 3 and 130 of one byte", stream({run(3, 0), run(130, 0), literals(40)}), true},
      {"runs of 130 and 3 of one byte", stream({run(130, 0), run(3, 0), literals(40)}), true},
      {"runs of 60 and 70 of one byte", stream({run(60, 0), run(70, 0), literals(40)}), false},
      {"runs of 60 and 70 of two bytes", stream({run(60, 0), run(70, 1), literals(40)}), true},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CheckStream(c.stream, 0, kSchemeRLE30, 0).has_value(), c.passes) << c.what;
  }
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// Literal groups from position 2 on, as FF5 and FF6 both write them.
Bytes LiteralGroups(std::size_t literals) {
  Bytes b;
  for (std::size_t i = 0; i < literals; ++i) {
    if (i % 8 == 0) b.push_back(0xFF);
    b.push_back(static_cast<std::uint8_t>(0x30 + i * 7 % 61));
  }
  return b;
}

TEST(CheckStream, FF6RefusesOutputBeyondABank) {
  // References of 34 bytes to the output's first byte, as chance streams in a filler make.
  const auto stream = [](std::size_t references) {
    Bytes b{0, 0, 0x01, 0x41};  // a literal, then references
    for (std::size_t i = 0; i < references; ++i) {
      if (i % 8 == 7) b.push_back(0x00);
      b.insert(b.end(), {0xDE, 0xFF});  // index 0x7DE (output byte 0), length 34
    }
    b[0] = static_cast<std::uint8_t>(b.size());
    b[1] = static_cast<std::uint8_t>(b.size() >> 8);
    return b;
  };
  const Bytes within = stream(1900);  // 64,601 bytes
  const Bytes beyond = stream(1950);  // 66,301 bytes
  const auto hit = CheckStream(within, 0, kSchemeFF6, 32);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->rawSize, 1 + 1900U * 34);
  EXPECT_FALSE(CheckStream(beyond, 0, kSchemeFF6, 32).has_value());
}

// An FF5 stream of literals reads as an FF6 stream too, shorter, that stops inside a group
// whose flags go on; the scan keeps the reading that ends where the encoder stopped.
TEST(ScanStreams, AtOneAddressTheReadingThatEndsTidilyWins) {
  Bytes rom{40, 0};
  const Bytes groups = LiteralGroups(40);
  rom.insert(rom.end(), groups.begin(), groups.end());
  rom.resize(64, 0x11);
  const int schemes[] = {kSchemeFF5, kSchemeFF6};
  TScanOptions options;
  options.minScore = 0;
  options.overlaps = true;
  ASSERT_EQ(ScanStreams(rom, schemes, options).size(), 2U) << "both readings pass";
  options.overlaps = false;
  const auto hits = ScanStreams(rom, schemes, options);
  ASSERT_EQ(hits.size(), 1U);
  EXPECT_EQ(hits[0].scheme, kSchemeFF5);
  EXPECT_EQ(hits[0].comprSize, 47U);
}

// HAL counts a word fill's pairs: an LC_LZ2 list with a word fill reads as a HAL list to the
// same end byte that writes more, its copies reading other bytes. The scan names it LC_LZ2,
// whichever scores better.
TEST(ScanStreams, AtOneAddressTheLCReadingWinsOverHALsLongerOne) {
  Bytes rom = {0x4F, 0x12, 0x34};  // 16 bytes of 12 34 (HAL: 16 pairs)
  for (int group = 0; group < 3; ++group) {
    rom.push_back(0x0F);  // 16 bytes as they are
    for (int k = 0; k < 16; ++k) rom.push_back(static_cast<std::uint8_t>(0x41 + 5 * k + group));
    rom.insert(rom.end(), {0x8F, 0x00, static_cast<std::uint8_t>(16 * group)});  // a copy of 16
  }
  rom.push_back(0xFF);
  rom.resize(rom.size() + 8, 0x00);
  const auto lz2 = CheckAndScore(rom, 0, kSchemeLCLZ2, 32);
  const auto hal = CheckAndScore(rom, 0, kSchemeHAL, 32);
  ASSERT_TRUE(lz2 && hal);
  ASSERT_EQ(lz2->comprSize, hal->comprSize);
  ASSERT_LT(lz2->rawSize, hal->rawSize);
  ASSERT_GE(std::min(lz2->score, hal->score), kDefaultMinScore) << "both meet the facts";
  const int schemes[] = {kSchemeLCLZ2, kSchemeHAL};
  const auto hits = ScanStreams(rom, schemes, TScanOptions{});
  ASSERT_EQ(hits.size(), 1U);
  EXPECT_EQ(hits[0].scheme, kSchemeLCLZ2);
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// Samplers of some schemes lengthen the sample buffer to the whole output; the score reads
// only the first kScoreSample bytes, as far as the literal marks go (one long stream of each).
TEST(CheckAndScore, LongStreamsAreScoredOnTheirFirstBytesOnly) {
  const auto data = MakeTileLikeData(40000, 3);
  for (const int row : {kSchemeLZ10, kSchemeLZ11, kSchemeRLE30}) {
    const TSchemeFormat* format = FindSchemeFormat(row);
    ASSERT_NE(format, nullptr);
    const auto stream = format->compress(data, TCompressOptions{});
    const auto hit = CheckAndScore(stream, 0, row, 32);
    ASSERT_TRUE(hit.has_value()) << row;
    EXPECT_EQ(hit->rawSize, data.size()) << row;
    EXPECT_GE(hit->score, 0) << row;
    EXPECT_LE(hit->score, 100) << row;
  }
}

}  // namespace
}  // namespace tegulo
