// The reference LZ77-10 decoder of the benchmarks: a byte at a time, every step checked,
// as the common decoders of this format work. Same rules as DecompressLZ10.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tegulo::bench {

inline std::uint32_t PlainLZ10(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& out) {
  const std::size_t n = src.size();
  if (n < 4) return static_cast<std::uint32_t>(n);
  const std::size_t size = src[1] | (std::size_t{src[2]} << 8) | (std::size_t{src[3]} << 16);
  if (out.size() < size) out.resize(size);
  std::uint8_t* dst = out.data();
  const std::size_t outN = out.size();
  std::size_t in = 4;
  std::size_t o = 0;
  unsigned flags = 0;
  unsigned mask = 0;
  while (o < size) {
    mask >>= 1;
    if (mask == 0) {
      if (in >= n) return static_cast<std::uint32_t>(n);
      flags = src[in++];
      mask = 0x80;
    }
    if (flags & mask) {
      if (in + 1 >= n) return static_cast<std::uint32_t>(n);
      const std::size_t len = (src[in] >> 4) + 3;
      const std::size_t dist = ((src[in] & 0x0Fu) << 8 | src[in + 1]) + 1;
      in += 2;
      for (std::size_t i = 0; i < len; ++i, ++o) {
        if (o >= outN) return static_cast<std::uint32_t>(in);
        dst[o] = o >= dist ? dst[o - dist] : 0;
      }
    } else {
      if (in >= n) return static_cast<std::uint32_t>(n);
      dst[o++] = src[in++];
    }
  }
  return static_cast<std::uint32_t>(in);
}

}  // namespace tegulo::bench
