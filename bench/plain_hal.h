// The reference HAL decoder of the benchmarks, in the classic C style of the common decoders
// of this format: one switch per command, the bounds checked once per command, library
// copies for literals and byte fills and a byte at a time for everything else, with a
// 256-entry table for the bit-reversed repeat. Same rules as DecodeCommands for the streams
// the benchmark decodes (valid ones that fit the output).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace tegulo::bench {

inline const std::array<std::uint8_t, 256>& ReversedBitsTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
      unsigned r = 0;
      for (unsigned i = 0; i < 8; ++i) r |= ((b >> i) & 1u) << (7 - i);
      t[b] = static_cast<std::uint8_t>(r);
    }
    return t;
  }();
  return table;
}

// Returns the bytes written, or 0 for a stream that breaks a rule or does not fit.
inline std::uint32_t PlainHAL(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& out) {
  const std::array<std::uint8_t, 256>& reversed = ReversedBitsTable();
  const std::size_t n = src.size();
  const std::size_t limit = out.size() < 65536 ? out.size() : 65536;
  std::uint8_t* dst = out.data();
  std::size_t in = 0;
  std::size_t o = 0;
  for (;;) {
    if (in >= n) return 0;
    const unsigned h = src[in++];
    if (h == 0xFF) return static_cast<std::uint32_t>(o);
    unsigned cmd = h >> 5;
    std::size_t len = (h & 0x1F) + 1;
    if (cmd == 7) {
      if (in >= n) return 0;
      cmd = (h >> 2) & 7;
      len = ((h & 3) << 8 | src[in++]) + 1;
    }
    const std::size_t bytes = cmd == 2 ? 2 * len : len;
    if (o + bytes > limit) return 0;
    switch (cmd) {
      case 0:
        if (in + len > n) return 0;
        std::memcpy(dst + o, src.data() + in, len);
        in += len;
        break;
      case 1:
        if (in >= n) return 0;
        std::memset(dst + o, src[in++], len);
        break;
      case 2:
        if (in + 2 > n) return 0;
        for (std::size_t i = 0; i < len; ++i) {
          dst[o + 2 * i] = src[in];
          dst[o + 2 * i + 1] = src[in + 1];
        }
        in += 2;
        break;
      case 3:
        if (in >= n) return 0;
        for (std::size_t i = 0; i < len; ++i) dst[o + i] = static_cast<std::uint8_t>(src[in] + i);
        ++in;
        break;
      default: {
        if (in + 2 > n) return 0;
        const std::size_t a = std::size_t{src[in]} << 8 | src[in + 1];
        in += 2;
        if (a >= o) return 0;
        if (cmd == 5) {
          for (std::size_t i = 0; i < len; ++i) dst[o + i] = reversed[dst[a + i]];
        } else if (cmd == 6) {
          if (a + 1 < len) return 0;
          for (std::size_t i = 0; i < len; ++i) dst[o + i] = dst[a - i];
        } else {
          for (std::size_t i = 0; i < len; ++i) dst[o + i] = dst[a + i];
        }
      }
    }
    o += bytes;
  }
}

}  // namespace tegulo::bench
