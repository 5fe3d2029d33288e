// "LZ77-10"'s layout in one place: the header, the back-reference bytes and their limits, and
// the token walk that the careful decoder reads the stream with (the scan's checkers may
// share it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/shared/layout_visit.h"

namespace tegulo::lz10 {

inline constexpr std::uint8_t kTypeByte = 0x10;
inline constexpr std::size_t kHeaderSize = 4;  // type byte, then the raw size in 24 bits
inline constexpr std::uint32_t kMaxRawSize = 0xFFFFFF;
inline constexpr std::size_t kMinLength = 3;
inline constexpr std::size_t kMaxLength = 18;
inline constexpr std::size_t kMaxDistance = 4096;

// A back-reference: the distance back from the output position (1..4096) and the length.
struct TReference {
  std::size_t distance;
  std::size_t length;
};

// Length - 3 in the top four bits of the first byte, distance - 1 in the twelve below.
constexpr TReference SplitReference(unsigned b0, unsigned b1) {
  return {((b0 & 0x0Fu) << 8) + b1 + 1, (b0 >> 4) + kMinLength};
}

// The two bytes of a reference, the first in the low byte.
constexpr std::uint16_t JoinReference(std::size_t distance, std::size_t length) {
  const std::size_t d = distance - 1;
  return static_cast<std::uint16_t>((((length - kMinLength) << 4) | (d >> 8)) | (d & 0xFFu) << 8);
}

enum class TWalkEnd { kDone, kCut, kStopped };
struct TWalk {
  TWalkEnd end;
  std::size_t in;     // bytes read (for kCut: the stream's length)
  std::uint64_t out;  // output the tokens read yield
};

// Walks the tokens from stream position `in`, a flag-byte boundary with `out` bytes of output
// before it: flag bytes read from the top bit down, a set bit a back-reference. The visitor's
// Done(in, out) is asked before each flag byte and after each token; Literal(out) (or
// Literal(out, byte), where the visitor takes the byte) and Reference(out, TReference) return
// false to stop (`out` the output position before the
// token).
// Inlined into each user, so the visitor's state stays in registers: the output bytes a
// decoder writes could otherwise alias it.
template <class V>
[[gnu::always_inline]] inline TWalk WalkTokensFrom(std::span<const std::uint8_t> s, V& visit,
                                                   std::size_t in, std::uint64_t out) {
  const std::size_t n = s.size();
  for (;;) {
    if (visit.Done(in, out)) return {TWalkEnd::kDone, in, out};
    if (in >= n) return {TWalkEnd::kCut, n, out};
    const unsigned flags = s[in++];
    for (unsigned mask = 0x80; mask != 0; mask >>= 1) {
      bool go = true;
      if ((flags & mask) == 0) {
        if (in >= n) return {TWalkEnd::kCut, n, out};
        go = lz::VisitLiteral(visit, out, s[in]);
        ++in;
        ++out;
      } else {
        if (n - in < 2) return {TWalkEnd::kCut, n, out};
        const TReference r = SplitReference(s[in], s[in + 1]);
        in += 2;
        go = visit.Reference(out, r);
        out += r.length;
      }
      if (!go) return {TWalkEnd::kStopped, in, out};
      if (visit.Done(in, out)) return {TWalkEnd::kDone, in, out};
    }
  }
}

template <class V>
TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit) {
  return WalkTokensFrom(s, visit, kHeaderSize, 0);
}

}  // namespace tegulo::lz10
