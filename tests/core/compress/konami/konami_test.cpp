// Konami-1, Konami-2 and Konami-2R: the worked examples both ways, the decoder's edges,
// round trips, the compressor against an exhaustive search, and the scan check.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "../more_examples.h"
#include "base/uCommon.h"
#include "compress/konami/konami.h"
#include "compress/scheme_formats.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr TKonami kVersions[] = {TKonami::k1, TKonami::k2, TKonami::k2R};
const char* const kNames[] = {"Konami-1", "Konami-2", "Konami-2R"};

// The version's row of the scheme table, found by name.
const TSchemeFormat& Row(TKonami v) {
  return *FindSchemeFormat(*FindScheme(kNames[static_cast<int>(v)]));
}

Bytes Decode(const Bytes& stream, TKonami v, std::size_t room = 1 << 16, bool* notValid = nullptr) {
  TDecodeBuffer out(room, 0xEE);
  bool broken = false;
  out.resize(Row(v).decode(stream, out, &broken));
  if (notValid != nullptr) *notValid = broken;
  return out;
}
Bytes Pack(const Bytes& d, TKonami v) { return Row(v).compress(d, {}); }
std::size_t Extent(const Bytes& s, TKonami v) { return Row(v).extent(s); }
std::optional<TScanHit> Check(const Bytes& rom, std::size_t pos, std::uint32_t minSize, TKonami v) {
  return Row(v).check(rom, pos, minSize, nullptr);
}

// Runs of zeros and of other bytes, zero-interleaved bytes, repeats and noise.
Bytes Mixed(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % 40;
    const unsigned kind = rng() % 5;
    const std::size_t from = d.empty() ? 0 : rng() % d.size();
    for (std::size_t k = 0; k < len; ++k) {
      const auto v = static_cast<std::uint8_t>(rng() % 4);
      switch (kind) {
        case 0: d.push_back(v); break;
        case 1: d.push_back(0); break;
        case 2: d.push_back(k % 2 == 0 ? 0 : v); break;
        case 3: d.push_back(0x40); break;
        default: d.push_back(d.empty() ? v : d[from + k % (d.size() - from)]); break;
      }
    }
  }
  d.resize(n);
  return d;
}

// The fewest stream bytes, by trying every command and count at every position and every
// ring index for copies, reading the ring as the decoder keeps it.
std::size_t BruteForceSize(const Bytes& d, TKonami v) {
  const std::size_t n = d.size();
  std::vector<std::size_t> best(n + 1, std::size_t{1} << 30);
  best[n] = 2;
  for (std::size_t i = n; i-- > 0;) {
    auto& b = best[i];
    const auto edge = [&](std::size_t len, std::size_t cost) {
      if (i + len <= n) b = std::min(b, cost + best[i + len]);
    };
    for (std::size_t k = 1; k <= 31; ++k) edge(k, 1 + k);
    for (std::size_t k = 2; k <= 33 && i + 2 * k <= n; ++k) {
      bool ok = true;
      for (std::size_t j = 0; j < k; ++j) ok = ok && d[i + 2 * j] == 0;
      if (ok) edge(2 * k, 1 + k);
    }
    for (std::size_t k = 2; k <= 257 && i + k <= n; ++k) {
      if (std::any_of(d.begin() + i, d.begin() + i + k, [&](auto x) { return x != d[i]; })) break;
      if (k <= 33) edge(k, 2);
      if (d[i] == 0 && k <= (v == TKonami::k1 ? 33u : 32u)) edge(k, 1);
      if (d[i] == 0 && v != TKonami::k1) edge(k, 2);
    }
    for (std::size_t ring = 0; ring < 0x400; ++ring) {
      const std::size_t dist = (0x3DF + i - ring - 1) % 0x400 + 1;
      Bytes out(d.begin(), d.begin() + i);
      for (std::size_t k = 0; k < 33 && i + k < n; ++k) {
        const std::size_t p = i + k;
        out.push_back(p >= dist ? out[p - dist] : 0);
        if (out.back() != d[p]) break;
        if (k >= 1) edge(k + 1, 2);
      }
    }
  }
  return best[0];
}

}  // namespace

TEST(Konami, WorkedExamplesBothWays) {
  for (const auto& e : test::MoreExamples()) {
    const auto v = std::find_if(std::begin(kVersions), std::end(kVersions),
                                [&](TKonami k) { return Row(k).row == e.scheme; });
    if (v == std::end(kVersions)) continue;
    EXPECT_EQ(Decode(e.stream, *v), e.input) << e.name;
    EXPECT_EQ(Extent(e.stream, *v), e.stream.size()) << e.name;
    const Bytes s = Pack(e.input, *v);
    EXPECT_EQ(s.size(), e.stream.size()) << e.name;
    EXPECT_EQ(s[1] & 0x80, e.stream[1] & 0x80) << e.name;
    EXPECT_EQ(Decode(s, *v), e.input) << e.name;
  }
}

TEST(Konami, EdgesOfTheDecoder) {
  const struct {
    const char* name;
    TKonami v;
    Bytes stream;
    Bytes output;
    bool notValid = false;
  } cases[] = {
      {"empty", TKonami::k2, {}, {}},
      {"length below 2", TKonami::k2, {0x01, 0x00, 0x81, 0x41}, {}, true},
      {"length past the stream", TKonami::k2, {0x09, 0x00, 0x82, 0x41, 0x42}, {0x41, 0x42}},
      {"command past the length", TKonami::k2, {0x03, 0x00, 0xC1, 0x41, 0x81, 0x41}, {}, true},
      {"raw run of 0", TKonami::k1, {0x04, 0x00, 0x80, 0xE0}, {}, true},
      {"0xFF is a short zero run in Konami-1", TKonami::k1, {0x03, 0x00, 0xFF}, Bytes(33, 0)},
      {"0xFF m in Konami-2", TKonami::k2, {0x04, 0x00, 0xFF, 0x00}, Bytes(2, 0)},
      {"copy from the ring far before the output",
       TKonami::k2,
       {0x06, 0x00, 0x81, 0x41, 0x00, 0x00},
       {0x41, 0x00, 0x00}},
      {"copy from output byte 0 (ring index 0x3DF)",
       TKonami::k2,
       {0x06, 0x00, 0x81, 0x41, 0x07, 0xDF},
       {0x41, 0x41, 0x41, 0x41}},
      {"reordered tail left as it is",
       TKonami::k2,
       {0x06, 0x80, 0xC6, 0x01, 0xE6, 0xE0},
       {0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01,
        0x00, 0x00, 0x00},
       true},
  };
  for (const auto& c : cases) {
    bool notValid = false;
    EXPECT_EQ(Decode(c.stream, c.v, 1 << 16, &notValid), c.output) << c.name;
    EXPECT_EQ(notValid, c.notValid) << c.name;
  }
  // The output's end stops the copy in the middle.
  EXPECT_EQ(Decode({0x04, 0x00, 0xDF, 0x41}, TKonami::k2, 5), Bytes(5, 0x41));
}

TEST(Konami, RoundTripsAndLimits) {
  for (int v = 0; v < 3; ++v) {
    for (std::uint32_t seed = 0; seed < 6; ++seed) {
      const Bytes d = Mixed(seed * 2048 + 16 * seed, seed);
      const Bytes s = Pack(d, kVersions[v]);
      ASSERT_EQ(Decode(s, kVersions[v]), d) << kNames[v] << " seed " << seed;
      EXPECT_EQ(Extent(s, kVersions[v]), s.size()) << kNames[v] << " seed " << seed;
    }
  }
  std::mt19937 rng(1);
  Bytes noise(40000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  EXPECT_THROW(Pack(noise, TKonami::k2), TError) << "past 32,767 stream bytes";
  EXPECT_NO_THROW(Pack(noise, TKonami::k1));
  EXPECT_THROW(Pack(Bytes(24), TKonami::k2R), TError) << "not whole blocks";
}

TEST(Konami, CompressorMatchesAnExhaustiveSearch) {
  std::mt19937 rng(38);
  for (int round = 0; round < 40; ++round) {
    const Bytes d = Mixed(rng() % 48, rng());
    for (int v = 0; v < 2; ++v) {
      ASSERT_EQ(Pack(d, kVersions[v]).size(), BruteForceSize(d, kVersions[v]))
          << kNames[v] << " round " << round;
    }
  }
}

TEST(Konami, ScanCheckTellsTheVersions) {
  const Bytes d = Mixed(1024, 5);
  for (int v = 0; v < 3; ++v) {
    Bytes rom(3, 0x55);
    const Bytes s = Pack(d, kVersions[v]);
    rom.insert(rom.end(), s.begin(), s.end());
    rom.resize(rom.size() + 7, 0x55);
    const auto hit = Check(rom, 3, 32, kVersions[v]);
    ASSERT_TRUE(hit.has_value()) << kNames[v];
    EXPECT_EQ(hit->rawSize, d.size()) << kNames[v];
    EXPECT_EQ(hit->comprSize, s.size()) << kNames[v];
    if (v > 0) {
      EXPECT_FALSE(Check(rom, 3, 32, kVersions[3 - v])) << kNames[v];
    }
    EXPECT_FALSE(Check(rom, 3, 2048, kVersions[v])) << kNames[v];
  }
  const struct {
    const char* name;
    Bytes stream;
  } refused[] = {
      {"raw run after a short one", {0x07, 0x00, 0x81, 0x41, 0x81, 0x42, 0xEC}},
      {"copy far before the output", {0x05, 0x00, 0x3C, 0x00, 0xE0}},
      {"not whole tiles", {0x03, 0x00, 0xE0}},
      {"zero runs that one command writes", {0x04, 0x00, 0xEE, 0xEE}},
      {"fills that one command writes", {0x06, 0x00, 0xC6, 0x41, 0xC6, 0x41}},
      {"copy of the ring's zeros only", {0x04, 0x00, 0x3B, 0xDE}},
      {"copy of zeros written", {0x05, 0x00, 0xEC, 0x03, 0xDF}},
      {"two runs of pairs that one could hold", {0x0C, 0x00, 0xA2, 1, 2, 3, 4, 0xA2, 5, 6, 7, 8}},
      {"8224 zeros in a row",
       [] {
         Bytes s = {0x42, 0x00};
         s.resize(0x42, 0xFF);  // 32 runs of 257
         return s;
       }()},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(Check(c.stream, 0, 1, TKonami::k2)) << c.name;
  }
  // Raw runs that one cannot hold are split anywhere by an exact parse: 24 + 24 costs what
  // 31 + 17 does. Blank areas of a few KiB are common.
  Bytes twoRaws = {0x34, 0x00, 0x98};
  for (int k = 0; k < 48; ++k) {
    if (k == 24) twoRaws.push_back(0x98);
    twoRaws.push_back(static_cast<std::uint8_t>(k + 1));
  }
  Bytes blank = {0x22, 0x00};
  blank.resize(0x22, 0xFF);  // 16 runs of 257: 4112 zeros
  // The shortest stream, one zero run of a tile's 32 bytes, is a stream; being one command,
  // it is no evidence against chance bytes, nor in Konami-1 are two zero runs (64 zeros).
  const Bytes oneRun = {0x03, 0x00, 0xFE};
  for (const auto& [name, stream] :
       {std::pair{"two raw runs", twoRaws}, {"4112 zeros", blank}, {"one zero run", oneRun}}) {
    EXPECT_TRUE(Check(stream, 0, 1, TKonami::k2)) << name;
  }
  const struct {
    TKonami version;
    Bytes stream;
    std::uint32_t raw;
    bool evidence;
  } shortest[] = {
      {TKonami::k1, oneRun, 32, false},
      {TKonami::k2, oneRun, 32, false},
      {TKonami::k1, {0x04, 0x00, 0xFD, 0xFF}, 64, false},
      {TKonami::k2, {0x04, 0x00, 0xFE, 0xFE}, 64, true},
  };
  for (const auto& c : shortest) {
    const std::string name = kNames[static_cast<int>(c.version)] + std::string(" of ") +
                             std::to_string(c.stream.size()) + " bytes";
    TStreamStats st;
    const auto hit = Row(c.version).check(c.stream, 0, 32, &st);
    ASSERT_TRUE(hit.has_value()) << name;
    EXPECT_EQ(hit->rawSize, c.raw) << name;
    EXPECT_EQ(st.enoughTokens, c.evidence) << name;
  }
  // Without a command 0xFF the versions read alike: such a stream is one of both.
  const Bytes alike = {0x06, 0x00, 0x81, 0xFF, 0x37, 0xDE};
  const Bytes longZeros = {0x05, 0x00, 0xCD, 0x01, 0xFF};
  EXPECT_TRUE(Check(alike, 0, 1, TKonami::k1));
  EXPECT_TRUE(Check(alike, 0, 1, TKonami::k2));
  EXPECT_TRUE(KonamiVersionsReadAlike(alike));
  EXPECT_TRUE(Check(longZeros, 0, 1, TKonami::k1));
  EXPECT_FALSE(KonamiVersionsReadAlike(longZeros));
}

// A stream that reads alike in both versions is found by a scan for either; a scan of both
// names it Konami-2, the version of far more games. One with a command 0xFF is Konami-1's.
TEST(Konami, ScanOfBothVersionsNamesAStreamThatReadsAlikeKonami2) {
  const Bytes d = Mixed(1024, 9);
  const struct {
    const char* name;
    Bytes stream;
    int both;  // the scheme a scan of both versions names
  } rows[] = {
      {"without 0xFF", Pack(d, TKonami::k2), kSchemeKonami2},
      {"with 0xFF", {0x07, 0x00, 0xCD, 0x01, 0xFF, 0xFF, 0xED}, kSchemeKonami1},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(KonamiVersionsReadAlike(row.stream), row.both == kSchemeKonami2) << row.name;
    Bytes rom(64, 0x55);
    rom.insert(rom.end(), row.stream.begin(), row.stream.end());
    rom.resize(rom.size() + 64, 0x55);
    TScanOptions options;
    options.minSize = 16;
    options.minScore = 0;
    for (const int scheme : {kSchemeKonami1, kSchemeKonami2}) {
      const int one[] = {scheme};
      const auto hits = ScanStreams(rom, one, options);
      const bool found = std::any_of(hits.begin(), hits.end(), [&](const TScanHit& h) {
        return h.address == 64 && h.scheme == scheme;
      });
      EXPECT_EQ(found, scheme == kSchemeKonami1 || row.both == kSchemeKonami2)
          << row.name << " by name, scheme " << scheme;
    }
    const int both[] = {kSchemeKonami1, kSchemeKonami2};
    const auto hits = ScanStreams(rom, both, options);
    const auto at =
        std::find_if(hits.begin(), hits.end(), [](const TScanHit& h) { return h.address == 64; });
    ASSERT_NE(at, hits.end()) << row.name;
    EXPECT_EQ(at->scheme, row.both) << row.name;
  }
}

// Raw runs of the given counts over bytes that hold no repeat (distinct values), then `tail`,
// under a header that states the length.
Bytes RawRuns(std::initializer_list<std::uint8_t> counts, const Bytes& tail = {}) {
  Bytes s = {0, 0};
  unsigned next = 0;
  for (const std::uint8_t n : counts) {
    s.push_back(static_cast<std::uint8_t>(0x80 | n));
    for (std::uint8_t k = 0; k < n; ++k, ++next)
      s.push_back(static_cast<std::uint8_t>(next * 97 + 13));
  }
  s.insert(s.end(), tail.begin(), tail.end());
  s[0] = static_cast<std::uint8_t>(s.size());
  s[1] = static_cast<std::uint8_t>(s.size() >> 8);
  return s;
}

// Palettes of 16 colours as an encoder writes them: colour 0 black (a zero run of 2), then
// `colours` 15-bit colours of a ramp in one raw run, `palettes` times. `top` is or-ed into the
// high byte of the last colour.
Bytes Palettes(std::size_t palettes, std::uint8_t colours, std::uint8_t top = 0) {
  Bytes s = {0, 0};
  for (std::size_t p = 0; p < palettes; ++p) {
    s.push_back(0xE0);
    s.push_back(static_cast<std::uint8_t>(0x80 | 2 * colours));
    for (unsigned k = 1; k <= colours; ++k) {
      const unsigned c = k * (0x0421U + 0x20U * static_cast<unsigned>(p));
      s.push_back(static_cast<std::uint8_t>(c));
      s.push_back(static_cast<std::uint8_t>((c >> 8U) | (k == colours ? top : 0)));
    }
  }
  s[0] = static_cast<std::uint8_t>(s.size());
  return s;
}

// Few commands tell little, unless they are mostly zero runs (blank tiles, which an encoder
// writes as a few of them, with few raw bytes between), mostly raw runs in rows of the longest
// but one (data that does not pack, which an encoder splits so), mostly copies from places so
// near that chance bytes seldom read them, mostly raw words with bit 15 clear (15-bit colours,
// text), or mostly fills with a row of one value. Those score by the facts.
TEST(Konami, FewCommandsThatTellAnEncoderScoreByTheFacts) {
  const auto zeroRuns = [](std::uint8_t first, std::size_t fullRuns) {
    Bytes s = {0, 0, first};
    s.resize(3 + fullRuns, 0xFF);
    s[0] = static_cast<std::uint8_t>(s.size());
    return s;
  };
  const struct {
    const char* name;
    TKonami version;
    Bytes stream;
    bool facts;
  } rows[] = {
      {"320 zeros", TKonami::k1, zeroRuns(0xF5, 9), true},
      {"128 zeros", TKonami::k1, zeroRuns(0xFB, 3), true},
      {"64 zeros in one long run", TKonami::k2, {0x04, 0x00, 0xFF, 0x3E}, true},
      {"64 zeros as 32 and 32 (a Konami-2 exact split)",
       TKonami::k2,
       {0x04, 0x00, 0xFE, 0xFE},
       true},
      {"64 zeros as 32 and 32, neither Konami-1's longest",
       TKonami::k1,
       {0x04, 0x00, 0xFE, 0xFE},
       false},
      {"33 zeros, a raw byte, a copy",
       TKonami::k1,
       {0x07, 0x00, 0xFF, 0x81, 0x01, 0x33, 0xF7},
       true},
      {"a fill of 32", TKonami::k2, {0x04, 0x00, 0xDE, 0x41}, false},
      {"pairs and raw bytes",
       TKonami::k2,
       {0x10, 0x00, 0xA2, 1, 2, 3, 4, 0x88, 1, 2, 3, 4, 5, 6, 7, 8},
       false},
      {"176 bytes that do not pack: 21 raw, then 31 five times", TKonami::k1,
       RawRuns({21, 31, 31, 31, 31, 31}), true},
      {"the same, the short run last", TKonami::k2, RawRuns({31, 31, 31, 31, 31, 21}), true},
      {"a row of 1 and 31, then 16 zeros", TKonami::k2, RawRuns({1, 31}, {0xEE}), true},
      {"a row of 26 and 31, a copy, 4 raw", TKonami::k1,
       RawRuns({26, 31}, {0x04, 0x00, 0x84, 0x31, 0x32, 0x33, 0x34}), true},
      {"a row of two runs of 16", TKonami::k1, RawRuns({16, 16}), false},
      {"a row of 31, 20 and 13", TKonami::k1, RawRuns({31, 20, 13}), false},
      {"one raw run of 31, 17 zeros", TKonami::k1, RawRuns({31}, {0xEF}), false},
      {"2 raw bytes, then copies and a fill: the copies read only the output",
       TKonami::k2R,
       {0x0D, 0x80, 0x82, 0x55, 0xAA, 0x13, 0xDF, 0xC6, 0xFF, 0x03, 0xDF, 0x33, 0xEF},
       true},
      {"a fill of 31, a copy of 33 from one byte back",
       TKonami::k2,
       {0x06, 0x00, 0xDD, 0xF2, 0x7F, 0xFD},
       true},
      {"20 raw bytes, copies from 20 and 16 back: not as seldom as two copies need",
       TKonami::k2,
       {0x1B, 0x00, 0x94, 1,  2,  3,  4,  5,  6,  7,    8,    9,    10,  11,
        12,   13,   14,   15, 16, 17, 18, 19, 20, 0x53, 0xDF, 0x53, 0xF9},
       false},
      {"one copy from 20 bytes back",
       TKonami::k2R,
       {0x0C, 0x80, 0x85, 0x6B, 0xD0, 0xDF, 0x48, 0x32, 0xD0, 0x6B, 0x5F, 0xE2},
       false},
      {"two copies that read the zeros before the output, from 2 and 24 bytes back",
       TKonami::k2R,
       {0x09, 0x80, 0x82, 0x55, 0xAA, 0x13, 0xDF, 0x5B, 0xCF},
       true},
      {"two palettes of 15-bit colours", TKonami::k2, Palettes(2, 15), true},
      {"three palettes", TKonami::k1, Palettes(3, 15), true},
      {"two palettes, one high byte with bit 7 set", TKonami::k2, Palettes(2, 15, 0x80), false},
      {"one palette: 15 colours' high bytes", TKonami::k2, Palettes(1, 15), false},
      {"fills of 33 and 31 of one value", TKonami::k2R, {0x06, 0x80, 0xDF, 0x6A, 0xDD, 0x6A}, true},
      {"fills of 33 and 31 of two values",
       TKonami::k2,
       {0x06, 0x00, 0xDF, 0x6A, 0xDD, 0x6B},
       false},
      {"a raw byte between fills of one value",
       TKonami::k1,
       {0x08, 0x00, 0xDF, 0x87, 0x81, 0x12, 0xDC, 0x87},
       false},
      {"14 raw bytes, then 18 zeros",
       TKonami::k2R,
       {0x12, 0x80, 0x8E, 0x26, 0xAD, 0x9B, 0x30, 0xF0, 0xE2, 0xD8, 0xA9, 0xDC, 0x48, 0x2B, 0x8D,
        0x85, 0xFE, 0xF0},
       false},
  };
  for (const auto& row : rows) {
    TStreamStats stats;
    ASSERT_TRUE(Row(row.version).check(row.stream, 0, 16, &stats)) << row.name;
    // The facts decide, and no command breaks one.
    EXPECT_EQ(stats.factsMinOutput != kNoFacts && stats.wastefulTokens == 0, row.facts) << row.name;
    if (!row.facts) continue;
    const auto hit = CheckAndScore(row.stream, 0, Row(row.version).row, 32);
    ASSERT_TRUE(hit.has_value()) << row.name;
    EXPECT_GE(hit->score, kDefaultMinScore) << row.name;
  }
}

// Shapes chance bytes take in rows of 0xFF and in tables that the checker counts against the
// facts: runs of zero-interleaved pairs before blank rows without a copy, a stream of nothing
// but zero runs whose row of command bytes runs on past its stated end, two short runs of one
// value in a row where one of the longest and one of the rest write the same bytes (each such
// pair), a few commands mostly of pairs, and pairs that repeat the one before to a run's end.
TEST(Konami, ChanceShapesAroundBlankRowsMissTheFacts) {
  Bytes row16(18, 0xFF);  // 16 zero runs of 33: 528 zeros
  row16[0] = 0x12;
  row16[1] = 0x00;
  Bytes split(18, 0xFF);  // 2 and 32 zeros, then 14 runs of 33: the rest would be one byte
  split[0] = 0x12;
  split[1] = 0x00;
  split[2] = 0xE0;
  split[3] = 0xFE;
  split.push_back(0x00);
  Bytes longRuns(14, 0xFF);  // six runs of 257 zeros and two of 29: 1600 zeros
  longRuns[0] = 0x10;
  longRuns[1] = 0x00;
  longRuns.insert(longRuns.end(), {0xFB, 0xFB, 0x00});
  Bytes trace(10, 0xFF);  // 8 zero runs of 33, 2 pairs, 8 runs of 33, 12 zeros
  trace[0] = 0x16;
  trace[1] = 0x00;
  trace.insert(trace.end(), {0xA0, 0x12, 0x34});
  trace.insert(trace.end(), 8, 0xFF);
  trace.insert(trace.end(), {0xEA, 0x00});
  const auto then = [](Bytes s, std::uint8_t next) {
    s.push_back(next);
    return s;
  };
  const struct {
    const char* name;
    TKonami version;
    Bytes rom;  // the stream at 0, and what follows it
    std::uint32_t chance;
  } rows[] = {
      {"4 pairs, then 88 zeros", TKonami::k1, {0x0A, 0x00, 0xA2, 1, 2, 3, 4, 0xFF, 0xFF, 0xF4}, 1},
      {"4 pairs, a copy of them, then 80 zeros",
       TKonami::k1,
       {0x0C, 0x00, 0xA2, 1, 2, 3, 4, 0x1B, 0xDF, 0xFF, 0xFF, 0xEC},
       0},
      {"16 zero runs of 33, 0xFF after", TKonami::k1, then(row16, 0xFF), 1},
      {"16 zero runs of 33, 0x00 after", TKonami::k1, then(row16, 0x00), 0},
      {"32 and 32 zeros, 0xFE after", TKonami::k2, {0x04, 0x00, 0xFE, 0xFE, 0xFE}, 1},
      {"two long runs of 256 zeros, 0xFE after",
       TKonami::k2,
       {0x06, 0x00, 0xFF, 0xFE, 0xFF, 0xFE, 0xFE},
       0},
      {"six long runs of zeros, then 29 and 29", TKonami::k2, longRuns, 1},
      {"2 and 32 zeros, then runs of 33", TKonami::k1, split, 0},
      {"two fills of 24", TKonami::k1, {0x06, 0x00, 0xD6, 0xFD, 0xD6, 0xFD}, 1},
      {"fills of 33 and 15", TKonami::k1, {0x06, 0x00, 0xDF, 0xFD, 0xCD, 0xFD}, 0},
      {"4 and 31 zeros, 13 raw bytes",
       TKonami::k2R,
       {0x12, 0x80, 0xE2, 0xFD, 0x8D, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13},
       1},
      {"8 pairs, the last 4 repeating the one before, then fills",
       TKonami::k2,
       {0x11, 0x00, 0xA6, 0x11, 0x22, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0xDF, 0x41, 0xDF, 0x42,
        0xCC, 0x43},
       1},
      {"8 pairs, the last 3 repeating the one before, then fills",
       TKonami::k2,
       {0x11, 0x00, 0xA6, 0x11, 0x22, 0x33, 0x44, 0x55, 0x55, 0x55, 0x55, 0xDF, 0x41, 0xDF, 0x42,
        0xCC, 0x43},
       0},
      {"two pairs between 528 zeros and 12", TKonami::k1, trace, 0},
      {"15 pairs, then 18 zeros",
       TKonami::k2R,
       {0x13, 0x80, 0xAD, 0xF6, 0x68, 0x47, 0x3B, 0xF0, 0xD7, 0x20,
        0xC7, 0x81, 0x8D, 0xCB, 0x48, 0xCB, 0x68, 0xD6, 0xF0, 0x9A},
       1},
  };
  for (const auto& row : rows) {
    TStreamStats stats;
    ASSERT_TRUE(Row(row.version).check(row.rom, 0, 16, &stats)) << row.name;
    EXPECT_EQ(stats.wastefulTokens, row.chance) << row.name;
  }
}

// The tokens the score's facts count as ones no encoder writes; an encoder's stream has none.
TEST(Konami, WastefulCommandsForTheScore) {
  struct TRow {
    const char* name;
    Bytes stream;
    std::uint32_t wasteful;
  };
  const TRow rows[] = {
      {"the last raw bytes a copy writes",
       {0x09, 0x00, 0x86, 0x41, 0x42, 0x43, 0x41, 0x42, 0x43},
       1},
      {"3 raw bytes inside a run: a tie",
       {0x0A, 0x00, 0x87, 0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x44},
       0},
      {"4 raw bytes inside a run",
       {0x0B, 0x00, 0x88, 0x41, 0x42, 0x43, 0x44, 0x41, 0x42, 0x43, 0x44},
       2},  // a copy could start at either of two places
      {"raw bytes without repeats", {0x08, 0x00, 0x85, 0x01, 0x02, 0x03, 0x04, 0x05}, 0},
      {"pairs one copy writes", {0x08, 0x00, 0xA0, 0x11, 0x22, 0xA0, 0x11, 0x22}, 1},
      {"the same copy thrice", {0x0A, 0x00, 0x81, 0x41, 0x04, 0x00, 0x04, 0x00, 0x04, 0x00}, 1},
      {"the same copy twice", {0x08, 0x00, 0x81, 0x41, 0x04, 0x00, 0x04, 0x00}, 0},
      {"two copies in a row that one writes",
       {0x0B, 0x00, 0x84, 0x11, 0x22, 0x33, 0x44, 0x03, 0xDF, 0x03, 0xE1},
       1},
      {"two copies in a row from sources apart",
       {0x0B, 0x00, 0x84, 0x11, 0x22, 0x33, 0x44, 0x03, 0xDF, 0x03, 0xE3},
       0},
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(WastefulKonamiRaws<TKonami::k2>(row.stream, {}), row.wasteful) << row.name;
  }
  const Bytes d = Mixed(4096, 5);
  EXPECT_EQ(WastefulKonamiRaws<TKonami::k2>(Pack(d, TKonami::k2), {}), 0u) << "our own stream";
}
