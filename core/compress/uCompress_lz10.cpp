// "LZ77-10": flag bytes read from the top bit down, a set bit marks a back-reference
// with a 12-bit distance (plus one) and a 4-bit length.
//
// A flag byte and its eight tokens form a group. Where a whole group is sure to stay inside
// the stream and below the announced size, it runs without per-token checks and with wide
// copies; the careful loop takes every other group, so the bound rules stay those of a
// byte-at-a-time decoder.
#include <algorithm>

#include "base/stream_view.h"
#include "compress/decoder_paths.h"
#include "compress/lz_copy.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// A group reads at most 1 + 8 * 2 bytes and writes at most 8 * 18.
constexpr std::size_t kGroupIn = 17;
constexpr std::size_t kGroupOut = 8 * 18;

template <bool kFast>
std::uint32_t Decode(std::span<const std::uint8_t> stream, tLZStream& output, bool* notValid) {
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
  for (;;) {
    if constexpr (kFast) {
      // size <= outN, so the group's writes fit; the end test between its tokens never fires.
      while (in + kGroupIn <= n && o + kGroupOut < size) {
        unsigned flags = src[in++];
        if (flags == 0) {
          lz::Store8(out + o, lz::Load8(src + in));
          in += 8;
          o += 8;
          continue;
        }
        for (int t = 0; t < 8; ++t, flags <<= 1) {
          if ((flags & 0x80u) == 0) {
            out[o++] = src[in++];
            continue;
          }
          const unsigned b0 = src[in];
          const unsigned b1 = src[in + 1];
          in += 2;
          const std::size_t len = (b0 >> 4) + 3;
          const std::size_t dist = ((b0 & 0x0Fu) << 8) + b1 + 1;
          if (dist <= o) {
            lz::CopyBack(out, o, dist, len);
          } else {
            // Source positions before the output start give zeros.
            for (std::size_t i = 0; i < len; ++i)
              out[o + i] = o + i >= dist ? out[o + i - dist] : 0;
          }
          o += len;
        }
      }
    }
    if (o >= size) break;

    // One group, every step checked.
    if (in >= n) return static_cast<std::uint32_t>(n);
    const unsigned flags = src[in++];
    for (unsigned mask = 0x80; mask != 0 && o < size; mask >>= 1) {
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
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

}  // namespace

std::uint32_t DecompressLZ10(std::span<const std::uint8_t> stream, tLZStream& output,
                             bool* notValid) {
  return Decode<true>(stream, output, notValid);
}

std::uint32_t DecompressLZ10Careful(std::span<const std::uint8_t> stream, tLZStream& output) {
  return Decode<false>(stream, output, nullptr);
}

}  // namespace tegulo
