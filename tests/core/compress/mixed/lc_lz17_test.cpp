// LC_LZ17: the worked examples both ways, the decoder's edges, round trips, the compressor
// against an exhaustive search in bytes, and the scan check.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "../mixed_runs.h"
#include "../more_examples.h"
#include "base/uCommon.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/scheme_formats.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Decode(const Bytes& stream, std::size_t room = 1 << 16, bool* notValid = nullptr) {
  return test::DecodeInto(DecompressLCLZ17, stream, room, notValid);
}

Bytes Pack(const Bytes& d) { return CompressLCLZ17(d, {}); }

// The fewest bytes over every token at every distance, with the bits used of the current word
// as the state: a token of b bits and y bytes adds y and 2 bytes for each word it completes.
std::size_t BruteForceSize(const Bytes& d) {
  const std::size_t n = d.size();
  constexpr std::size_t kInf = std::size_t{1} << 30;
  std::vector<std::array<std::size_t, 16>> best(n + 1);
  for (unsigned s = 0; s < 16; ++s) best[n][s] = 3 + 2 * ((s + 2) / 16) + 2;
  for (std::size_t i = n; i-- > 0;) {
    best[i].fill(kInf);
    const auto edge = [&](std::size_t len, unsigned bits, std::size_t bytes) {
      for (unsigned s = 0; s < 16; ++s) {
        best[i][s] =
            std::min(best[i][s], bytes + 2 * ((s + bits) / 16) + best[i + len][(s + bits) % 16]);
      }
    };
    edge(1, 1, 1);
    for (std::size_t dist = 1; dist <= std::min<std::size_t>(i, 8192); ++dist) {
      std::size_t len = 0;
      while (i + len < n && len < 256 && d[i + len] == d[i + len - dist]) ++len;
      for (std::size_t l = 2; l <= len; ++l) {
        if (dist <= 256 && l <= 5) edge(l, 4, 1);
        if (l >= 3 && l <= 9) edge(l, 2, 2);
        edge(l, 2, 3);
      }
    }
  }
  return best[0][0];
}

}  // namespace

TEST(LCLZ17, WorkedExamplesBothWays) {
  for (const auto& e : test::MoreExamples()) {
    if (e.scheme != FindScheme("LC_LZ17")) continue;
    EXPECT_EQ(Decode(e.stream), e.input) << e.name;
    EXPECT_EQ(StreamExtentLCLZ17(e.stream), e.stream.size()) << e.name;
    const Bytes s = Pack(e.input);
    EXPECT_EQ(s.size(), e.stream.size()) << e.name;
    EXPECT_EQ(Decode(s), e.input) << e.name;
  }
}

TEST(LCLZ17, EdgesOfTheDecoder) {
  const struct {
    const char* name;
    Bytes stream;
    Bytes output;
    std::size_t used;
    bool notValid = false;
  } cases[] = {
      {"empty", {}, {}, 0},
      {"one byte", {0x01}, {}, 1},
      {"literal byte missing", {0x01, 0x00}, {}, 2},
      {"copy from before the output", {0x01, 0x00, 0x41, 0xFE}, {0x41}, 4, true},
      {"end with distance bits 0", {0x05, 0x00, 0x41, 0x00, 0x00, 0x00}, {0x41}, 6},
      {"long copy of m + 1",
       {0x15, 0x00, 0x41, 0xFF, 0xF8, 0x13, 0x00, 0xF0, 0x00},
       Bytes(21, 0x41),
       9},
      {"the word read at once is missing",
       {0xFF, 0x7F, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x41, 0x42, 0x43,
        0x44, 0x45},
       {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x41, 0x42, 0x43, 0x44, 0x45},
       17},
  };
  for (const auto& c : cases) {
    bool notValid = false;
    EXPECT_EQ(Decode(c.stream, 1 << 16, &notValid), c.output) << c.name;
    EXPECT_EQ(notValid, c.notValid) << c.name;
    EXPECT_EQ(StreamExtentLCLZ17(c.stream), c.used) << c.name;
  }
  // The output's end stops a copy.
  EXPECT_EQ(Decode({0x15, 0x00, 0x41, 0xFF, 0xF8, 0x13, 0x00, 0xF0, 0x00}, 7), Bytes(7, 0x41));
}

TEST(LCLZ17, RoundTrips) {
  for (std::uint32_t seed = 0; seed < 6; ++seed) {
    const Bytes d = test::MixedRuns(seed * 5000 + seed, seed);
    const Bytes s = Pack(d);
    ASSERT_EQ(Decode(s), d) << "seed " << seed;
    EXPECT_EQ(StreamExtentLCLZ17(s), s.size()) << "seed " << seed;
  }
  // 600 equal bytes: copies of 256, the longest.
  EXPECT_EQ(Pack(Bytes(600, 7)).size(), 2u + 1 + 3 + 3 + 3 + 3);
}

TEST(LCLZ17, CopiesAtTheEdgesOfTheirReach) {
  // Noise, then `repeat` of its first bytes again from `distance` back: a copy costs a few
  // bytes where the format reaches that far, literals where it does not.
  const std::array<test::TReachCase, 6> cases = {
      {{"short copy, farthest", 256, 5, true},
       {"two-byte copy, farthest", 256, 2, true},
       {"long copy, farthest and longest", 8192, 256, true},
       {"long copy, one past its reach", 8193, 256, false},
       {"long copy of 255 and one more", 4000, 256, true},
       {"long copy of 10, near", 300, 10, true}}};
  test::ExpectCopiesReach(cases, 5, 4, CompressLCLZ17, DecompressLCLZ17);
}

TEST(LCLZ17, CompressorMatchesAnExhaustiveSearch) {
  std::mt19937 rng(17);
  for (int round = 0; round < 60; ++round) {
    const Bytes d = test::MixedRuns(rng() % 60, rng());
    ASSERT_EQ(Pack(d).size(), BruteForceSize(d)) << "round " << round;
  }
}

TEST(LCLZ17, ScanCheck) {
  const Bytes d = test::MixedRuns(2048, 9);
  Bytes rom(5, 0x55);
  const Bytes s = Pack(d);
  rom.insert(rom.end(), s.begin(), s.end());
  rom.resize(rom.size() + 5, 0x55);
  const auto hit = CheckLCLZ17Hit(rom, 5, 32, nullptr);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->rawSize, d.size());
  EXPECT_EQ(hit->comprSize, s.size());
  EXPECT_FALSE(CheckLCLZ17Hit(rom, 5, 4096, nullptr)) << "below the minimum size";
}

// What the scan's facts read at the end: the bits after the end token 0. "ABC", a copy of 13
// from 3 back in the three-byte form (some encoders write every long copy so), the end.
TEST(LCLZ17, ScanFactsOfTheEnd) {
  struct TRow {
    const char* name;
    Bytes stream;
    bool restZero;
  };
  const TRow rows[] = {
      {"tidy", {0x57, 0x00, 0x41, 0x42, 0x43, 0xFD, 0xF8, 0x0C, 0x00, 0xF0, 0x00}, true},
      {"end 00 00 00", {0x57, 0x00, 0x41, 0x42, 0x43, 0xFD, 0xF8, 0x0C, 0x00, 0x00, 0x00}, true},
      {"a bit after the end",
       {0x57, 0x80, 0x41, 0x42, 0x43, 0xFD, 0xF8, 0x0C, 0x00, 0xF0, 0x00},
       false},
  };
  for (const TRow& row : rows) {
    TStreamStats stats;
    const auto hit = CheckLCLZ17Hit(row.stream, 0, 16, &stats);
    ASSERT_TRUE(hit.has_value()) << row.name;
    EXPECT_EQ(hit->rawSize, 16u) << row.name;
    EXPECT_EQ(stats.unusedFlagsZero, row.restZero) << row.name;
    EXPECT_EQ(stats.factsMinOutput, kStrictFactsMinOutput) << row.name << ": the end decides";
  }
}
