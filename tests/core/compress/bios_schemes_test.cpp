// LZ77-11, Huffman, RLE-30 and the diff filters: the worked examples both ways, the decoders'
// limits, round trips, and the compressors against brute force and independent figures.
#include "compress/bios/bios_schemes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "flag_group_search.h"
#include "more_examples.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Random(std::size_t n, std::uint32_t seed, unsigned alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes d(n);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng() % alphabet);
  return d;
}

// 4bpp-like tiles: rows of a few colours, zero runs and repeated tiles.
Bytes Tiles(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    if (rng() % 3 == 0 && d.size() >= 32) {
      const std::size_t from = (rng() % (d.size() / 32)) * 32;
      d.insert(d.end(), d.begin() + static_cast<std::ptrdiff_t>(from),
               d.begin() + static_cast<std::ptrdiff_t>(from + 32));
      continue;
    }
    for (int k = 0; k < 32; ++k) {
      d.push_back(rng() % 4 == 0 ? static_cast<std::uint8_t>(0x11 * (rng() % 3)) : 0);
    }
  }
  d.resize(n);
  return d;
}

using Decoder = std::function<std::uint32_t(std::span<const std::uint8_t>, TDecodeBuffer&, bool*)>;
using Compressor = std::function<Bytes(std::span<const std::uint8_t>)>;

struct TScheme {
  const char* name;
  Decoder decode;
  Compressor compress;
};

const std::vector<TScheme>& Schemes() {
  static const std::vector<TScheme> schemes = {
      {"LZ77-11", [](auto s, auto& o, bool* v) { return DecompressLZ11(s, o, v); },
       [](auto d) { return CompressLZ11(d); }},
      {"Huffman-4", [](auto s, auto& o, bool* v) { return DecompressHuffman<4>(s, o, v); },
       [](auto d) { return CompressHuffman<4>(d); }},
      {"Huffman-8", [](auto s, auto& o, bool* v) { return DecompressHuffman<8>(s, o, v); },
       [](auto d) { return CompressHuffman<8>(d); }},
      {"RLE-30", [](auto s, auto& o, bool* v) { return DecompressRLE30(s, o, v); },
       [](auto d) { return CompressRLE30(d); }},
      {"Diff-8", [](auto s, auto& o, bool* v) { return DecompressDiff<1>(s, o, v); },
       [](auto d) { return CompressDiff<1>(d); }},
      {"Diff-16", [](auto s, auto& o, bool* v) { return DecompressDiff<2>(s, o, v); },
       [](auto d) { return CompressDiff<2>(d); }},
  };
  return schemes;
}

const TScheme& Scheme(const std::string& name) {
  for (const TScheme& s : Schemes()) {
    if (name == s.name) return s;
  }
  throw std::logic_error(name);
}

const char* SchemeName(int scheme) {
  constexpr const char* kNames[] = {"LZ77-11", "Huffman-4", "Huffman-8",
                                    "RLE-30",  "Diff-8",    "Diff-16"};
  return kNames[scheme - 5];
}

std::vector<test::TMoreExample> Examples() {
  std::vector<test::TMoreExample> out;
  for (const auto& e : test::MoreExamples()) {
    if (e.scheme <= 10) out.push_back(e);
  }
  return out;
}

}  // namespace

TEST(BiosSchemes, WorkedExamplesDecode) {
  for (const test::TMoreExample& e : Examples()) {
    TDecodeBuffer out;
    bool notValid = true;
    const std::uint32_t used = Scheme(SchemeName(e.scheme)).decode(e.stream, out, &notValid);
    EXPECT_EQ(out, e.input) << e.name;
    EXPECT_EQ(used, e.stream.size() - e.padding) << e.name;
    EXPECT_FALSE(notValid) << e.name;
  }
}

TEST(BiosSchemes, CompressorsWriteTheWorkedExamples) {
  for (const test::TMoreExample& e : Examples()) {
    if (!e.compressorGivesIt) continue;
    const Bytes want(e.stream.begin(), e.stream.end() - static_cast<std::ptrdiff_t>(e.padding));
    EXPECT_EQ(Scheme(SchemeName(e.scheme)).compress(e.input), want) << e.name;
  }
  EXPECT_EQ(CompressLZ11(Bytes(32, 0xAA), {.allowDistance1 = true}),
            (Bytes{0x11, 0x20, 0, 0, 0x40, 0xAA, 0x00, 0xE0, 0x00}));
}

TEST(BiosSchemes, RoundTripRandomAndTileData) {
  for (const TScheme& s : Schemes()) {
    for (std::uint32_t seed = 0; seed < 12; ++seed) {
      const std::size_t n = seed * 397 % 3000;
      for (const Bytes& d : {Random(n, seed, 1 + seed * 37 % 256), Tiles(n, seed)}) {
        const Bytes stream = s.compress(d);
        TDecodeBuffer out;
        const std::uint32_t used = s.decode(stream, out, nullptr);
        ASSERT_EQ(out, d) << s.name << " seed " << seed;
        EXPECT_EQ(used, stream.size()) << s.name << " seed " << seed;
      }
    }
  }
}

// Every stream cut short, and every byte of it changed, decodes within its bounds.
TEST(BiosSchemes, DamagedStreamsStayInBounds) {
  for (const TScheme& s : Schemes()) {
    const Bytes stream = s.compress(Tiles(200, 7));
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
      const Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
      TDecodeBuffer out;
      EXPECT_LE(s.decode(part, out, nullptr), cut) << s.name << " cut " << cut;
    }
    for (std::size_t at = 4; at < stream.size(); ++at) {
      Bytes bad = stream;
      bad[at] ^= 0x5A;
      TDecodeBuffer out(64);  // smaller than the size: writes past it are dropped
      EXPECT_LE(s.decode(bad, out, nullptr), bad.size()) << s.name << " byte " << at;
    }
  }
}

TEST(BiosSchemes, LimitsOfTheDecoders) {
  struct TCase {
    const char* name;
    const char* scheme;
    Bytes stream;
    Bytes output;
    std::uint32_t used;
  };
  const std::vector<TCase> cases = {
      {"LZ11 reference before the start reads zeros",
       "LZ77-11",
       {0x11, 4, 0, 0, 0x80, 0x30, 0x03},
       {0, 0, 0, 0},
       7},
      {"LZ11 reference cut inside its 4 bytes",
       "LZ77-11",
       {0x11, 9, 0, 0, 0x40, 0x41, 0x10, 0x00},
       {0x41, 0, 0, 0, 0, 0, 0, 0, 0},
       8},
      {"RLE run cut at the size", "RLE-30", {0x30, 2, 0, 0, 0xFF, 0x41}, {0x41, 0x41}, 6},
      {"RLE literal block cut by the stream",
       "RLE-30",
       {0x30, 3, 0, 0, 0x02, 0x41},
       {0x41, 0, 0},
       6},
      {"Huffman child outside the table stops",
       "Huffman-8",
       {0x28, 4, 0, 0, 0x01, 0x05, 0x41, 0x42, 0xFF, 0xFF, 0xFF, 0xFF},
       {0, 0, 0, 0},
       12},
      {"Diff-16 odd size reads the whole unit",
       "Diff-16",
       {0x82, 3, 0, 0, 1, 2, 1, 0},
       {1, 2, 2},
       8},
  };
  for (const TCase& c : cases) {
    TDecodeBuffer out;
    EXPECT_EQ(Scheme(c.scheme).decode(c.stream, out, nullptr), c.used) << c.name;
    EXPECT_EQ(out, c.output) << c.name;
  }
}

// The bytes of an LZ77-11 reference of `len` (3 to 65808) bytes.
std::size_t LZ11ReferenceBytes(std::size_t len) { return len <= 16 ? 2 : len <= 272 ? 3 : 4; }

// The shortest LZ77-11 stream by exhaustive search over every distance and length.
std::size_t BruteForceLZ11Size(const Bytes& d, std::size_t minDistance) {
  return 4 + test::ShortestFlagGroupBytes(d.size(), [&](std::size_t i, auto add) {
           for (std::size_t dist = minDistance; dist <= std::min<std::size_t>(i, 4096); ++dist) {
             for (std::size_t len = 1; i + len <= d.size(); ++len) {
               if (d[i + len - 1] != d[i + len - 1 - dist]) break;
               if (len >= 3) add(len, LZ11ReferenceBytes(len));
             }
           }
         });
}

// The shortest LZ77-11 stream for inputs with matches of any length: the longest match at
// each position from every distance (carried from the end), then every length up to it.
// Only the longest match counts, as the distance is free.
std::size_t ReferenceLZ11Size(const Bytes& d, std::size_t minDistance) {
  const std::size_t n = d.size();
  std::vector<std::size_t> longest(n, 0);
  std::vector<std::size_t> run(n + 1, 0);
  for (std::size_t dist = minDistance; dist <= std::min<std::size_t>(n, 4096); ++dist) {
    run[n] = 0;
    for (std::size_t i = n; i-- > dist;) {
      run[i] = d[i] == d[i - dist] ? run[i + 1] + 1 : 0;
      longest[i] = std::max(longest[i], std::min<std::size_t>(run[i], 65808));
    }
  }
  return 4 + test::ShortestFlagGroupBytes(n, [&](std::size_t i, auto add) {
           for (std::size_t len = 3; len <= longest[i]; ++len) add(len, LZ11ReferenceBytes(len));
         });
}

// Long repeats of earlier stretches at several distances, runs and a little noise, so that
// matches pass 255 bytes and the nearest long match is often not the longest.
Bytes LongRepeats(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d = Random(64, rng(), 4);
  while (d.size() < n) {
    const unsigned pick = rng() % 4;
    if (pick == 0) {
      d.insert(d.end(), 200 + rng() % 500, static_cast<std::uint8_t>(rng() % 3));
    } else if (pick == 1) {
      d.push_back(static_cast<std::uint8_t>(rng()));
    } else {
      const std::size_t len = std::min<std::size_t>(d.size(), 100 + rng() % 700);
      const std::size_t from = rng() % (d.size() - len + 1);
      for (std::size_t k = 0; k < len; ++k) d.push_back(d[from + k]);
    }
  }
  d.resize(n);
  return d;
}

TEST(CompressLZ11, ShortestForMatchesOfAnyLength) {
  for (std::uint32_t seed = 0; seed < 12; ++seed) {
    const Bytes d = LongRepeats(2500 + seed * 300, seed);
    for (const bool d1 : {false, true}) {
      const Bytes s = CompressLZ11(d, {.allowDistance1 = d1});
      ASSERT_EQ(s.size(), ReferenceLZ11Size(d, d1 ? 1 : 2)) << "seed " << seed << " d1 " << d1;
      TDecodeBuffer out(d.size(), 0);
      DecompressLZ11(s, out);
      ASSERT_TRUE(std::equal(d.begin(), d.end(), out.begin())) << "seed " << seed;
    }
  }
}

// Data of a one- or two-byte period takes references as long as the format allows
// (65,808): one byte more must not become a longer reference, whose length would not fit
// the 4-byte token's 16 bits.
TEST(CompressLZ11, TheLongestCopiesRoundTrip) {
  const struct {
    std::size_t size;
    std::size_t period;
    bool distance1;
  } cases[] = {{65811, 2, false}, {65812, 2, false}, {65810, 1, true}};
  for (const auto& c : cases) {
    Bytes d(c.size);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>('A' + i % c.period);
    const std::string label = std::to_string(c.size) + " bytes, period " + std::to_string(c.period);
    const Bytes s = CompressLZ11(d, {.allowDistance1 = c.distance1});
    TDecodeBuffer out(d.size(), 0);
    EXPECT_EQ(DecompressLZ11(s, out), s.size()) << label;
    const auto wrong = std::mismatch(d.begin(), d.end(), out.begin());
    EXPECT_EQ(wrong.first, d.end()) << label << ": wrong from byte " << (wrong.first - d.begin());
  }
}

TEST(CompressLZ11, MatchesBruteForceOnShortInputs) {
  std::mt19937 rng(1411);
  for (int round = 0; round < 300; ++round) {
    const std::size_t n = rng() % 70 + (round % 50 == 0 ? 300 : 0);
    const Bytes d = Random(n, rng(), 1 + rng() % 4);
    for (const bool d1 : {false, true}) {
      ASSERT_EQ(CompressLZ11(d, {.allowDistance1 = d1}).size(), BruteForceLZ11Size(d, d1 ? 1 : 2))
          << "round " << round << ", n " << n << ", distance 1 " << d1;
    }
  }
}

TEST(CompressRLE30, MatchesBruteForceOnShortInputs) {
  std::mt19937 rng(30);
  for (int round = 0; round < 200; ++round) {
    const Bytes d = Random(rng() % 300, rng(), 1 + rng() % 3);
    const std::size_t n = d.size();
    // Every block of every length at every position.
    std::vector<std::size_t> best(n + 1, 1u << 30);
    best[n] = 0;
    for (std::size_t i = n; i-- > 0;) {
      for (std::size_t len = 1; len <= 128 && i + len <= n; ++len) {
        best[i] = std::min(best[i], 1 + len + best[i + len]);
      }
      for (std::size_t len = 2; len <= 130 && i + len <= n && d[i + len - 1] == d[i]; ++len) {
        if (len >= 3) best[i] = std::min(best[i], 2 + best[i + len]);
      }
    }
    ASSERT_EQ(CompressRLE30(d).size(), 4 + best[0]) << "round " << round;
  }
}

// Huffman's bitstream against the least total code length, the sum of the merged weights.
TEST(CompressHuffman, BitstreamHasTheLeastTotalCodeLength) {
  struct TCase {
    const char* name;
    Bytes data;
  };
  std::vector<std::uint8_t> balanced(4096);
  for (std::size_t i = 0; i < balanced.size(); ++i) balanced[i] = static_cast<std::uint8_t>(i);
  Bytes skewed;
  for (int s = 0; s < 40; ++s)
    skewed.insert(skewed.end(), std::size_t{1} << (s % 20), static_cast<std::uint8_t>(s));
  const std::vector<TCase> cases = {
      {"one symbol", Bytes(64, 7)},  {"tiles", Tiles(4096, 3)},   {"random", Random(4096, 5)},
      {"all 256 equally", balanced}, {"doubling counts", skewed}, {"few", Random(100, 9, 3)},
  };
  for (const TCase& c : cases) {
    for (const int bits : {4, 8}) {
      Bytes padded = c.data;
      std::vector<std::uint64_t> counts(std::size_t{1} << bits, 0);
      for (const auto b : padded) {
        if (bits == 8)
          ++counts[b];
        else {
          ++counts[b & 15u];
          ++counts[b >> 4];
        }
      }
      const std::size_t pad = (4 - padded.size() % 4) % 4;
      *std::max_element(counts.begin(), counts.end()) += pad * (bits == 8 ? 1 : 2);
      std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> q;
      std::size_t used = 0;
      for (const auto k : counts) {
        if (k != 0) {
          q.push(k);
          ++used;
        }
      }
      if (q.size() == 1) q.push(0);
      std::uint64_t bitsTotal = 0;
      while (q.size() > 1) {
        const std::uint64_t a = q.top();
        q.pop();
        const std::uint64_t b = q.top();
        q.pop();
        bitsTotal += a + b;
        q.push(a + b);
      }
      const std::size_t leaves = std::max<std::size_t>(used, 2);
      const std::size_t want = 4 + ((leaves + 1) & ~std::size_t{1}) * 2 + (bitsTotal + 31) / 32 * 4;
      const Bytes s = bits == 4 ? CompressHuffman<4>(c.data) : CompressHuffman<8>(c.data);
      EXPECT_EQ(s.size(), want) << c.name << ", " << bits << " bits";
      TDecodeBuffer out;
      bool broken = true;
      bits == 4 ? DecompressHuffman<4>(s, out, nullptr, &broken)
                : DecompressHuffman<8>(s, out, nullptr, &broken);
      EXPECT_FALSE(broken) << c.name;
      EXPECT_EQ(out, c.data) << c.name << ", " << bits << " bits";
    }
  }
}

TEST(BiosSchemes, SizesAboveTheHeaderAreRefused) {
  const Bytes big(0x1000000, 0);
  EXPECT_THROW(CompressLZ11(big), TError);
  EXPECT_THROW(CompressRLE30(big), TError);
  EXPECT_THROW(CompressDiff<2>(big), TError);
}
