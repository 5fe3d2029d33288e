// "Koei": the compressor's parse (koei_compressor.cpp alone includes it). Costs are counted in
// eighths of a byte: a literal 8 + 1 for its flag, a copy 1 for its flag and 16 for each code
// word its bits open, the end code likewise, and 16 for the two dead bytes of a reserved word
// place that bytes follow. Flag bytes are thus paid an eighth at a time: the stream's size is
// the total rounded up, since the eighths of the flags are the only part that is not a whole
// byte. The parse state is the number of bits left in the current code word.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/mixed/koei.h"
#include "compress/mixed/koei_levels.h"
#include "compress/mixed/koei_values.h"
#include "compress/search/window_matches.h"

namespace tegulo::koei {

// The distance classes: the largest distance of each and its code's bits.
inline constexpr std::array<std::size_t, kClasses> kClassMax = {4,   8,    32,   128, 256,
                                                                512, 1024, 2048, 4096};
inline constexpr std::array<unsigned, kClasses> kClassBits = {6, 7, 8, 9, 10, 11, 12, 13, 14};

// The length code's bits for `length` 2..255.
inline constexpr unsigned LengthBits(std::size_t length) {
  if (length >= 129) return 14;
  // 2^z + 1 .. 2^(z+1): z zeros, a one, z bits.
  return 2 * static_cast<unsigned>(std::bit_width(length - 1) - 1) + 1;
}

// The lengths of one length-code size.
struct TRange {
  std::size_t first;
  std::size_t last;
};
inline constexpr std::array<TRange, 8> kLengthRanges = {
    {{2, 2}, {3, 4}, {5, 8}, {9, 16}, {17, 32}, {33, 64}, {65, 128}, {129, 255}}};

// Costs in eighths of a byte.
inline constexpr std::uint32_t kLiteralCost = 9;
inline constexpr std::uint32_t kWordCost = 16;
inline constexpr std::uint32_t kEndCost =
    1 + kWordCost;                              // its flag and the word it opens, or dead bytes
inline constexpr std::uint32_t kCornerEnd = 1;  // its flag; the word holds it already

// Taking `bits` code bits with `left` bits left in the current word: the words opened and the
// bits then left.
struct TStep {
  std::uint8_t words;
  std::uint8_t left;
};
inline constexpr unsigned kMostBits = 14 + 14;
using TStepTable = std::array<std::array<TStep, kMostBits + 1>, kWordBits>;
constexpr TStepTable MakeSteps() {
  TStepTable t{};
  for (unsigned left = 0; left < kWordBits; ++left) {
    for (unsigned bits = 0; bits <= kMostBits; ++bits) {
      if (bits <= left) {
        t[left][bits] = {0, static_cast<std::uint8_t>(left - bits)};
        continue;
      }
      const unsigned need = bits - left;
      const unsigned words = (need + kWordBits - 1) / kWordBits;
      t[left][bits] = {static_cast<std::uint8_t>(words),
                       static_cast<std::uint8_t>(words * kWordBits - need)};
    }
  }
  return t;
}
inline constexpr TStepTable kSteps = MakeSteps();

// A copy that ends the data and opens a word with room for the whole end code: the end code
// is read without a new word, and whether the place reserved by that word has bytes after it
// depends on whether the end code's flag opens a flag byte. That is so when the tokens before
// it are a multiple of eight: when the total cost is 1 modulo 8 (a total is congruent to its
// flag count, every other cost being whole bytes). Such a stream is two bytes longer.
inline bool IsCornerEnd(TStep s) { return s.words != 0 && s.left >= kEndBits; }

// The stream bytes of a whole-stream cost and whether it is a corner end.
inline std::uint32_t Bytes(std::uint32_t cost, bool corner) {
  return (cost + 7) / 8 + (corner && (cost & 7U) == 1 ? 2 : 0);
}

// The goal of the parse: whether it ends in a corner, and its total cost.
struct TGoal {
  bool corner = false;
  std::uint32_t cost = kNone;
};
inline TGoal Best(TLeast v) { return {false, v.v}; }
inline TGoal Best(TSplit v) {
  TGoal g{false, v.plain};
  for (const std::uint32_t x : {v.corner, v.other}) {
    if (x < kNone && Bytes(x, true) < Bytes(g.cost, g.corner)) g = {true, x};
  }
  return g;
}

// From the window matcher's pairs (each longer and farther than the one before).
inline TLongest LongestOf(const TMatchPair* pairs, std::size_t count) {
  TLongest l{};
  std::size_t k = 0;
  for (std::size_t p = 0; p < count; ++p) {
    while (pairs[p].distance > kClassMax[k]) {
      if (k + 1 < kClasses) l[k + 1] = l[k];
      ++k;
    }
    l[k] = static_cast<std::uint8_t>(pairs[p].length);
  }
  for (; k + 1 < kClasses; ++k) l[k + 1] = l[k];
  return l;
}

// One entry a position and one for the end, which TValues<TLeast> takes over.
inline std::vector<TLongest> FindLongest(std::span<const std::uint8_t> d) {
  std::vector<TLongest> longest(d.size() + 1);
  TWindowMatcher matcher(d, kMaxDistance, kMaxLength);
  std::array<TMatchPair, kMaxLength> pairs{};
  for (std::size_t i = 0; i < d.size(); ++i) {
    longest[i] = LongestOf(pairs.data(), matcher.Matches(i, pairs.data()));
  }
  return longest;
}

// The least cost from every position and state to the end, from the end down. Copies of one
// class and one length-code size cost the same, so the cheapest place to land among them is
// a range minimum: a sparse table over the positions the longest copy reaches.
template <class V, class TStore = TValues<V>>
class TKoeiPath {
public:
  // The ring of values and its block minima serve the solving only: they are let go after it.
  // The ring holds the positions the longest copy reaches, with the block sizes its length
  // ranges ask for.
  TKoeiPath(std::span<TLongest> longest, std::size_t n)
      : n_(n),
        ring_(RingFor(n + 1, LongestCopy(longest))),
        levels_(LevelsFor(LongestCopy(longest))),
        value_(n + 1, longest, LongestCopy(longest)),
        level_(levels_, ring_) {
    std::array<V, kWordBits> end;
    end.fill(V::Plain(kEndCost));
    level_.Put(n, end.data());
    value_.Put(n, end.data());
    for (std::size_t i = n; i-- > 0 && level_.Fits();) Solve(i, longest[i]);
    fits_ = level_.Fits();
    level_.Release();
  }

  V At(std::size_t i, unsigned left) const { return value_.At(i, left); }
  bool Fits() const { return fits_ && value_.Fits(); }

  // What a copy of `length` bytes from i with `bits` code bits leads to (for the writer).
  V Landing(std::size_t i, std::size_t length, TStep step) const {
    if (i + length == n_ && IsCornerEnd(step)) return V::Corner(kCornerEnd);
    return At(i + length, step.left);
  }

private:
  // Blocks of 1, 2, 4.. positions, up to the widest range of copy lengths of one length-code
  // size that the longest copy reaches (at most 64: ranges up to 127).
  static std::size_t LevelsFor(std::size_t longestCopy) {
    std::size_t widest = 1;
    for (const TRange& r : kLengthRanges) {
      if (r.first <= longestCopy)
        widest = std::max(widest, std::min(r.last, longestCopy) - r.first + 1);
    }
    return static_cast<std::size_t>(std::bit_width(widest));
  }

  void Solve(std::size_t i, const TLongest& reach) {
    std::array<V, kWordBits> best;
    for (unsigned s = 0; s < kWordBits; ++s) best[s] = level_.At(i + 1, s).Plus(kLiteralCost);
    std::size_t covered = 1;  // lengths up to this have a cheaper class
    for (std::size_t k = 0; k < kClasses; ++k) {
      const std::size_t longest = std::min<std::size_t>(reach[k], n_ - i);
      if (longest <= covered) continue;
      for (const TRange& range : kLengthRanges) {
        const std::size_t first = std::max(range.first, covered + 1);
        const std::size_t last = std::min(range.last, longest);
        if (first <= last) Copies(i, first, last, LengthBits(range.first) + kClassBits[k], best);
      }
      covered = longest;
    }
    level_.Put(i, best.data());
    value_.Put(i, best.data());
    for (std::size_t level = 1; level < levels_; ++level) {
      const std::size_t half = std::size_t{1} << (level - 1);
      if (i + 2 * half > n_) break;  // a block past the last position is never asked for
      level_.Join(level, i, half);
    }
  }

  // Copies of first..last bytes from i, each of `bits` code bits.
  void Copies(std::size_t i, std::size_t first, std::size_t last, unsigned bits,
              std::array<V, kWordBits>& best) const {
    const std::size_t from = i + first;
    const std::size_t to = std::min(i + last, n_ - 1);  // the end is handled apart
    std::optional<typename TLevels<V>::TLand> range;
    if (from <= to) {
      const auto level = static_cast<std::size_t>(std::bit_width(to - from + 1) - 1);
      range = level_.Land(level, from, to + 1 - (std::size_t{1} << level));
    }
    for (unsigned s = 0; s < kWordBits; ++s) {
      const TStep step = kSteps[s][bits];
      V land = range ? range->At(step.left) : V{};
      if (i + last == n_) {
        const V end = IsCornerEnd(step) ? V::Corner(kCornerEnd) : level_.At(n_, step.left);
        land = V::Min(land, end);
      }
      best[s] = V::Min(best[s], land.Plus(1 + kWordCost * step.words));
    }
  }

  std::size_t n_;
  std::size_t ring_;  // the positions a copy reaches (or all there are), a power of two
  std::size_t levels_;
  TStore value_;
  TLevels<V> level_;  // the last ring_ positions' values and their blocks' minima
  bool fits_ = true;
};

}  // namespace tegulo::koei
