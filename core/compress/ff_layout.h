// The ring family "LZSS-FF5" / "LZSS-FF6" in one place: the ring, the back-reference bytes of
// each scheme, and the token walk that the scan's checker and the extent walk share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/uCompress.h"

namespace tegulo::ff {

inline constexpr std::size_t kRingMask = kFFRingSize - 1;
inline constexpr std::size_t kHeaderSize = 2;
inline constexpr std::size_t kMinLength = 3;
inline constexpr std::size_t kMaxLength = 34;

// A back-reference: the source's index in the ring and the length.
struct TReference {
  std::size_t index;
  std::size_t length;
  // The distance back from output byte `out`, 1..2048 (the ring holds the last 2048 bytes,
  // output byte k at index (kFFRingStart + k) mod 2048).
  std::size_t Distance(std::size_t out) const {
    const std::size_t w = (kFFRingStart + out) & kRingMask;
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
  const std::size_t p = (kFFRingStart + written - distance) & kRingMask;
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

// Walks the tokens after the header as the decoders read them: flag bytes read from the
// lowest bit up, a set bit a literal. The visitor's Done(in, out) is asked before each flag
// byte and after each token; Literal(out) and Reference(out, TReference) return false to stop
// (`out` the output position before the token).
template <bool kFF6, class V>
TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit) {
  const std::size_t n = s.size();
  std::size_t in = kHeaderSize;
  std::uint64_t out = 0;
  for (;;) {
    if (visit.Done(in, out)) return {TWalkEnd::kDone, in, out};
    if (in >= n) return {TWalkEnd::kCut, n, out};
    unsigned flags = s[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      bool go = true;
      if ((flags & 1u) != 0) {
        if (in >= n) return {TWalkEnd::kCut, n, out};
        go = visit.Literal(out);
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

}  // namespace tegulo::ff
