// The ring family "LZSS-FF5" / "LZSS-FF6" in one place: the ring, the header and
// back-reference bytes of each scheme, and the token walk that the careful decoder, the
// scan's checker and the extent walk share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/shared/layout_visit.h"

namespace tegulo::ff {

// The ring, and the index of the first output byte in it.
inline constexpr std::size_t kRingSize = 2048;
inline constexpr std::size_t kRingStart = 2014;
inline constexpr std::size_t kRingMask = kRingSize - 1;
inline constexpr std::size_t kHeaderSize = 2;
// The 16-bit header: FF5's raw size, FF6's stream length.
inline constexpr std::uint32_t kMaxHeaderValue = 0xFFFF;
inline constexpr std::size_t kMinLength = 3;
inline constexpr std::size_t kMaxLength = 34;

// A back-reference: the source's index in the ring and the length.
struct TReference {
  std::size_t index;
  std::size_t length;
  // The distance back from output byte `out`, 1..2048 (the ring holds the last 2048 bytes,
  // output byte k at index (kRingStart + k) mod 2048).
  std::size_t Distance(std::size_t out) const {
    const std::size_t w = (kRingStart + out) & kRingMask;
    return ((w - index - 1) & kRingMask) + 1;
  }
};

// FF5: index bits 8..10 in the top three bits of the second byte, length - 3 below them.
// FF6: length - 3 in the top five bits, index bits 8..10 in the low three.
template <bool kFF6>
constexpr TReference SplitReference(unsigned b0, unsigned b1) {
  if constexpr (kFF6) {
    return {b0 + ((b1 & 0x07u) << 8), (b1 >> 3) + kMinLength};
  } else {
    return {b0 + ((b1 & 0xE0u) << 3), (b1 & 0x1Fu) + kMinLength};
  }
}

// The two bytes of a reference made after `written` output bytes to a source `distance` back.
template <bool kFF6>
constexpr std::uint16_t JoinReference(std::size_t written, std::size_t distance,
                                      std::size_t length) {
  const std::size_t p = (kRingStart + written - distance) & kRingMask;
  const std::size_t len = length - kMinLength;
  const std::size_t b1 = kFF6 ? (len << 3) | (p >> 8) : ((p >> 8) << 5) | len;
  return static_cast<std::uint16_t>((p & 0xFFu) | b1 << 8);
}

enum class TWalkEnd { kDone, kCut, kStopped };
struct TWalk {
  TWalkEnd end;
  std::size_t in;     // bytes read
  std::uint64_t out;  // output the tokens read yield
};

// Walks the tokens from stream position `in`, a flag-byte boundary with `out` bytes of output
// before it, as the decoders read them: flag bytes read from the lowest bit up, a set bit a
// literal. The visitor's Done(in, out) is asked before each flag byte and after each token;
// Literal(out) (or Literal(out, byte), where the visitor takes the byte) and
// Reference(out, TReference) return false to stop (`out` the output position before the
// token).
// Inlined into each user, so the visitor's state stays in registers: the output bytes a
// decoder writes could otherwise alias it.
template <bool kFF6, class V>
[[gnu::always_inline]] inline TWalk WalkTokensFrom(std::span<const std::uint8_t> s, V& visit,
                                                   std::size_t in, std::uint64_t out) {
  const std::size_t n = s.size();
  for (;;) {
    if (visit.Done(in, out)) return {TWalkEnd::kDone, in, out};
    if (in >= n) return {TWalkEnd::kCut, n, out};
    unsigned flags = s[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      bool go = true;
      if ((flags & 1u) != 0) {
        if (in >= n) return {TWalkEnd::kCut, n, out};
        go = lz::VisitLiteral(visit, out, s[in]);
        ++in;
        ++out;
      } else {
        if (n - in < 2) return {TWalkEnd::kCut, n, out};
        const TReference r = SplitReference<kFF6>(s[in], s[in + 1]);
        in += 2;
        go = visit.Reference(out, r);
        out += r.length;
      }
      if (!go) return {TWalkEnd::kStopped, in, out};
      if (visit.Done(in, out)) return {TWalkEnd::kDone, in, out};
    }
  }
}

// The walk of a whole stream, from the first flag byte after the header.
template <bool kFF6, class V>
TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit) {
  return WalkTokensFrom<kFF6>(s, visit, kHeaderSize, 0);
}

}  // namespace tegulo::ff
