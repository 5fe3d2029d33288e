// The token walk of the flag-byte family (LZ77-10, LZ77-11, LZSS-FF5, LZSS-FF6): a flag byte,
// then eight tokens, each a literal byte or a back-reference as its flag bit says. The
// schemes differ only in a small layout type, which the walk reads:
//   L::kTopBitFirst         flag bits read from the top bit down (else from the lowest up)
//   L::kSetBitIsReference   a set flag bit marks a back-reference (else a literal)
//   L::kMinReferenceSize    the fewest bytes a reference takes
//   L::ReferenceSize(b0)    the bytes of the reference whose first byte is b0
//   L::TReference, L::SplitReference(const std::uint8_t*)   a reference from its bytes
// The decoders' careful forms, the scan's checkers, the extent walks and the scan's
// statistics are all visitors of this one walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/shared/layout_visit.h"

namespace tegulo::flag {

enum class TWalkEnd { kDone, kCut, kStopped };
struct TWalk {
  TWalkEnd end;
  std::size_t in;     // bytes read (for kCut: the stream's length)
  std::uint64_t out;  // output the tokens read yield
  // kDone: the flag bits of the last group after its last token, in place (0 when encoders
  // wrote it), and whether that token was not its group's eighth.
  unsigned restFlags = 0;
  bool midGroup = false;
};

// Walks the tokens from stream position `in`, a flag-byte boundary with `out` bytes of output
// before it. The visitor's Done(in, out) is asked before each flag byte and after each token;
// Literal(out) (or Literal(out, byte), where the visitor takes the byte) and
// Reference(out, L::TReference) return false to stop (`out` the output position before the
// token).
// Inlined into each user, so the visitor's state stays in registers: the output bytes a
// decoder writes could otherwise alias it. Kept as one loop with its checks inline, the
// scan's hot path (a token step of its own made the LZ77-10 scan's table pass 1.7 times
// slower).
template <class L, class V>
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
[[gnu::always_inline]] inline TWalk WalkTokensFrom(std::span<const std::uint8_t> s, V& visit,
                                                   std::size_t in, std::uint64_t out) {
  const std::size_t n = s.size();
  if (visit.Done(in, out)) return {TWalkEnd::kDone, in, out};
  for (;;) {
    if (in >= n) return {TWalkEnd::kCut, n, out};
    const unsigned flags = s[in++];
    constexpr unsigned kFirst = L::kTopBitFirst ? 0x80u : 0x01u;
    constexpr unsigned kLast = L::kTopBitFirst ? 0x01u : 0x80u;
    for (unsigned bit = kFirst; (bit & 0xFFu) != 0; bit = L::kTopBitFirst ? bit >> 1 : bit << 1) {
      bool go = true;
      if (((flags & bit) != 0) != L::kSetBitIsReference) {
        if (in >= n) return {TWalkEnd::kCut, n, out};
        go = lz::VisitLiteral(visit, out, s[in]);
        ++in;
        ++out;
      } else {
        if (n - in < L::kMinReferenceSize || n - in < L::ReferenceSize(s[in])) {
          return {TWalkEnd::kCut, n, out};
        }
        const typename L::TReference r = L::SplitReference(s.data() + in);
        in += L::ReferenceSize(s[in]);
        go = visit.Reference(out, r);
        out += r.length;
      }
      if (!go) return {TWalkEnd::kStopped, in, out};
      if (visit.Done(in, out)) {
        const unsigned rest = L::kTopBitFirst ? flags & (bit - 1) : flags & ~(2 * bit - 1) & 0xFFu;
        return {TWalkEnd::kDone, in, out, rest, bit != kLast};
      }
    }
  }
}

}  // namespace tegulo::flag
