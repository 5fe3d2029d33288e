// decode(encode(x)) = x for every scheme, over seeded random, repetitive and tile-like data.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "compress/uCompress.h"
#include "greedy_encoders.h"
#include "sample_data.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Random(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d(n);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng());
  return d;
}

// Short random phrases repeated with variations, and long runs.
Bytes Repetitive(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % 40;
    if (!d.empty() && rng() % 3 != 0) {
      const std::size_t from = d.size() - 1 - rng() % std::min<std::size_t>(d.size(), 5000);
      for (std::size_t i = 0; i < len; ++i) d.push_back(d[from + i]);
    } else if (rng() % 2) {
      d.insert(d.end(), len * 3, static_cast<std::uint8_t>(rng()));
    } else {
      for (std::size_t i = 0; i < len; ++i) d.push_back(static_cast<std::uint8_t>(rng() % 4));
    }
  }
  d.resize(n);
  return d;
}

struct TScheme {
  const char* name;
  Bytes (*encode)(std::span<const std::uint8_t>);
  // Decodes and returns the count that tells whether the whole stream was used.
  std::uint32_t (*decode)(std::span<const std::uint8_t>, TDecodeBuffer&);
  bool countsInput;  // the count is stream bytes consumed, not bytes written
};

Bytes EncodeCT12(std::span<const std::uint8_t> d) { return EncodeCT(d, TCTMode::Bits12); }
Bytes EncodeCT11(std::span<const std::uint8_t> d) { return EncodeCT(d); }
std::uint32_t DecodeLZ10(std::span<const std::uint8_t> s, TDecodeBuffer& o) {
  return DecompressLZ10(s, o);
}

const TScheme kSchemes[] = {
    {"LZ77-10", EncodeLZ10, DecodeLZ10, true},
    {"LZSS-FF5", EncodeFF5, DecompressFF5, true},
    {"LZSS-FF6", EncodeFF6, DecompressFF6, false},
    {"LZSS-CT 11-bit", EncodeCT11, DecompressCT, false},
    {"LZSS-CT 12-bit", EncodeCT12, DecompressCT, false},
};

// Round-trips `data`; returns false (and checks nothing) when the encoder refuses the size.
bool RoundTrip(const TScheme& s, const Bytes& data, const std::string& what) {
  Bytes stream;
  try {
    stream = s.encode(data);
  } catch (const std::length_error&) {
    return false;
  }
  // Behind the stream lie bytes a decoder must not read.
  Bytes rom = stream;
  rom.insert(rom.end(), 64, 0x5A);
  TDecodeBuffer out(data.size() + 64, 0);
  const std::uint32_t count = s.decode(rom, out);
  EXPECT_EQ(count, s.countsInput ? stream.size() : data.size()) << s.name << ", " << what;
  EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin())) << s.name << ", " << what;
  EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(data.size()),
                          out.begin() + static_cast<std::ptrdiff_t>(data.size()) + 64,
                          [](std::uint8_t b) { return b == 0; }))
      << s.name << ", " << what;
  return true;
}

}  // namespace

TEST(RoundTrip, EdgeLengthsOfEveryKind) {
  const std::size_t lengths[] = {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 2047, 2048, 2049, 4096, 65535};
  for (const TScheme& s : kSchemes) {
    for (std::size_t n : lengths) {
      const std::string len = std::to_string(n);
      EXPECT_TRUE(RoundTrip(s, MakeTileLikeData(n, 7), "tile-like " + len)) << s.name;
      EXPECT_TRUE(RoundTrip(s, Repetitive(n, 11), "repetitive " + len)) << s.name;
      EXPECT_TRUE(RoundTrip(s, Bytes(n, 0), "zeros " + len)) << s.name;
      const bool fits = RoundTrip(s, Random(n, 13), "random " + len);
      // Only the streams with a 16-bit length or record positions refuse random 64 KiB.
      EXPECT_EQ(fits, n < 65535 || s.countsInput) << s.name << ", random " << len;
    }
  }
}

TEST(RoundTrip, ManySeededInputs) {
  for (std::uint32_t seed = 0; seed < 60; ++seed) {
    std::mt19937 rng(seed);
    const std::size_t n = rng() % (seed < 40 ? 300 : 20000);
    const Bytes inputs[] = {Random(n, seed), Repetitive(n, seed), MakeTileLikeData(n, seed)};
    for (const TScheme& s : kSchemes) {
      for (const Bytes& d : inputs) {
        EXPECT_TRUE(RoundTrip(s, d, "seed " + std::to_string(seed))) << s.name;
      }
    }
  }
}

TEST(RoundTrip, LZ10BeyondTheBufferLength) {
  const Bytes data = MakeTileLikeData(kDecodeBufferSize * 2 + 5, 3);
  const Bytes stream = EncodeLZ10(data);
  TDecodeBuffer out(kDecodeBufferSize, 0);
  EXPECT_EQ(DecompressLZ10(stream, out), stream.size());
  EXPECT_EQ(out, data);
}

TEST(Encoders, CompressTileLikeData) {
  const Bytes data = MakeTileLikeData(60000, 5);
  for (const TScheme& s : kSchemes) {
    EXPECT_LT(s.encode(data).size(), data.size() / 2) << s.name;
  }
}

TEST(Encoders, RefuseWhatTheHeadersCannotHold) {
  EXPECT_THROW(EncodeLZ10(Bytes(0x1000000, 0)), std::length_error);
  EXPECT_NO_THROW(EncodeFF5(Bytes(0xFFFF, 0)));
  EXPECT_THROW(EncodeFF5(Bytes(0x10000, 0)), std::length_error);
  EXPECT_THROW(EncodeFF6(Random(70000, 1)), std::length_error);
  EXPECT_THROW(EncodeCT(Random(70000, 1)), std::length_error);
  // Well-compressible data longer than 64 KiB still fits an FF6 or CT stream.
  const Bytes zeros(200000, 0);
  const Bytes ff6 = EncodeFF6(zeros);
  const Bytes ct = EncodeCT(zeros);
  EXPECT_LT(ff6.size(), 0x10000u);
  EXPECT_LT(ct.size(), 0x10000u);
  TDecodeBuffer out(kDecodeBufferSize, 0xFF);
  EXPECT_EQ(DecompressFF6(ff6, out), zeros.size());
  EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), out.begin()));
  std::fill(out.begin(), out.end(), 0xFF);
  EXPECT_EQ(DecompressCT(ct, out), zeros.size());
  EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), out.begin()));
}
