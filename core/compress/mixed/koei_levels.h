// "Koei": the range minima of the compressor's parse (koei_path.h alone includes it).
// A copy of one distance class and one length-code size may land anywhere in a range of
// positions, so its cheapest landing is the smaller of two blocks' minima that cover the range:
// each of the last positions a copy reaches keeps its row of costs (one a parse state) and the
// state by state minima of the blocks of 2, 4, 8.. rows from it, in a ring.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "compress/mixed/koei_values.h"

namespace tegulo::koei {

// Rows as they are (TSplit's three values a state).
template <class V>
class TFullLevels {
public:
  // The minima of two blocks, state by state.
  struct TLand {
    const V* a;
    const V* b;
    V At(unsigned s) const { return V::Min(a[s], b[s]); }
  };

  TFullLevels(std::size_t levels, std::size_t ring) : ring_(ring), v_(levels * ring * kWordBits) {}

  V At(std::size_t i, unsigned s) const { return Block(0, i)[s]; }
  void Put(std::size_t i, const V* row) { std::copy(row, row + kWordBits, Block(0, i)); }
  // Block `level` at i from the two halves below it.
  void Join(std::size_t level, std::size_t i, std::size_t half) {
    const V* a = Block(level - 1, i);
    const V* b = Block(level - 1, i + half);
    V* to = Block(level, i);
    for (unsigned s = 0; s < kWordBits; ++s) to[s] = V::Min(a[s], b[s]);
  }
  TLand Land(std::size_t level, std::size_t a, std::size_t b) const {
    return {Block(level, a), Block(level, b)};
  }
  bool Fits() const { return true; }
  void Release() { v_ = std::vector<V>(); }

private:
  const V* Block(std::size_t level, std::size_t i) const {
    return &v_[(level * ring_ + (i & (ring_ - 1))) * kWordBits];
  }
  V* Block(std::size_t level, std::size_t i) {
    return &v_[(level * ring_ + (i & (ring_ - 1))) * kWordBits];
  }

  std::size_t ring_;  // a power of two
  std::vector<V> v_;
};

// A row of a cost a state as its least value and each state's excess over it in a byte (up to
// 254): 20 bytes instead of 64. The costs of a position's states lie within a code word (16) of
// each other, so every row the parse makes fits.
struct TPackedRow {
  std::uint32_t base = 0;
  std::array<std::uint8_t, kWordBits> over{};
};

// Two rows' minima, state by state: the row of the lower base, and the other's excesses raised
// by the gap between the bases (at most to 255, which stays above every excess of the first).
inline TPackedRow Joined(const TPackedRow& x, const TPackedRow& y) {
  const bool xLow = x.base <= y.base;
  const TPackedRow& lo = xLow ? x : y;
  const TPackedRow& hi = xLow ? y : x;
  const auto gap = static_cast<char>(std::min<std::uint32_t>(hi.base - lo.base, 255));
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lo.over.data()));
  const __m128i b = _mm_adds_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(hi.over.data())),
                                  _mm_set1_epi8(gap));
  TPackedRow out;
  out.base = lo.base;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out.over.data()), _mm_min_epu8(a, b));
  return out;
}

// Rows of one value a state (TLeast, TPlainOnly) as TPackedRow. A row that does not fit (a
// state out of reach, or a spread above 254) makes Fits() false: the compressor then parses
// with TSplit, which keeps rows whole.
template <class V>
class TPackedLevels {
public:
  struct TLand {
    TPackedRow r;
    V At(unsigned s) const { return {r.base + r.over[s]}; }
  };

  TPackedLevels(std::size_t levels, std::size_t ring) : ring_(ring), rows_(levels * ring) {}

  V At(std::size_t i, unsigned s) const {
    const TPackedRow& r = Block(0, i);
    return {r.base + r.over[s]};
  }
  void Put(std::size_t i, const V* row) {
    std::uint32_t least = row[0].v;
    for (unsigned s = 1; s < kWordBits; ++s) least = std::min(least, row[s].v);
    TPackedRow& to = Block(0, i);
    to.base = least;
    for (unsigned s = 0; s < kWordBits; ++s) {
      const std::uint32_t over = row[s].v - least;
      fits_ = fits_ && row[s].v < kNone && over < 255;
      to.over[s] = static_cast<std::uint8_t>(over);
    }
  }
  void Join(std::size_t level, std::size_t i, std::size_t half) {
    Block(level, i) = Joined(Block(level - 1, i), Block(level - 1, i + half));
  }
  TLand Land(std::size_t level, std::size_t a, std::size_t b) const {
    return {Joined(Block(level, a), Block(level, b))};
  }
  bool Fits() const { return fits_; }
  void Release() { rows_ = std::vector<TPackedRow>(); }

private:
  const TPackedRow& Block(std::size_t level, std::size_t i) const {
    return rows_[level * ring_ + (i & (ring_ - 1))];
  }
  TPackedRow& Block(std::size_t level, std::size_t i) {
    return rows_[level * ring_ + (i & (ring_ - 1))];
  }

  std::size_t ring_;  // a power of two
  std::vector<TPackedRow> rows_;
  bool fits_ = true;
};

template <class V>
using TLevels = std::conditional_t<std::is_same_v<V, TSplit>, TFullLevels<V>, TPackedLevels<V>>;

}  // namespace tegulo::koei
