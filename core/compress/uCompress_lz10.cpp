// "LZ77-10": flag bytes read from the top bit down, a set bit marks a back-reference
// with a 12-bit distance (plus one) and a 4-bit length.
//
// A flag byte and its eight tokens form a group. Where a whole group is sure to stay inside
// the stream and below the announced size, it runs without per-token checks and with wide
// copies; the careful loop takes every other group, so the bound rules stay those of a
// byte-at-a-time decoder.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "base/stream_view.h"
#include "compress/decoder_paths.h"
#include "compress/lz_copy.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// A group reads at most 1 + 8 * 2 bytes and writes at most 8 * 18. Its wide moves read up
// to 8 bytes past its last input byte and write up to 21 past its last output byte.
constexpr std::size_t kGroupIn = 17 + 8;
constexpr std::size_t kGroupOut = 8 * 18 + 24;

// One loop over the tokens with every bound check inline, kept whole as the hot path.
template <bool kFast>
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::uint32_t Decode(std::span<const std::uint8_t> stream, TDecodeBuffer& output, bool* notValid) {
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
  lz::TSavedBytes<kGroupOut> saved{out, outN, o};
  for (;;) {
    if constexpr (kFast) {
      // One group without per-token checks. kSave: first put aside in `saved` the bytes its
      // wide moves may write past its end, for decoding may stop right after it.
      const auto group = [&](auto kSave) {
        if (src[in] == 0) {  // eight literals, written exactly
          lz::Store8(out + o, lz::Load8(src + in + 1));
          in += 9;
          o += 8;
          return;
        }
        if constexpr (kSave) saved.Cover(o);
        // The flag bits on top, then a stop bit: what is left once all eight are used.
        std::uint32_t flags = static_cast<std::uint32_t>(src[in++]) << 24 | 0x00800000u;
        for (;;) {
          // The literals before the next reference, moved 8 bytes at once (even when there
          // are none: the reference overwrites them).
          const int k = __builtin_clz(flags);
          lz::Store8(out + o, lz::Load8(src + in));
          o += static_cast<std::size_t>(k);
          in += static_cast<std::size_t>(k);
          flags <<= k;
          if (flags == 0x80000000u) break;
          const unsigned b0 = src[in];
          const unsigned b1 = src[in + 1];
          in += 2;
          const std::size_t len = (b0 >> 4) + 3;
          lz::CopyWideOrRun<3>(out, o, ((b0 & 0x0Fu) << 8) + b1 + 1, len);
          o += len;
          flags <<= 1;
        }
        if constexpr (kSave) saved.reached = std::max(saved.reached, o + 24);
      };
      // size <= outN, so a group's moves stay inside; the end test between its tokens never
      // fires. Far from both ends, at least three more groups follow each group, and they
      // write, exactly, more than the 21 bytes its moves reach past it: nothing is put aside
      // there. Once left, this loop is never entered again (`in` and `o` only grow).
      while (in + 4 * kGroupIn <= n && o + 4 * kGroupOut < size) group(std::false_type{});
      while (in + kGroupIn <= n && o + kGroupOut < size) group(std::true_type{});
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

std::uint32_t DecompressLZ10(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid) {
  return Decode<true>(stream, output, notValid);
}

std::uint32_t DecompressLZ10Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return Decode<false>(stream, output, nullptr);
}

}  // namespace tegulo
