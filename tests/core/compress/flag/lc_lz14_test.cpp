// LC_LZ14: the worked examples both ways, the decoder's edges, round trips, the compressor
// against an exhaustive search, and the scan check.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../flag_group_search.h"
#include "../more_examples.h"
#include "base/uCommon.h"
#include "compress/flag/lc_lz14.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Decode(const Bytes& stream, std::uint32_t* used = nullptr, bool* notValid = nullptr) {
  TDecodeBuffer out(1 << 16, 0xEE);
  bool broken = false;
  const std::uint32_t n = DecompressLCLZ14(stream, out, &broken);
  if (used != nullptr) *used = n;
  if (notValid != nullptr) *notValid = broken;
  out.resize(stream.size() >= 2 ? (stream[0] | stream[1] << 8) : stream.empty() ? 0 : stream[0]);
  return out;
}

// Runs, repeats near and far, and noise, over a few byte values.
Bytes Pack(const Bytes& d) { return CompressLCLZ14(d, {}); }

Bytes Mixed(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % 30;
    const unsigned kind = rng() % 3;
    const std::size_t from = d.empty() ? 0 : rng() % d.size();
    for (std::size_t k = 0; k < len; ++k) {
      const auto v = static_cast<std::uint8_t>(rng() % 5);
      d.push_back(kind == 0 || d.empty() ? v
                  : kind == 1            ? d.back()
                                         : d[from + k % (d.size() - from)]);
    }
  }
  d.resize(n);
  return d;
}

// The fewest stream bytes by trying every copy of every length at every distance, the zeros
// before the data included.
std::size_t BruteForceSize(const Bytes& d) {
  const auto at = [&](std::ptrdiff_t p) { return p < 0 ? std::uint8_t{0} : d[p]; };
  return 2 + test::ShortestFlagGroupBytes(d.size(), [&](std::size_t i, auto add) {
           for (std::size_t len = 3; len <= 18 && i + len <= d.size(); ++len) {
             for (std::size_t dist = 1; dist <= 4095 && dist <= i + len + 18; ++dist) {
               bool ok = true;
               for (std::size_t k = 0; k < len && ok; ++k) {
                 ok = at(static_cast<std::ptrdiff_t>(i + k) - static_cast<std::ptrdiff_t>(dist)) ==
                      d[i + k];
               }
               if (ok) {
                 add(len, 2);
                 break;
               }
             }
           }
         });
}

}  // namespace

TEST(LCLZ14, WorkedExamplesBothWays) {
  for (const auto& e : test::MoreExamples()) {
    if (e.scheme != FindScheme("LC_LZ14")) continue;
    std::uint32_t used = 0;
    EXPECT_EQ(Decode(e.stream, &used), e.input) << e.name;
    EXPECT_EQ(used, e.stream.size()) << e.name;
    const Bytes s = Pack(e.input);
    EXPECT_EQ(s.size(), e.stream.size()) << e.name;
    EXPECT_EQ(Decode(s), e.input) << e.name;
  }
}

TEST(LCLZ14, EdgesOfTheDecoder) {
  const struct {
    const char* name;
    Bytes stream;
    Bytes output;
    std::uint32_t used;
    bool notValid = false;
  } cases[] = {
      {"empty stream", {}, {}, 0},
      {"header cut", {0x05}, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE}, 1},
      {"size 0", {0x00, 0x00, 0xFF, 0x41}, {}, 2},
      {"literals cut", {0x03, 0x00, 0x07, 0x41, 0x42}, {0x41, 0x42, 0xEE}, 5},
      {"copy word cut", {0x05, 0x00, 0x01, 0x41, 0x10}, {0x41, 0xEE, 0xEE, 0xEE, 0xEE}, 5},
      {"distance 0 stops",
       {0x05, 0x00, 0x01, 0x41, 0x00, 0x00},
       {0x41, 0xEE, 0xEE, 0xEE, 0xEE},
       6,
       true},
      {"before the start reads zeros",
       {0x04, 0x00, 0x01, 0x41, 0x30, 0x00},
       {0x41, 0x00, 0x00, 0x41},
       6},
      {"a copy past the size stops there", {0x02, 0x00, 0x01, 0x41, 0x1F, 0x00}, {0x41, 0x41}, 6},
  };
  for (const auto& c : cases) {
    std::uint32_t used = 0;
    bool notValid = false;
    EXPECT_EQ(Decode(c.stream, &used, &notValid), c.output) << c.name;
    EXPECT_EQ(used, c.used) << c.name;
    EXPECT_EQ(notValid, c.notValid) << c.name;
    EXPECT_EQ(StreamExtentLCLZ14(c.stream), c.used) << c.name;
  }
}

TEST(LCLZ14, RoundTripsAndRefusesOversizedData) {
  for (std::uint32_t seed = 0; seed < 8; ++seed) {
    const Bytes d = Mixed(seed == 7 ? 0xFFFF : seed * 1733 % 9000, seed);
    const Bytes s = Pack(d);
    std::uint32_t used = 0;
    ASSERT_EQ(Decode(s, &used), d) << "seed " << seed;
    EXPECT_EQ(used, s.size()) << "seed " << seed;
  }
  EXPECT_THROW(Pack(Bytes(0x10000)), TError);
}

TEST(LCLZ14, CompressorMatchesAnExhaustiveSearch) {
  std::mt19937 rng(14);
  for (int round = 0; round < 80; ++round) {
    const Bytes d = Mixed(rng() % 40, rng());
    ASSERT_EQ(Pack(d).size(), BruteForceSize(d)) << "round " << round;
  }
}

TEST(LCLZ14, ScanCheckTakesOurStreamsOnly) {
  const Bytes d = Mixed(512, 3);
  Bytes rom(7, 0x55);
  const Bytes s = Pack(d);
  rom.insert(rom.end(), s.begin(), s.end());
  rom.resize(rom.size() + 9, 0x55);
  TStreamStats stats;
  const auto hit = CheckLCLZ14Hit(rom, 7, 32, &stats);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->rawSize, 512u);
  EXPECT_TRUE(MeetsFacts(stats)) << "the score's facts: an encoder's stream";
  EXPECT_EQ(hit->comprSize, s.size());
  EXPECT_FALSE(CheckLCLZ14Hit(rom, 7, 1024, nullptr)) << "below the minimum size";
  const Bytes cut(rom.begin(), rom.begin() + static_cast<std::ptrdiff_t>(7 + s.size() - 1));
  EXPECT_FALSE(CheckLCLZ14Hit(cut, 7, 32, nullptr)) << "cut short";
  const struct {
    const char* name;
    Bytes stream;
  } refused[] = {
      {"size not whole tiles", {0x11, 0x00, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"copy past the size", {0x10, 0x00, 0x01, 0x41, 0x1F, 0x00, 0x00, 0x00}},
      {"copy far before the start", {0x10, 0x00, 0x00, 0x00, 0x03}},
      {"flag after the last token", {0x10, 0x00, 0x05, 0x41, 0x1C, 0x00}},
  };
  for (const auto& c : refused) EXPECT_FALSE(CheckLCLZ14Hit(c.stream, 0, 16, nullptr)) << c.name;
  const Bytes tidy = {0x10, 0x00, 0x03, 0x41, 0x42, 0x1B, 0x00};
  stats = {};
  EXPECT_TRUE(CheckLCLZ14Hit(tidy, 0, 16, &stats)) << "flags 0 after the end";
  EXPECT_EQ(stats.factsMinOutput, kNoFacts) << "three tokens tell little: the content decides";
}

// Blank tiles: a run of one value whose first copy takes the nearest source (as an encoder
// does) scores by the facts however few the tokens; a run copied first from elsewhere, which
// tables of words read as, leaves it to the content.
TEST(LCLZ14, BlankTilesFromTheNearestSourceMeetTheFacts) {
  const struct {
    const char* name;
    Bytes stream;
    bool facts;
  } rows[] = {
      {"a literal and a copy of it", {0x10, 0x00, 0x01, 0x41, 0x1C, 0x00}, true},
      {"zeros from before the start", {0x20, 0x00, 0x00, 0x1F, 0x00, 0x1B, 0x00}, true},
      {"our compressor's 112 zeros", Pack(Bytes(112, 0)), true},
      {"a run copied from 2 back", {0x10, 0x00, 0x03, 0x41, 0x41, 0x2B, 0x00}, false},
      {"zeros from 15 back", {0x20, 0x00, 0x00, 0xFF, 0x00, 0xFB, 0x00}, false},
  };
  for (const auto& row : rows) {
    TStreamStats stats;
    ASSERT_TRUE(CheckLCLZ14Hit(row.stream, 0, 16, &stats)) << row.name;
    EXPECT_EQ(stats.factsMinOutput != kNoFacts, row.facts) << row.name;
  }
}

// A few tokens with a copy of the stream's own bytes other than zero, as an encoder copies its
// data, score by the facts; copies of nothing but zeros (zero-rich tables read so) and three
// tokens leave it to the content.
TEST(LCLZ14, FewTokensThatCopyTheirOwnBytesMeetTheFacts) {
  const struct {
    const char* name;
    Bytes stream;
    bool facts;
  } rows[] = {
      {"0xFF, 16 copies of it, 0x00, 14 of the pair",
       {0x20, 0x00, 0x05, 0xFF, 0x1D, 0x00, 0x00, 0x2B, 0x00},
       true},
      {"a zero, copies of zeros, a last byte",
       {0x20, 0x00, 0x41, 0x00, 0x62, 0x00, 0x82, 0x00, 0xA3, 0x00, 0xC4, 0x00, 0xE4, 0x00, 0x05},
       false},
      {"two bytes and a copy of the second", {0x10, 0x00, 0x03, 0x41, 0x42, 0x1B, 0x00}, false},
  };
  for (const auto& row : rows) {
    TStreamStats stats;
    ASSERT_TRUE(CheckLCLZ14Hit(row.stream, 0, 16, &stats)) << row.name;
    EXPECT_EQ(stats.factsMinOutput != kNoFacts, row.facts) << row.name;
  }
}

// Four literals or more in a row, each the byte two before, which one copy writes for less
// (rows of alternating bytes in tiles read so), count against the facts; three do not, nor
// does anything our compressor writes.
TEST(LCLZ14, LiteralsThatACopyFromTwoBackWritesCountAgainstTheFacts) {
  Bytes alternating(64);
  for (std::size_t k = 0; k < alternating.size(); ++k) alternating[k] = k % 2 == 0 ? 0x00 : 0xFF;
  const struct {
    const char* name;
    Bytes stream;
    std::uint32_t wasteful;
  } rows[] = {
      {"00 FF four times, then copies",
       {0x20, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x2F, 0x00, 0x23,
        0x00},
       1},
      {"00 FF 00 FF 00, then copies",
       {0x20, 0x00, 0x1F, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x2F, 0x00, 0x26, 0x00},
       0},
      {"our compressor's alternating bytes", Pack(alternating), 0},
  };
  for (const auto& row : rows) {
    TStreamStats stats;
    ASSERT_TRUE(CheckLCLZ14Hit(row.stream, 0, 16, &stats)) << row.name;
    EXPECT_EQ(stats.wastefulTokens, row.wasteful) << row.name;
  }
}
