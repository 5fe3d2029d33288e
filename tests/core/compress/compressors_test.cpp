// The compressors of LZ77-10, LZSS-FF5, LZSS-FF6 and LZSS-CT: exact round trips, no reliance on the
// decoders' limits, and the LZ77-10 parse against a brute force.
#include "compress/compressors.h"
#include "greedy_encoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "compress/search/optimal_parse.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"
#include "flag_group_search.h"
#include "sample_data.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Random(std::size_t n, std::uint32_t seed, unsigned alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes d(n);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng() % alphabet);
  return d;
}

// What a reference may do, read from the stream with a walker of its own: every source lies
// inside the output written so far, at least `minDistance` back, and the tokens end exactly
// at the data's end. Returns an empty string when all holds.
std::string CheckLZ10Stream(const Bytes& s, std::size_t size, std::size_t minDistance) {
  std::size_t in = 4, out = 0;
  while (out < size) {
    const unsigned flags = s.at(in++);
    for (int bit = 7; bit >= 0 && out < size; --bit) {
      if (((flags >> bit) & 1u) == 0) {
        ++in;
        ++out;
        continue;
      }
      const std::size_t len = (s.at(in) >> 4) + 3;
      const std::size_t dist = ((s.at(in) & 15u) << 8 | s.at(in + 1)) + 1;
      in += 2;
      if (dist > out) return "reference before the start at " + std::to_string(out);
      if (dist < minDistance) return "distance " + std::to_string(dist);
      out += len;
    }
  }
  if (out != size) return "last reference passes the end";
  if (in != s.size()) return "bytes after the last token";
  return {};
}

// FF schemes: a reference's ring index names a byte written by this stream or, before the
// first output byte, the ring's zeros, never the slot about to be written (distance 2048);
// the tokens end exactly at the data's end.
std::string CheckFFStream(const Bytes& s, std::size_t size, bool ff6) {
  std::size_t in = 2, out = 0;
  while (out < size) {
    const unsigned flags = s.at(in++);
    for (int bit = 0; bit < 8 && out < size; ++bit) {
      if ((flags >> bit) & 1u) {
        ++in;
        ++out;
        continue;
      }
      const unsigned b0 = s.at(in), b1 = s.at(in + 1);
      in += 2;
      const std::size_t p = ff6 ? b0 + ((b1 & 7u) << 8) : b0 + ((b1 & 0xE0u) << 3);
      const std::size_t len = ff6 ? (b1 >> 3) + 3 : (b1 & 31u) + 3;
      if (p >= 2048) return "ring index " + std::to_string(p);
      if (p == (2014 + out) % 2048) return "distance 2048 at output " + std::to_string(out);
      out += len;
    }
  }
  if (out != size) return "last reference passes the end";
  if (in != s.size()) return "bytes after the last token";
  return {};
}

// Checks the stream against the data through the scheme's decoder, with bytes behind it that
// must not be read, and an output buffer whose tail must stay untouched.
void ExpectRoundTrip(int scheme, const Bytes& data, const Bytes& stream, const std::string& what) {
  Bytes rom = stream;
  rom.insert(rom.end(), 64, 0x5A);
  TDecodeBuffer out(std::max(kDecodeBufferSize, data.size() + 64), 0);
  std::uint32_t count = 0;
  switch (scheme) {
    case 1: count = DecompressLZ10(rom, out); break;
    case 2: count = DecompressFF5(rom, out); break;
    case 3: count = DecompressFF6(rom, out); break;
    case 4: count = DecompressCT(rom, out); break;
  }
  const bool countsInput = scheme <= 2;
  EXPECT_EQ(count, countsInput ? stream.size() : data.size()) << what;
  ASSERT_TRUE(std::equal(data.begin(), data.end(), out.begin())) << what;
  EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(data.size()),
                          out.begin() + static_cast<std::ptrdiff_t>(data.size()) + 64,
                          [](std::uint8_t b) { return b == 0; }))
      << what << ": a write past the data";
  if (scheme == 1) {
    EXPECT_EQ(CheckLZ10Stream(stream, data.size(), 2), "") << what;
  } else if (scheme == 2 || scheme == 3) {
    EXPECT_EQ(CheckFFStream(stream, data.size(), scheme == 3), "") << what;
  }
  if (scheme == 3) {
    EXPECT_EQ(stream[0] | stream[1] << 8, static_cast<int>(stream.size())) << what;
  }
}

// The shortest LZ77-10 stream by exhaustive search over every distance and length.
std::size_t BruteForceLZ10Size(const Bytes& d, std::size_t minDistance) {
  return 4 + test::ShortestFlagGroupBytes(d.size(), [&](std::size_t i, auto add) {
           for (std::size_t dist = minDistance; dist <= std::min<std::size_t>(i, 4096); ++dist) {
             for (std::size_t len = 1; len <= 18 && i + len <= d.size(); ++len) {
               if (d[i + len - 1] != d[i + len - 1 - dist]) break;
               if (len >= 3) add(len, 2);
             }
           }
         });
}

}  // namespace

TEST(CompressLZ10, MatchesBruteForceOnShortInputs) {
  std::mt19937 rng(1410);
  for (int round = 0; round < 300; ++round) {
    const std::size_t n = rng() % 70;
    const unsigned alphabet = 1 + rng() % 4;
    const Bytes d = Random(n, rng(), alphabet);
    for (const bool d1 : {false, true}) {
      const Bytes s = CompressLZ10(d, {.allowDistance1 = d1});
      ASSERT_EQ(s.size(), BruteForceLZ10Size(d, d1 ? 1 : 2))
          << "round " << round << ", n " << n << ", distance 1 " << d1;
    }
  }
}

// The shortest FF stream by exhaustive search, with the ring's zeros before the data as
// sources at distances 1..2047.
std::size_t BruteForceFFSize(const Bytes& d) {
  const auto at = [&](std::ptrdiff_t k) { return k < 0 ? std::uint8_t{0} : d[std::size_t(k)]; };
  return 2 + test::ShortestFlagGroupBytes(d.size(), [&](std::size_t i, auto add) {
           for (std::ptrdiff_t dist = 1; dist <= 2047; ++dist) {
             for (std::size_t len = 1; len <= 34 && i + len <= d.size(); ++len) {
               if (d[i + len - 1] != at(static_cast<std::ptrdiff_t>(i + len - 1) - dist)) break;
               if (len >= 3) add(len, 2);
             }
           }
         });
}

TEST(CompressFF, MatchesBruteForceWithTheRingsZeros) {
  std::mt19937 rng(56);
  for (int round = 0; round < 40; ++round) {
    const std::size_t n = rng() % 60;
    Bytes d = Random(n, rng(), 1 + rng() % 3);  // alphabet 0..2: zeros common
    if (round % 4 == 0) std::fill_n(d.begin(), std::min<std::size_t>(n, 20), 0);
    const std::size_t brute = BruteForceFFSize(d);
    ASSERT_EQ(CompressFF5(d).size(), brute) << "round " << round << ", n " << n;
    ASSERT_EQ(CompressFF6(d).size(), brute) << "round " << round << ", n " << n;
    ExpectRoundTrip(2, d, CompressFF5(d), "FF5 round " + std::to_string(round));
    ExpectRoundTrip(3, d, CompressFF6(d), "FF6 round " + std::to_string(round));
  }
}

// Runs of zeros about 2 KiB into data without zeros otherwise: the ring's zeros are the only
// sources, the farthest of them at the window's edge. The brute force takes each position's
// longest match over every distance 1..2047 (all references cost two bytes).
TEST(CompressFF, ReadsTheRingsZerosAtTheEdgeOfTheWindow) {
  const struct {
    std::size_t before;  // bytes without zeros ahead of the run
    std::size_t run;
  } cases[] = {{1990, 40}, {2012, 34}, {2013, 35}, {2014, 34}, {2020, 60}, {2040, 9}, {2046, 4}};
  for (const auto& c : cases) {
    Bytes d = Random(c.before + c.run + 30, static_cast<std::uint32_t>(c.before), 255);
    for (auto& b : d) ++b;
    std::fill_n(d.begin() + static_cast<std::ptrdiff_t>(c.before), c.run, 0);
    const auto at = [&](std::ptrdiff_t k) { return k < 0 ? std::uint8_t{0} : d[std::size_t(k)]; };
    std::vector<std::size_t> longest(d.size(), 0);
    for (std::size_t i = 0; i < d.size(); ++i) {
      for (std::ptrdiff_t dist = 1; dist <= 2047; ++dist) {
        std::size_t len = 0;
        while (len < 34 && i + len < d.size() &&
               d[i + len] == at(static_cast<std::ptrdiff_t>(i + len) - dist)) {
          ++len;
        }
        longest[i] = std::max(longest[i], len);
      }
    }
    const std::size_t brute =
        2 + test::ShortestFlagGroupBytes(d.size(), [&](std::size_t i, auto add) {
          for (std::size_t len = 3; len <= longest[i]; ++len) add(len, 2);
        });
    const std::string what = std::to_string(c.before) + " + " + std::to_string(c.run);
    EXPECT_EQ(CompressFF5(d).size(), brute) << what;
    ExpectRoundTrip(2, d, CompressFF5(d), "FF5 " + what);
    ExpectRoundTrip(3, d, CompressFF6(d), "FF6 " + what);
  }
}

// Data that repeats after exactly 2048 bytes, where only the ring slot about to be written
// holds the next bytes.
TEST(CompressFF, NeverNamesTheSlotAboutToBeWritten) {
  Bytes d = Random(2048, 2048, 256);
  d.insert(d.end(), d.begin(), d.begin() + 600);
  for (const int scheme : {kSchemeFF5, kSchemeFF6}) {
    const Bytes s = scheme == kSchemeFF5 ? CompressFF5(d) : CompressFF6(d);
    ExpectRoundTrip(scheme, d, s, scheme == kSchemeFF5 ? "FF5" : "FF6");
  }
}

TEST(CompressLZ10, DistanceOneOnlyWhenAllowed) {
  const Bytes run(100, 0x41);
  const Bytes strict = CompressLZ10(run);
  EXPECT_EQ(CheckLZ10Stream(strict, run.size(), 2), "");
  const Bytes loose = CompressLZ10(run, {.allowDistance1 = true});
  EXPECT_EQ(CheckLZ10Stream(loose, run.size(), 1), "");
  EXPECT_NE(CheckLZ10Stream(loose, run.size(), 2), "") << "a run uses distance 1 when allowed";
  EXPECT_LE(loose.size(), strict.size());
}

TEST(Compressors, RoundTripEveryScheme) {
  std::mt19937 rng(14);
  const std::size_t lengths[] = {0, 1, 2, 3, 7, 8, 9, 17, 2047, 2048, 2049, 4097, 20000};
  for (int scheme = 1; scheme <= 4; ++scheme) {
    for (const std::size_t n : lengths) {
      const Bytes inputs[] = {MakeTileLikeData(n, 7), Bytes(n, 0), Random(n, rng(), 3),
                              Random(n, rng())};
      for (const Bytes& d : inputs) {
        const std::string what = "scheme " + std::to_string(scheme) + ", " + std::to_string(n);
        ExpectRoundTrip(scheme, d, CompressStream(scheme, d), what);
      }
    }
  }
  for (const TCTMode mode : {TCTMode::Bits11, TCTMode::Bits12}) {
    for (std::uint32_t seed = 0; seed < 20; ++seed) {
      const Bytes d = MakeTileLikeData(rng() % 5000, seed);
      TCompressOptions o;
      o.ctMode = mode;
      const Bytes s = CompressStream(4, d, o);
      ExpectRoundTrip(4, d, s, "CT seed " + std::to_string(seed));
      const std::size_t first = (s[0] | s[1] << 8) + 2u;
      EXPECT_EQ(s[first] >= 0xC0, mode == TCTMode::Bits11);
    }
  }
}

TEST(Compressors, ShorterThanTheGreedyEncoders) {
  const Bytes d = MakeTileLikeData(60000, 5);
  EXPECT_LE(CompressLZ10(d).size(), EncodeLZ10(d).size());
  EXPECT_LE(CompressFF6(d).size(), EncodeFF6(d).size());
  EXPECT_LE(CompressCT(d).size(),
            std::min(EncodeCT(d).size(), EncodeCT(d, TCTMode::Bits12).size()));
}

TEST(Compressors, RefuseWhatTheHeadersCannotHold) {
  try {
    CompressFF5(Bytes(0x10000, 0));
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "LZSS-FF5 holds at most 65535 bytes; the data are 65536 bytes");
  }
  EXPECT_NO_THROW(CompressFF5(Bytes(0xFFFF, 0)));
  EXPECT_THROW(CompressLZ10(Bytes(0x1000000, 0)), TError);
  try {
    CompressFF6(Random(70000, 1));
    FAIL();
  } catch (const TError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("The LZSS-FF6 stream would be ")) << e.what();
  }
  EXPECT_THROW(CompressCT(Random(70000, 1)), TError);
  // Well-compressible data longer than 64 KiB still fit.
  const Bytes zeros(300000, 0);
  ExpectRoundTrip(3, zeros, CompressFF6(zeros), "FF6 zeros");
  ExpectRoundTrip(4, zeros, CompressCT(zeros), "CT zeros");
  EXPECT_THROW(CompressStream(0, zeros), std::invalid_argument);
}

TEST(StreamBytesUsed, WhatEachDecoderReads) {
  const struct {
    int scheme;
    Bytes stream;
    std::size_t used;
  } cases[] = {
      {1, {0x10, 0x0A, 0, 0, 0x20, 0x41, 0x42, 0x50, 0x01, 0xEE}, 9},
      {2, {0x06, 0x00, 0x01, 0x41, 0xDE, 0xE2, 0xEE}, 6},
      // FF6: the header's length, not the bytes after it.
      {3, {0x0B, 0, 0xFF, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x01, 0x49}, 11},
      // The first token of a flag byte read at the last position is read whole.
      {3, {0x03, 0, 0x00, 0x00, 0x00, 0xEE}, 5},
      {3, {0x02, 0, 0xEE}, 2},
      // CT: up to and with the end record, wherever the header puts it.
      {4, {0x0A, 0, 0x04, 0x41, 0x42, 0x02, 0x18, 0x43, 0x44, 0x45, 0x46, 0x47, 0xC0, 0xEE}, 13},
      {4, {0, 0, 0xC3, 0x0A, 0, 0x04, 0x41, 0x42, 0x02, 0x08, 0x00, 0xEE}, 11},
      {4, {0x09, 0, 0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0xC0}, 12},
      // Cut short by the end of the ROM: everything there is; a CT stream whose first record
      // lies past the end is not decoded at all.
      {3, {0x40, 0, 0xFF, 0x41}, 4},
      {4, {0x30, 0, 0x00, 0x41}, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StreamBytesUsed(c.scheme, c.stream), c.used)
        << "scheme " << c.scheme << ", " << c.stream.size() << " bytes";
  }
  EXPECT_EQ(StreamBytesUsed(0, Bytes(10, 0)), 0u);
  // Streams of the compressors are used whole.
  const Bytes d = MakeTileLikeData(5000, 9);
  for (int scheme = 1; scheme <= 4; ++scheme) {
    Bytes s = CompressStream(scheme, d);
    const std::size_t n = s.size();
    s.insert(s.end(), 100, 0x5A);
    EXPECT_EQ(StreamBytesUsed(scheme, s), n) << "scheme " << scheme;
  }
}

TEST(CompressLZ10, OneMebibyteOfTileDataRoundTrips) {
  const Bytes d = MakeTileLikeData(kDecodeBufferSize, 21);
  const Bytes s = CompressLZ10(d);
  ExpectRoundTrip(1, d, s, "1 MiB");
  EXPECT_LT(s.size(), EncodeLZ10(d).size());
}

TEST(FindLongestMatches, ExactAcrossTheWholeWindow) {
  // Longer inputs than the brute-force parse can take, with matches everywhere: every
  // position's longest match must equal the one found by trying every source. Windows wide
  // beside the data (whose nodes link by distance) and narrow ones (linked by position).
  const struct {
    TParseLimits limits;
    unsigned alphabet;
  } cases[] = {{{2, 4096, 18}, 2}, {{1, 2048, 34}, 3}, {{1, 4095, 18}, 2},
               {{2, 4096, 18}, 5}, {{1, 255, 18}, 2},  {{2, 511, 34}, 3}};
  std::mt19937 rng(1417);
  for (const auto& c : cases) {
    Bytes d = Random(6500, rng(), c.alphabet);
    // Some long repeats from far back, near the edge of the window.
    for (std::size_t at = 4200; at + 40 < d.size(); at += 500) {
      std::copy_n(d.begin() + static_cast<std::ptrdiff_t>(at - c.limits.maxDistance), 40,
                  d.begin() + static_cast<std::ptrdiff_t>(at));
    }
    const TLongestMatches m = FindLongestMatches(d, c.limits);
    for (std::size_t pos = 0; pos < d.size(); ++pos) {
      std::size_t best = 0;
      const std::size_t limit = std::min(c.limits.maxLength, d.size() - pos);
      for (std::size_t dist = c.limits.minDistance; dist <= std::min(pos, c.limits.maxDistance);
           ++dist) {
        std::size_t len = 0;
        while (len < limit && d[pos + len] == d[pos + len - dist]) ++len;
        best = std::max(best, len);
      }
      if (best < 3) best = 0;
      ASSERT_EQ(m.length[pos], best) << "position " << pos << ", window " << c.limits.maxDistance;
      if (best != 0) {
        const std::size_t dist = m.distance[pos];
        ASSERT_TRUE(dist >= c.limits.minDistance && dist <= c.limits.maxDistance && dist <= pos);
        ASSERT_TRUE(std::equal(d.begin() + static_cast<std::ptrdiff_t>(pos - dist),
                               d.begin() + static_cast<std::ptrdiff_t>(pos - dist + best),
                               d.begin() + static_cast<std::ptrdiff_t>(pos)))
            << "position " << pos;
      }
    }
  }
}

TEST(Compressors, EverySchemeRowCarriesItsCompressor) {
  const Bytes d = MakeTileLikeData(3000, 4);
  for (const TSchemeFormat& f : SchemeFormats()) {
    EXPECT_EQ(f.compress == nullptr, f.row == kSchemeNone) << "row " << f.row;
    // The other rows have their round trips in more_rows_test.cpp.
    if (f.compress != nullptr && f.row <= kSchemeCT) {
      ExpectRoundTrip(f.row, d, f.compress(d, {}), "row compressor");
    }
  }
  EXPECT_THROW(CompressStream(kSchemeNone, d), std::invalid_argument);
  EXPECT_THROW(CompressStream(kCompressionCount, d), std::invalid_argument);
}
