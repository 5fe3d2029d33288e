// Packing tiles' colour sets into as few palettes as possible: an exact search within a time
// bound, after a best-fit start, and the naive first fit for comparison.
#pragma once

#include <bit>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// A set of up to 256 colours, by their numbers 0..255.
struct TColourBits {
  std::uint64_t w[4] = {};

  void Add(int c) { w[c >> 6] |= std::uint64_t{1} << (c & 63); }
  bool Has(int c) const { return ((w[c >> 6] >> (c & 63)) & 1) != 0; }
  int Count() const {
    return std::popcount(w[0]) + std::popcount(w[1]) + std::popcount(w[2]) + std::popcount(w[3]);
  }
  TColourBits operator|(const TColourBits& o) const {
    return {{w[0] | o.w[0], w[1] | o.w[1], w[2] | o.w[2], w[3] | o.w[3]}};
  }
  TColourBits operator&(const TColourBits& o) const {
    return {{w[0] & o.w[0], w[1] & o.w[1], w[2] & o.w[2], w[3] & o.w[3]}};
  }
  TColourBits Without(const TColourBits& o) const {
    return {{w[0] & ~o.w[0], w[1] & ~o.w[1], w[2] & ~o.w[2], w[3] & ~o.w[3]}};
  }
  bool SubsetOf(const TColourBits& o) const { return Without(o).Count() == 0; }
  friend bool operator==(const TColourBits&, const TColourBits&) = default;
};

struct TPalettePacking {
  std::vector<TColourBits> palettes;  // each of at most `capacity` colours; every set in one
  bool found = false;      // false: no packing into maxPalettes was found (palettes empty)
  bool proven = false;     // the count is the fewest possible (or, not found: none exists)
  std::int64_t nodes = 0;  // search steps taken
};

// The fewest palettes of `capacity` colours that each set fits into whole, at most
// `maxPalettes`. Sets that are subsets of others are dropped first; a best-fit packing of the
// rest, largest first, gives the first answer, then a depth-first search tries one palette
// fewer at a time (a set is placed in each palette it fits, or in one new palette; the
// colours still to come must fit the room left) until it fails everywhere (proven) or runs
// past `bound` (not proven). Never more palettes than the best fit.
TPalettePacking PackPalettes(std::span<const TColourBits> sets, int capacity, int maxPalettes,
                             std::chrono::milliseconds bound);

// The naive packing: each set in turn, in the given order, into the first palette it fits
// (a new one when none does), with no limit on the count.
std::vector<TColourBits> FirstFitPalettes(std::span<const TColourBits> sets, int capacity);

}  // namespace tegulo
