// Suffix arrays and longest earlier matches, for compressors that must know, at every
// position, the longest match against any source that is already available there.
#pragma once

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace tegulo {

// A text of one or two parts, read where they lie: the first part at positions 0..n1-1, then
// (when the second is not empty) a separator at n1 that nothing else equals, the second part
// at n1 + 1 on. No suffix runs from one part into the other.
struct TTwoPartText {
  std::span<const std::uint8_t> first;
  std::span<const std::uint8_t> second;

  std::size_t Size() const { return first.size() + (second.empty() ? 0 : 1 + second.size()); }
  // The bytes from position p to the end of its part (p is not the separator).
  std::span<const std::uint8_t> From(std::size_t p) const {
    return p < first.size() ? first.subspan(p) : second.subspan(p - first.size() - 1);
  }
};

// The suffixes of the text in order (a suffix that is a prefix of another sorts first; the
// separator's own suffix left out), by induced sorting in linear time. Memory besides the
// array: a bit per position and a few KiB. Texts below 2^20 bytes.
std::vector<std::int32_t> SuffixArray(const TTwoPartText& text);

// The common prefix of the suffixes at a and b, at most `cap` bytes.
inline std::size_t CommonPrefix(const TTwoPartText& text, std::size_t a, std::size_t b,
                                std::size_t cap) {
  const std::span<const std::uint8_t> u = text.From(a);
  const std::span<const std::uint8_t> v = text.From(b);
  const std::size_t limit = std::min({cap, u.size(), v.size()});
  const std::uint8_t* x = u.data();
  const std::uint8_t* y = v.data();
  std::size_t len = 0;
#ifdef __SSE2__
  while (len + 16 <= limit) {  // long matches are common in tile data
    const __m128i vx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + len));
    const __m128i vy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + len));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(vx, vy)));
    if (same != 0xFFFFu) return len + static_cast<std::size_t>(__builtin_ctz(~same));
    len += 16;
  }
#endif
  while (len + 8 <= limit) {
    std::uint64_t wx = 0;
    std::uint64_t wy = 0;
    std::memcpy(&wx, x + len, 8);
    std::memcpy(&wy, y + len, 8);
    if (wx != wy) return len + static_cast<std::size_t>(__builtin_ctzll(wx ^ wy) / 8);
    len += 8;
  }
  while (len < limit && x[len] == y[len]) ++len;
  return len;
}

// The suffix array with each rank's common prefix (at most cap < 2048) with the rank before
// it (0 for the first) packed above a key of its position: entry = key(position) | prefix <<
// kPositionBits (keys below 2^kPositionBits). The text is no longer needed after this.
inline constexpr unsigned kPositionBits = 20;
template <class TKey>
void PackCommonPrefixes(const TTwoPartText& text, std::span<std::int32_t> sa, std::size_t cap,
                        TKey key) {
  if (sa.empty()) return;
  for (std::size_t r = sa.size(); r-- > 1;) {
    const std::int32_t at = sa[r];
    const std::size_t h =
        CommonPrefix(text, static_cast<std::size_t>(sa[r - 1]), static_cast<std::size_t>(at), cap);
    sa[r] = key(at) | static_cast<std::int32_t>(h << kPositionBits);
  }
  sa[0] = key(sa[0]);
}

// For every rank, the longest common prefix of its suffix with the suffix of any rank of
// smaller key (keys distinct, packed by PackCommonPrefixes; a key is the suffix's time): the
// nearest smaller key on either side in suffix order holds it. Reported as keep(key, length,
// earlier key), once from each side where there is an earlier one (length 0 possible); the
// caller picks the ranks it asks about and keeps the longer. One pass: a stack of ranks of
// rising keys; a rank finds its left one on the stack, and each rank it pops has found its
// right one. The stack holds no more entries than ranks passed, so it lives in the array's
// passed part (an entry: a key and its common prefix with the entry below); the array is used
// up.
template <class TKeep>
void EarlierMatches(std::span<std::int32_t> sa, TKeep keep) {
  constexpr std::int32_t kKey = (1 << kPositionBits) - 1;
  std::int32_t* stack = sa.data();
  std::size_t depth = 0;
  for (std::size_t r = 0; r < sa.size(); ++r) {
    const std::int32_t now = sa[r] & kKey;
    std::int32_t h = sa[r] >> kPositionBits;  // with the rank before, the stack's top
    while (depth > 0) {
      const std::int32_t top = stack[depth - 1];
      if ((top & kKey) < now) break;
      keep(top & kKey, h, now);
      h = std::min(h, top >> kPositionBits);
      --depth;
    }
    if (depth > 0) keep(now, h, stack[depth - 1] & kKey);
    stack[depth++] = now | h << kPositionBits;  // depth <= r: sa[r] is read already
  }
}

}  // namespace tegulo
