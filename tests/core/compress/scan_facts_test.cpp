// The facts that decide a scan hit: a stream that meets them scores at least the default
// minimum whatever its output holds, one that misses any scores below it; fillers of one
// byte value read as literals are refused by every checker.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compress/stream_scan.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ScoreStream, FactsDecideWhateverTheOutputHolds) {
  Bytes noise(4096);
  std::mt19937 rng(5);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  const Bytes zeros(4096, 0);
  TStreamStats met;
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
  };
  for (const auto& c : kCases) {
    const int score = ScoreStream(c.stats, *c.output);
    EXPECT_EQ(score >= kDefaultMinScore, c.atLeastMinimum) << c.what << ": " << score;
    EXPECT_GE(score, std::min(ContentScore(c.stats, *c.output), kDefaultMinScore - 1)) << c.what;
  }
  // Below kFactsMinOutput bytes the content alone speaks.
  TStreamStats tiny = met;
  tiny.literals = 40;
  tiny.references = 0;
  tiny.referenceBytes = 0;
  tiny.comprSize = 50;
  const std::span<const std::uint8_t> few(noise.data(), 40);
  EXPECT_EQ(ScoreStream(tiny, few), ContentScore(tiny, few));
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
      {"LZ77-10, seven in a row", kSchemeLZ10, join({{0x10, 8, 0, 0, 0x00}, run(7, 0x42)}), true},
      {"LZ77-10, eight in a row", kSchemeLZ10, join({{0x10, 8, 0, 0, 0x00}, run(7, 0x41)}), false},
      {"FF5, seven in a row", kSchemeFF5, join({{8, 0, 0xFF}, run(7, 0x42)}), true},
      {"FF5, eight in a row", kSchemeFF5, join({{8, 0, 0xFF}, run(7, 0x41)}), false},
      {"FF6, eight in a row", kSchemeFF6, join({{11, 0, 0xFF}, run(7, 0x41)}), false},
      {"FF6, a reference between", kSchemeFF6,
       join({{11, 0, 0x77}, run(2, 0x41), {0xDE, 0x00}, run(2, 0x41)}), true},
      {"CT, a raw group of seven and another", kSchemeCT,
       join({{9, 0, 0x00}, run(7, 0x42), {0xC0}}), true},
      {"CT, a raw group of eight", kSchemeCT, join({{9, 0, 0x00}, run(7, 0x41), {0xC0}}), false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CheckStream(c.stream, 0, c.scheme, 0).has_value(), c.passes) << c.what;
  }
}

}  // namespace
}  // namespace tegulo
