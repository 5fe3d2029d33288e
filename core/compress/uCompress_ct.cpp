// "LZSS-CT": control bytes read from the lowest bit up, a set bit marks a back-reference;
// section records placed inside the stream end it or set the token count of the next
// control byte.
//
// A control byte of the usual eight tokens whose bytes are sure to lie inside the stream
// and whose output fits runs without per-token checks and with wide copies; records, other
// counts and everything near the ends go through the careful loop.
#include <algorithm>

#include "base/stream_view.h"
#include "compress/ct_layout.h"
#include "compress/decoder_paths.h"
#include "compress/lz_copy.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// Eight tokens read at most 1 + 8 * 2 bytes (their 8-byte moves up to 8 more) and write at
// most 8 * 34 bytes, the wide moves up to 40 past a token's start.
constexpr std::size_t kGroupIn = 17 + 8;
constexpr std::size_t kGroupReach = 8 * 34 + 40;

// One loop over the tokens with every bound check inline, kept whole as the hot path.
template <bool kFast>
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::uint32_t Decode(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();

  std::size_t next = ReadLePadded(stream, 0, 2) + std::size_t{2};
  if (next >= n) return 0;  // the offset mode is unknown
  // The first record fixes the mode for the whole stream.
  const ct::TMode& mode = ct::ModeOfFirstRecord(src[next]);
  const unsigned lengthShift = mode.lengthShift;
  const unsigned distanceMask = mode.distanceMask;

  std::size_t in = 2;
  std::size_t o = 0;
  unsigned count = 8;
  lz::TSavedBytes<kGroupReach> saved{out, outN, o};

  // One back-reference: a distance back from the output position (0 reads the bytes about
  // to be written) and a length. False when decoding must stop.
  const auto CopyMatch = [&]() -> bool {
    if (in + 1 >= n) return false;
    const unsigned r = src[in] | (static_cast<unsigned>(src[in + 1]) << 8);
    in += 2;
    const std::size_t len = (r >> lengthShift) + 3;
    const std::size_t dist = r & distanceMask;
    if (dist <= o && o + len <= outN) {
      for (std::size_t i = 0; i < len; ++i, ++o) out[o] = out[o - dist];
      return true;
    }
    for (std::size_t i = 0; i < len; ++i, ++o) {
      if (o >= outN) return false;
      out[o] = o >= dist ? out[o - dist] : 0;
    }
    return true;
  };

  for (;;) {
    if constexpr (kFast) {
      // The output position lives in a local here: `saved` refers to `o`, which would keep
      // it in memory all through the hot loop.
      std::size_t w = o;
      // A record can only stand at a control-byte boundary: each group checks for one first.
      while (in != next && count == 8 && in + kGroupIn <= n && w + kGroupReach <= outN) {
        if (src[in] == 0) {  // eight raw bytes, written exactly
          lz::Store8(out + w, lz::Load8(src + in + 1));
          in += 9;
          w += 8;
          continue;
        }
        saved.Cover(w);
        // A set bit for each reference, then a stop bit: what is left once all eight are used.
        unsigned refs = static_cast<unsigned>(src[in++]) | 0x100u;
        for (;;) {
          // The literals before the next reference, moved 8 bytes at once (even when there
          // are none: the reference overwrites them).
          const int k = __builtin_ctz(refs);
          lz::Store8(out + w, lz::Load8(src + in));
          w += static_cast<std::size_t>(k);
          in += static_cast<std::size_t>(k);
          refs >>= k;
          if (refs == 1) break;
          const unsigned r = src[in] | (static_cast<unsigned>(src[in + 1]) << 8);
          in += 2;
          const std::size_t len = (r >> lengthShift) + 3;
          const std::size_t dist = r & distanceMask;
          if (dist == 0) {
            // Each byte copied onto itself: the buffer keeps what it held before this call.
            saved.Restore(w, len);
          } else {
            // Three moves cover the lengths of 12-bit distances (up to 18) and most of those
            // of 11-bit ones (up to 34); fewer bytes written past the copy make fewer later
            // reads wait for them.
            lz::CopyWide<3>(out, w, dist, len);
            if (len > 24) lz::CopyWide<2>(out, w + 24, dist, len - 24);
          }
          w += len;
          refs >>= 1;
        }
        saved.reached = std::max(saved.reached, w + 40);
      }
      o = w;
      // The careful loop reads the bytes at the output position itself (distance 0).
      saved.Settle();
    }

    // Records are looked for only here, between control bytes.
    while (in == next) {
      if (in >= n) return static_cast<std::uint32_t>(o);
      const unsigned tokens = src[in] & 0x3Fu;
      if (tokens == 0 || in + 2 >= n) return static_cast<std::uint32_t>(o);
      count = tokens;
      next = src[in + 1] | (static_cast<std::size_t>(src[in + 2]) << 8);
      in += 3;
    }
    if (in >= n) return static_cast<std::uint32_t>(o);
    const unsigned ctl = src[in++];
    if (ctl == 0) {
      // Eight raw bytes whatever the count; the count waits for the next control byte.
      for (int i = 0; i < 8; ++i) {
        if (in >= n || o >= outN) return static_cast<std::uint32_t>(o);
        out[o++] = src[in++];
      }
      continue;
    }
    for (unsigned j = 0; j < count; ++j) {
      if (j < 8 && ((ctl >> j) & 1u) != 0) {
        if (!CopyMatch()) return static_cast<std::uint32_t>(o);
      } else {
        if (in >= n || o >= outN) return static_cast<std::uint32_t>(o);
        out[o++] = src[in++];
      }
    }
    count = 8;
  }
}

}  // namespace

std::uint32_t DecompressCT(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return Decode<true>(stream, output);
}

std::uint32_t DecompressCTCareful(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  return Decode<false>(stream, output);
}

}  // namespace tegulo
