// Test data and decoding shared by the tests of the schemes without a header.
#pragma once

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

}  // namespace tegulo::test
