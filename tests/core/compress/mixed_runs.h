// Test data and decoding shared by the tests of the schemes without a header.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "compress/scheme_formats.h"

namespace tegulo::test {

// `n` bytes of values 0..5 in runs of literals, of one byte and of repeats of earlier bytes
// (mostly short, now and then up to 300): what copies and literals both have work on.
inline std::vector<std::uint8_t> MixedRuns(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % (rng() % 8 == 0 ? 300 : 12);
    const unsigned kind = rng() % 3;
    const std::size_t from = d.empty() ? 0 : rng() % d.size();
    for (std::size_t k = 0; k < len; ++k) {
      const auto v = static_cast<std::uint8_t>(rng() % 6);
      d.push_back(kind == 0 || d.empty() ? v
                  : kind == 1            ? d.back()
                                         : d[from + k % (d.size() - from)]);
    }
  }
  d.resize(n);
  return d;
}

// What `decode` writes for `stream` into `room` bytes (filled with 0xEE beforehand), and
// whether it found a broken rule.
inline std::vector<std::uint8_t> DecodeInto(TStreamDecoder decode,
                                            std::span<const std::uint8_t> stream, std::size_t room,
                                            bool* notValid) {
  TDecodeBuffer out(room, 0xEE);
  bool broken = false;
  out.resize(decode(stream, out, &broken));
  if (notValid != nullptr) *notValid = broken;
  return {out.begin(), out.end()};
}

// A copy at the edge of a scheme's reach: noise of `distance` bytes, then `repeat` of its first
// bytes again; `reached`: whether the scheme copies them (the stream grows by at most `slack`
// bytes) or must write them as literals.
struct TReachCase {
  const char* name;
  std::size_t distance;
  std::size_t repeat;
  bool reached;
};

// Packs each case with `compress`, checks `decode` gives the data back and the copy is made
// exactly where the case says it is reached.
inline void ExpectCopiesReach(std::span<const TReachCase> cases, std::size_t slack,
                              std::uint32_t seed, TStreamCompressor compress,
                              TStreamDecoder decode) {
  std::mt19937 rng(seed);
  for (const TReachCase& c : cases) {
    std::vector<std::uint8_t> d(c.distance);
    for (auto& b : d) b = static_cast<std::uint8_t>(rng());
    const std::size_t alone = compress(d, {}).size();
    d.insert(d.end(), d.begin(), d.begin() + static_cast<std::ptrdiff_t>(c.repeat));
    const std::vector<std::uint8_t> s = compress(d, {});
    ASSERT_EQ(DecodeInto(decode, s, d.size() + 64, nullptr), d) << c.name;
    EXPECT_EQ(s.size() <= alone + slack, c.reached)
        << c.name << ": " << s.size() << " vs " << alone;
  }
}

}  // namespace tegulo::test
