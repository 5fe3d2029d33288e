// Koei: the worked examples both ways, the decoder's edges, round trips, the compressor
// against an exhaustive search, and the scan check.
#include "compress/mixed/koei.h"
#include "compress/mixed/koei_levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <random>
#include <vector>

#include "../mixed_runs.h"
#include "../more_examples.h"
#include "base/uCommon.h"
#include "compress/scheme_formats.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Decode(const Bytes& stream, std::size_t room = 1 << 16, bool* notValid = nullptr) {
  return test::DecodeInto(DecompressKoei, stream, room, notValid);
}

Bytes Pack(const Bytes& d) { return CompressKoei(d, {}); }

// The bits of a copy's codes: length (2: 1, 3-4: 3, ... 129-255: 14) and distance class.
unsigned LengthCodeBits(std::size_t len) {
  if (len >= 129) return 14;
  unsigned z = 0;  // 2^z + 1 .. 2^(z+1)
  while ((std::size_t{1} << (z + 1)) < len) ++z;
  return 2 * z + 1;
}
unsigned DistanceCodeBits(std::size_t dist) {
  const std::size_t last[] = {4, 8, 32, 128, 256, 512, 1024, 2048, 4096};
  unsigned bits = 6;
  for (const std::size_t l : last) {
    if (dist <= l) return bits;
    ++bits;
  }
  return 0;
}

// The stream bytes of a parse (a list of code-bit counts, 0 for a literal), by the rules of
// the layout: a flag byte per eight tokens and the end code, a code word per 16 code bits,
// and a reserved word place that bytes follow.
std::size_t StreamBytes(const std::vector<unsigned>& tokens) {
  std::size_t bytes = 2;  // the first word's place
  unsigned flagsLeft = 0;
  unsigned wordLeft = 0;
  bool reservedFollowed = false;  // bytes read after the last place was reserved
  bool loaded = false;
  const auto token = [&](unsigned codeBits) {
    if (flagsLeft == 0) {
      ++bytes;
      flagsLeft = 8;
      reservedFollowed = loaded;
    }
    --flagsLeft;
    if (codeBits == 0) {
      ++bytes;
      reservedFollowed = loaded;
      return;
    }
    for (unsigned b = 0; b < codeBits; ++b) {
      if (wordLeft == 0) {
        if (loaded) bytes += 2;  // the place reserved before is used; a new one is taken
        loaded = true;
        reservedFollowed = false;
        wordLeft = 16;
      }
      --wordLeft;
    }
  };
  for (const unsigned t : tokens) token(t);
  token(14);  // the end code
  return bytes + (reservedFollowed ? 2 : 0);
}

// The fewest stream bytes over every parse (every length at every distance, the code sizes
// of each), tried in full.
std::size_t BruteForceSize(const Bytes& d) {
  std::size_t best = SIZE_MAX;
  std::vector<unsigned> tokens;
  std::function<void(std::size_t)> walk = [&](std::size_t i) {
    if (i == d.size()) {
      best = std::min(best, StreamBytes(tokens));
      return;
    }
    tokens.push_back(0);
    walk(i + 1);
    tokens.pop_back();
    for (std::size_t len = 2; i + len <= d.size(); ++len) {
      std::vector<unsigned> sizes;
      for (std::size_t dist = 1; dist <= i; ++dist) {
        bool ok = true;
        for (std::size_t k = 0; k < len && ok; ++k) ok = d[i + k] == d[i + k - dist];
        const unsigned bits = LengthCodeBits(len) + DistanceCodeBits(dist);
        if (ok && std::find(sizes.begin(), sizes.end(), bits) == sizes.end()) {
          sizes.push_back(bits);
          tokens.push_back(bits);
          walk(i + len);
          tokens.pop_back();
        }
      }
    }
  };
  walk(0);
  return best;
}

}  // namespace

TEST(Koei, WorkedExamplesBothWays) {
  int seen = 0;
  for (const auto& e : test::MoreExamples()) {
    if (e.scheme != FindScheme("Koei")) continue;
    ++seen;
    EXPECT_EQ(Decode(e.stream), e.input) << e.name;
    EXPECT_EQ(StreamExtentKoei(e.stream), e.stream.size()) << e.name;
    // The example streams are fewest in bits; the second is a byte above the fewest bytes.
    const Bytes s = Pack(e.input);
    EXPECT_EQ(s.size(), BruteForceSize(e.input)) << e.name;
    EXPECT_LE(s.size(), e.stream.size()) << e.name;
    EXPECT_EQ(Decode(s), e.input) << e.name;
  }
  EXPECT_EQ(seen, 2);
}

TEST(Koei, EdgesOfTheDecoder) {
  const struct {
    const char* name;
    Bytes stream;
    Bytes output;
    std::size_t used;
    bool notValid = false;
  } cases[] = {
      {"empty", {}, {}, 0},
      {"flag byte missing", {0x10, 0x10}, {}, 0},
      {"literal missing", {0x00, 0x00, 0x80}, {}, 3},
      {"code word cut", {0x00, 0x00, 0x00}, {}, 3},
      // A literal, then a copy of 2 from 2 back: 1 + 000001 (length 2, distance 2).
      {"copy from before the output", {0x00, 0x82, 0x80, 0x41}, {0x41}, 4, true},
      // Three literals and the end code, whose word loads from byte 0 and reserves 6..7,
      // never loaded: the stream ends at byte 5.
      {"reserved place at the end left out",
       {0xFC, 0x01, 0xE0, 0x41, 0x42, 0x43},
       {0x41, 0x42, 0x43},
       6},
  };
  for (const auto& c : cases) {
    bool notValid = false;
    EXPECT_EQ(Decode(c.stream, 1 << 16, &notValid), c.output) << c.name;
    EXPECT_EQ(notValid, c.notValid) << c.name;
    EXPECT_EQ(StreamExtentKoei(c.stream), c.used) << c.name;
  }
  // The output's end stops a copy.
  EXPECT_EQ(Decode({0x10, 0x10, 0xE0, 0x41, 0x42, 0x43, 0xE0, 0x0F}, 7),
            Bytes({0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x41}));
}

TEST(Koei, RoundTrips) {
  for (std::uint32_t seed = 0; seed < 6; ++seed) {
    const Bytes d = test::MixedRuns(seed * 5000 + seed, seed);
    const Bytes s = Pack(d);
    ASSERT_EQ(Decode(s), d) << "seed " << seed;
    EXPECT_EQ(StreamExtentKoei(s), s.size()) << "seed " << seed;
  }
}

TEST(Koei, CopiesAtTheEdgesOfTheirReach) {
  // Noise, then `repeat` of its first bytes again from `distance` back: a copy costs a few
  // bytes where the format reaches that far, literals where it does not.
  const std::array<test::TReachCase, 5> cases = {{{"farthest and longest", 4096, 255, true},
                                                  {"one past the farthest", 4097, 255, false},
                                                  {"longest, near", 300, 255, true},
                                                  {"longest in two copies", 600, 510, true},
                                                  {"shortest, farthest", 4096, 2, true}}};
  test::ExpectCopiesReach(cases, 10, 5, CompressKoei, DecompressKoei);
}

TEST(Koei, CompressorMatchesAnExhaustiveSearch) {
  std::mt19937 rng(20);
  for (int round = 0; round < 200; ++round) {
    const Bytes d = test::MixedRuns(rng() % 12, rng());
    const Bytes s = Pack(d);
    EXPECT_EQ(s.size(), BruteForceSize(d)) << "round " << round;
    EXPECT_EQ(Decode(s), d) << "round " << round;
  }
}

// Inputs whose cheapest parse by the eighths ends in a copy that opens the word holding the
// end code, after a multiple of eight tokens: the end code's flag byte then follows the
// place reserved by that word, two bytes more than the count says.
TEST(Koei, CompressorMatchesAnExhaustiveSearchWhereTheEndCodeOpensAFlagByte) {
  const Bytes cases[] = {
      {0x00, 0x04, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00},
      {0x02, 0x02, 0x05, 0x04, 0x05, 0x02, 0x02, 0x01, 0x02, 0x05, 0x04},
      {0x05, 0x05, 0x05, 0x01, 0x01, 0x02, 0x03, 0x02, 0x05, 0x01, 0x01},
      {0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},
      {0x02, 0x03, 0x00, 0x05, 0x05, 0x03, 0x05, 0x05, 0x03, 0x03, 0x03, 0x03, 0x03},
      {0x04, 0x02, 0x00, 0x05, 0x05, 0x05, 0x00, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02},
      // No parse with a plain end comes as short: a corner end of another flag count decides.
      {0x02, 0x01, 0x01, 0x00, 0x02, 0x02, 0x01, 0x02, 0x02, 0x02, 0x01},
      {0x03, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00},
      {0x02, 0x00, 0x01, 0x01, 0x01, 0x01, 0x00, 0x02, 0x01, 0x02, 0x00},
  };
  for (const Bytes& d : cases) {
    const Bytes s = Pack(d);
    EXPECT_EQ(s.size(), BruteForceSize(d)) << "case of " << d.size() << " bytes";
    EXPECT_EQ(Decode(s), d) << "case of " << d.size() << " bytes";
  }
}

TEST(Koei, ScanCheck) {
  const Bytes d = test::MixedRuns(2048, 9);
  Bytes rom(5, 0x55);
  const Bytes s = Pack(d);
  rom.insert(rom.end(), s.begin(), s.end());
  rom.resize(rom.size() + 5, 0x55);
  const auto hit = CheckKoeiHit(rom, 5, 32, nullptr);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->rawSize, d.size());
  EXPECT_EQ(hit->comprSize, s.size());
  EXPECT_FALSE(CheckKoeiHit(rom, 5, 4096, nullptr)) << "below the minimum size";
  const Bytes cut(rom.begin(), rom.begin() + static_cast<std::ptrdiff_t>(5 + s.size() - 1));
  EXPECT_FALSE(CheckKoeiHit(cut, 5, 32, nullptr)) << "cut short";
}

// A stream of the literal 'A' and copies from one byte back, laid out as the format says.
Bytes LiteralThenCopies(std::initializer_list<std::size_t> lengths) {
  Bytes out(2, 0);
  std::size_t flagAt = 0;
  unsigned flagsLeft = 0;
  std::size_t wordAt = 0;
  std::size_t next = 0;
  unsigned wordLeft = 0;
  const auto flag = [&](bool set) {
    if (flagsLeft == 0) {
      flagAt = out.size();
      out.push_back(0);
      flagsLeft = 8;
    }
    --flagsLeft;
    if (set) out[flagAt] |= static_cast<std::uint8_t>(1U << flagsLeft);
  };
  const auto bits = [&](unsigned n, std::size_t v) {
    for (unsigned k = n; k-- > 0;) {
      if (wordLeft == 0) {
        wordAt = next;
        next = out.size();
        out.insert(out.end(), 2, 0);
        wordLeft = 16;
      }
      --wordLeft;
      if (((v >> k) & 1U) != 0)
        out[wordAt + wordLeft / 8] |= static_cast<std::uint8_t>(1U << (wordLeft % 8));
    }
  };
  flag(true);
  out.push_back(0x41);
  for (const std::size_t len : lengths) {
    flag(false);
    if (len >= 129) {
      bits(14, len - 129);
    } else {
      const unsigned z = static_cast<unsigned>(std::bit_width(len - 1) - 1);
      bits(z + 1, 1);
      bits(z, len - (std::size_t{1} << z) - 1);
    }
    bits(6, 0);  // distance 1
  }
  flag(false);
  bits(14, 127);
  if (next + 2 == out.size()) out.resize(next);
  return out;
}

// Copies in a row from one distance: an encoder writes one copy where they fit in one, else
// the longest and the rest, or a split of the same bits; chance bytes write any split.
TEST(Koei, ScanRefusesCopiesThatSplitOneCopy) {
  struct TRow {
    const char* name;
    std::initializer_list<std::size_t> lengths;
    bool found;
  };
  const TRow rows[] = {
      {"one copy", {255}, true},
      {"two that fit one copy", {100, 155}, false},
      {"the longest, then the rest", {255, 16}, true},
      {"two of the 14-bit code where 255 + 16 costs less", {129, 142}, false},
      {"a split of as few bits as 255 + 48", {239, 64}, true},
  };
  for (const TRow& row : rows) {
    const Bytes s = LiteralThenCopies(row.lengths);
    std::size_t out = 1;
    for (const std::size_t len : row.lengths) out += len;
    ASSERT_EQ(Decode(s), Bytes(out, 0x41)) << row.name;
    const auto hit = CheckKoeiHit(s, 0, 16, nullptr);
    EXPECT_EQ(hit.has_value(), row.found) << row.name;
  }
}

// What the scan's facts read at the end: the flag and code bits after the end code 0. "ABC",
// a copy of 13 from 3 back, the end.
TEST(Koei, ScanFactsOfTheEnd) {
  struct TRow {
    const char* name;
    Bytes stream;
    bool restZero;
  };
  const TRow rows[] = {
      {"tidy", {0x10, 0x18, 0xE0, 0x41, 0x42, 0x43, 0xE0, 0x0F}, true},
      {"a flag after the end", {0x10, 0x18, 0xE1, 0x41, 0x42, 0x43, 0xE0, 0x0F}, false},
      {"a code bit after the end", {0x10, 0x18, 0xE0, 0x41, 0x42, 0x43, 0xE1, 0x0F}, false},
  };
  for (const TRow& row : rows) {
    TStreamStats stats;
    const auto hit = CheckKoeiHit(row.stream, 0, 16, &stats);
    ASSERT_TRUE(hit.has_value()) << row.name;
    EXPECT_EQ(hit->rawSize, 16u) << row.name;
    EXPECT_EQ(stats.unusedFlagsZero, row.restZero) << row.name;
    EXPECT_EQ(stats.factsMinOutput, kStrictFactsMinOutput) << row.name << ": the end decides";
  }
}

// The parse's block minima joined a state at a time from rows of a least value and a byte of
// excess a state, the bases near and far apart.
TEST(Koei, PackedRowsJoinStateByState) {
  const auto row = [](std::uint32_t base, std::uint8_t first, std::uint8_t rest) {
    koei::TPackedRow r;
    r.base = base;
    r.over.fill(rest);
    r.over[0] = first;
    r.over[7] = 0;
    return r;
  };
  const struct {
    koei::TPackedRow x;
    koei::TPackedRow y;
  } cases[] = {
      {row(100, 5, 9), row(100, 9, 5)},    // equal bases
      {row(100, 0, 16), row(104, 0, 16)},  // a gap within the excesses
      {row(1000, 254, 3), row(1200, 0, 0)},
      {row(50, 254, 254), row(305, 0, 0)},  // a gap of 255 and more: the lower row wins
      {row(900, 20, 1), row(10, 254, 200)},
  };
  for (const auto& c : cases) {
    const koei::TPackedRow joined = koei::Joined(c.x, c.y);
    for (unsigned s = 0; s < koei::kWordBits; ++s) {
      const std::uint32_t want = std::min(c.x.base + c.x.over[s], c.y.base + c.y.over[s]);
      EXPECT_EQ(joined.base + joined.over[s], want)
          << c.x.base << " and " << c.y.base << ", state " << s;
    }
  }
}
