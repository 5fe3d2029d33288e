// "LZSS-FF5" and "LZSS-FF6": one scheme with a 2048-byte ring, flag bits read from the
// lowest up, a set bit marks a literal; the two differ in the header, the back-reference
// layout, the end test and the count returned.
//
// The ring always holds the last 2048 output bytes, output byte k at index
// (ff::kRingStart + k) mod 2048, and zeros where no byte has come yet. So ring index p, read when
// the next output byte is number o, is output byte o - d with d = ((w - p - 1) mod 2048) + 1, or
// zero when d > o: the decoder copies from its own output instead of keeping the ring. A group (a
// flag byte and its eight tokens) sure to stay inside the stream, the output and the end
// test runs without per-token checks.
#include <algorithm>

#include "base/stream_view.h"
#include "compress/flag/ff_layout.h"
#include "compress/shared/careful_decoders.h"
#include "compress/shared/lz_copy.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// A group reads at most 1 + 8 * 2 bytes (its 8-byte moves up to 8 more) and writes at most
// 8 * 34 bytes, its wide moves up to 40 past a token's start.
constexpr std::size_t kGroupIn = 17 + 8;
constexpr std::size_t kGroupOut = 8 * 34;
constexpr std::size_t kGroupReach = kGroupOut + 40;

// The careful decoder: a visitor of the family's token walk that writes each token, checked.
// FF5's walk ends at the announced size, FF6's at the announced stream length.
template <bool kFF6>
struct TCarefulDecoder {
  std::uint8_t* out;
  std::size_t outN;
  std::size_t limit;
  std::size_t o;  // output bytes written

  bool Done(std::size_t in, std::uint64_t /*out*/) const { return kFF6 ? in >= limit : o >= limit; }
  bool Literal(std::uint64_t /*out*/, std::uint8_t v) {
    if (o >= outN) return false;  // the literal's byte still counts as consumed
    out[o++] = v;
    return true;
  }
  bool Reference(std::uint64_t /*out*/, ff::TReference r) {
    const std::size_t fit = std::min(r.length, outN - o);
    lz::CopyChecked(out, o, r.Distance(o), fit);
    o += fit;
    return fit == r.length;
  }
};

// Walks the tokens from `in` (a flag-byte boundary, `o` bytes written) to the end, checked.
template <bool kFF6>
std::uint32_t DecodeCarefully(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                              std::size_t in, std::size_t o) {
  TCarefulDecoder<kFF6> visit{output.data(), output.size(), ReadLePadded(stream, 0, 2), o};
  const ff::TWalk w = ff::WalkTokensFrom<kFF6>(stream, visit, in, o);
  // A cut reference counts the byte that was there; a header cut short counts what there is.
  return static_cast<std::uint32_t>(kFF6 ? visit.o : std::min(w.in, stream.size()));
}

// The fast form: one loop over the groups with every bound check inline, kept whole as the
// hot path. Its checked loop takes the groups near the ends, reading the tokens with the
// layout's helpers as the walk does; the careful form is the walk alone.
template <bool kFF6>
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::uint32_t Decode(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();
  const std::size_t limit = ReadLePadded(stream, 0, 2);

  std::size_t in = ff::kHeaderSize;
  std::size_t o = 0;
  lz::TSavedBytes<kGroupReach> saved{out, outN, o};
  const auto result = [&]() -> std::uint32_t {
    return static_cast<std::uint32_t>(kFF6 ? o : std::min(in, n));
  };
  const auto more = [&]() { return kFF6 ? in < limit : o < limit; };
  // Whether none of a whole group's eight end tests can fire.
  const auto groupBeforeEnd = [&]() {
    return kFF6 ? in + kGroupIn < limit : o + kGroupOut < limit;
  };

  while (more()) {
    while (in + kGroupIn <= n && o + kGroupReach <= outN && groupBeforeEnd()) {
      if (src[in] == 0xFFu) {  // eight literals, written exactly
        lz::Store8(out + o, lz::Load8(src + in + 1));
        in += 9;
        o += 8;
        continue;
      }
      saved.Cover(o);
      // A set bit for each reference, then a stop bit: what is left once all eight are used.
      unsigned refs = (~static_cast<unsigned>(src[in++]) & 0xFFu) | 0x100u;
      for (;;) {
        // The literals before the next reference, moved 8 bytes at once (even when there
        // are none: the reference overwrites them).
        const int k = __builtin_ctz(refs);
        lz::Store8(out + o, lz::Load8(src + in));
        o += static_cast<std::size_t>(k);
        in += static_cast<std::size_t>(k);
        refs >>= k;
        if (refs == 1) break;
        const ff::TReference r = ff::SplitReference<kFF6>(src[in], src[in + 1]);
        in += 2;
        // Three moves cover most lengths (up to 24 of 34); fewer bytes written past the copy
        // make fewer later reads wait for them.
        const std::size_t dist = r.Distance(o);
        lz::CopyWide<3>(out, o, dist, r.length);
        if (r.length > 24) lz::CopyWide<2>(out, o + 24, dist, r.length - 24);
        o += r.length;
        refs >>= 1;
      }
      saved.reached = std::max(saved.reached, o + 40);
    }
    if (!more()) break;

    // One group, every step checked.
    if (in >= n) return result();
    unsigned flags = src[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      if (flags & 1u) {
        if (in >= n) return result();
        const std::uint8_t v = src[in++];
        if (o >= outN) return result();
        out[o++] = v;
      } else {
        if (in + 1 >= n) {
          in = n;  // the first byte of the reference was there and counts as consumed
          return result();
        }
        const ff::TReference r = ff::SplitReference<kFF6>(src[in], src[in + 1]);
        in += 2;
        const std::size_t fit = std::min(r.length, outN - o);
        lz::CopyChecked(out, o, r.Distance(o), fit);
        o += fit;
        if (fit < r.length) return result();
      }
      if (!more()) return result();
    }
  }
  return result();
}

}  // namespace

std::uint32_t DecompressFF5(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return Decode<false>(stream, output);
}

std::uint32_t DecompressFF5(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                            bool* notValid) {
  *notValid = false;
  return Decode<false>(stream, output);
}

std::uint32_t DecompressFF6(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return Decode<true>(stream, output);
}

std::uint32_t DecompressFF6(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                            bool* notValid) {
  // The length counts the two header bytes themselves.
  *notValid = ReadLePadded(stream, 0, 2) < ff::kHeaderSize;
  return Decode<true>(stream, output);
}

std::uint32_t DecompressFF5Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return DecodeCarefully<false>(stream, output, ff::kHeaderSize, 0);
}

std::uint32_t DecompressFF6Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return DecodeCarefully<true>(stream, output, ff::kHeaderSize, 0);
}

}  // namespace tegulo
