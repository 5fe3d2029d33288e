// "LZSS-FF5" and "LZSS-FF6": one scheme with a 2048-byte ring, flag bits read from the
// lowest up, a set bit marks a literal; the two differ in the header, the back-reference
// layout, the end test and the count returned.
#include <algorithm>
#include <array>

#include "base/stream_view.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

constexpr std::size_t kRingSize = 2048;
constexpr std::size_t kRingMask = kRingSize - 1;
constexpr std::size_t kRingStart = 2014;

template <bool kFF6>
// One loop over the tokens with every bound check inline, kept whole as the hot path.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::uint32_t DecompressFF(std::span<const std::uint8_t> stream, tLZStream& output) {
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();
  // FF5: the announced size; FF6: the stream length, header included.
  const std::size_t limit = ReadLePadded(stream, 0, 2);

  std::array<std::uint8_t, kRingSize> ring{};
  std::size_t w = kRingStart;
  std::size_t in = 2;
  std::size_t o = 0;
  const auto result = [&]() -> std::uint32_t {
    return static_cast<std::uint32_t>(kFF6 ? o : std::min(in, n));
  };
  const auto more = [&]() { return kFF6 ? in < limit : o < limit; };

  while (more()) {
    if (in >= n) return result();
    unsigned flags = src[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      if (flags & 1u) {
        if (in >= n) return result();
        const std::uint8_t v = src[in++];
        if (o >= outN) return result();
        out[o++] = v;
        ring[w] = v;
        w = (w + 1) & kRingMask;
      } else {
        if (in + 1 >= n) {
          in = n;  // the first byte of the reference was there and counts as consumed
          return result();
        }
        const unsigned b0 = src[in];
        const unsigned b1 = src[in + 1];
        in += 2;
        std::size_t p;
        std::size_t len;
        if constexpr (kFF6) {
          p = b0 + ((b1 & 0x07u) << 8);
          len = (b1 >> 3) + 3;
        } else {
          p = b0 + ((b1 & 0xE0u) << 3);
          len = (b1 & 0x1Fu) + 3;
        }
        const std::size_t fit = std::min(len, outN - o);
        for (std::size_t i = 0; i < fit; ++i) {
          const std::uint8_t v = ring[p];
          out[o++] = v;
          ring[w] = v;
          w = (w + 1) & kRingMask;
          p = (p + 1) & kRingMask;
        }
        if (fit < len) return result();
      }
      if (!more()) return result();
    }
  }
  return result();
}

}  // namespace

std::uint32_t DecompressFF5(std::span<const std::uint8_t> stream, tLZStream& output) {
  return DecompressFF<false>(stream, output);
}

std::uint32_t DecompressFF6(std::span<const std::uint8_t> stream, tLZStream& output) {
  return DecompressFF<true>(stream, output);
}

}  // namespace tegulo
