// "LZ77-10": flag bytes read from the top bit down, a set bit marks a back-reference
// with a 12-bit distance (plus one) and a 4-bit length.
//
// A flag byte and its eight tokens form a group. Where a whole group is sure to stay inside
// the stream and below the announced size, it runs without per-token checks and with wide
// copies; a checked loop takes every other group, so the bound rules stay those of a
// byte-at-a-time decoder. The careful form is the layout's token walk alone.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "base/stream_view.h"
#include "compress/flag/lz10_layout.h"
#include "compress/shared/careful_decoders.h"
#include "compress/shared/lz_copy.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// A group reads at most 1 + 8 * 2 bytes and writes at most 8 * 18. Its wide moves read up
// to 8 bytes past its last input byte and write up to 21 past its last output byte.
constexpr std::size_t kGroupIn = 17 + 8;
constexpr std::size_t kGroupOut = 8 * lz10::kMaxLength + 24;

// The careful decoder: a visitor of the layout's token walk that writes each token, checked.
// The walk ends at the announced size.
struct TCarefulDecoder {
  std::uint8_t* out;
  std::size_t outN;
  std::size_t size;
  std::size_t o;  // output bytes written

  bool Done(std::size_t /*in*/, std::uint64_t /*out*/) const { return o >= size; }
  bool Literal(std::uint64_t /*out*/, std::uint8_t v) {
    if (o >= outN) return false;  // never: o < size <= outN
    out[o++] = v;
    return true;
  }
  // The last reference may run past the announced size up to the end of the output.
  bool Reference(std::uint64_t /*out*/, lz10::TReference r) {
    const std::size_t fit = std::min(r.length, outN - o);
    lz::CopyChecked(out, o, r.distance, fit);
    o += fit;
    return fit == r.length;
  }
};

// The announced size from the header, the output lengthened to it.
std::size_t ReadHeader(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                       bool* notValid) {
  const std::uint32_t header = ReadLePadded(stream, 0, lz10::kHeaderSize);
  if (notValid != nullptr) *notValid = (header & 0xFFu) != lz10::kTypeByte;
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  return size;
}

// Walks the tokens from `in` (a flag-byte boundary, `o` bytes written) to the end, checked.
std::uint32_t DecodeCarefully(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                              std::size_t size, std::size_t in, std::size_t o) {
  TCarefulDecoder visit{output.data(), output.size(), size, o};
  const lz10::TWalk w = lz10::WalkTokensFrom(stream, visit, in, o);
  return static_cast<std::uint32_t>(std::min(w.in, stream.size()));
}

// The fast form: one loop over the tokens with every bound check inline, kept whole as the
// hot path. Its checked loop takes the groups near the ends, reading the tokens with the
// layout's helpers as the walk does; the careful form is the walk alone.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::uint32_t Decode(std::span<const std::uint8_t> stream, TDecodeBuffer& output, bool* notValid) {
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  const std::size_t size = ReadHeader(stream, output, notValid);
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();

  std::size_t in = lz10::kHeaderSize;
  std::size_t o = 0;
  lz::TSavedBytes<kGroupOut> saved{out, outN, o};
  for (;;) {
    {
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
          const lz10::TReference r = lz10::SplitReference(src[in], src[in + 1]);
          in += 2;
          lz::CopyWideOrRun<3>(out, o, r.distance, r.length);
          o += r.length;
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
      const auto [dist, len] = lz10::SplitReference(src[in], src[in + 1]);
      in += 2;
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
  return Decode(stream, output, notValid);
}

std::uint32_t DecompressLZ10Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  const std::size_t size = ReadHeader(stream, output, nullptr);
  return DecodeCarefully(stream, output, size, lz10::kHeaderSize, 0);
}

}  // namespace tegulo
