// "LZ77-10": flag bytes read from the top bit down, a set bit marks a back-reference
// with a 12-bit distance (plus one) and a 4-bit length.
#include <algorithm>

#include "base/stream_view.h"
#include "compress/uCompress.h"

namespace tegulo {

// One loop over the tokens with every bound check inline, kept whole as the hot path.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::uint32_t DecompressLZ10(std::span<const std::uint8_t> stream, tLZStream& output,
                             bool* notValid) {
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  const std::uint32_t header = ReadLePadded(stream, 0, 4);
  if (notValid != nullptr) *notValid = (header & 0xFFu) != 0x10u;

  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();

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
    if ((flags & mask) == 0) {
      if (in >= n) return static_cast<std::uint32_t>(n);
      out[o++] = src[in++];  // o < size <= outN: a literal always fits
      continue;
    }
    if (in + 1 >= n) return static_cast<std::uint32_t>(n);
    const unsigned b0 = src[in];
    const unsigned b1 = src[in + 1];
    in += 2;
    const std::size_t len = (b0 >> 4) + 3;
    const std::size_t dist = ((b0 & 0x0Fu) << 8) + b1 + 1;
    if (dist <= o && o + len <= outN) {
      for (std::size_t i = 0; i < len; ++i, ++o) out[o] = out[o - dist];
      continue;
    }
    // The last reference may run past the end of the output; the source may begin before it.
    for (std::size_t i = 0; i < len; ++i, ++o) {
      if (o >= outN) return static_cast<std::uint32_t>(in);
      out[o] = o >= dist ? out[o - dist] : 0;
    }
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

}  // namespace tegulo
