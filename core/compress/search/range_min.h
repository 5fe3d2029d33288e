// The smallest value over a range of positions, for the shortest parses whose tokens take
// every length up to a bound at one cost: a segment tree over 32-bit values, 8 bytes a
// position (the leaves are the values themselves, readable with At).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace tegulo {

class TRangeMin {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  explicit TRangeMin(std::size_t n) : n_(n), key_(2 * n, kNone) {}

  void Set(std::size_t i, std::uint32_t value) {
    std::size_t k = n_ + i;
    key_[k] = value;
    for (k >>= 1; k != 0; k >>= 1) key_[k] = std::min(key_[2 * k], key_[2 * k + 1]);
  }

  // The value at position i; kNone when it was never set.
  std::uint32_t At(std::size_t i) const { return key_[n_ + i]; }

  // The smallest value over positions first..last (inclusive) and where it is, the largest
  // such position on a tie (the longer token leaves less to code); kNone for an empty range
  // or one with nothing set.
  std::uint32_t Min(std::size_t first, std::size_t last, std::size_t& at) const {
    if (first > last) return kNone;
    // The nodes that cover the range: those met from the left lie left of those met from
    // the right; among nodes of one side, later ones from the left lie further right, later
    // ones from the right further left.
    std::uint32_t bestLeft = kNone;
    std::uint32_t bestRight = kNone;
    std::size_t nodeLeft = 0;
    std::size_t nodeRight = 0;
    for (std::size_t l = first + n_, r = last + n_ + 1; l < r; l >>= 1, r >>= 1) {
      if ((l & 1u) != 0) {
        if (key_[l] <= bestLeft) {
          bestLeft = key_[l];
          nodeLeft = l;
        }
        ++l;
      }
      if ((r & 1u) != 0) {
        --r;
        if (key_[r] < bestRight) {
          bestRight = key_[r];
          nodeRight = r;
        }
      }
    }
    const std::uint32_t best = std::min(bestLeft, bestRight);
    if (best == kNone) return kNone;
    std::size_t k = bestRight <= bestLeft ? nodeRight : nodeLeft;
    while (k < n_) k = key_[2 * k + 1] == best ? 2 * k + 1 : 2 * k;
    at = k - n_;
    return best;
  }

private:
  std::size_t n_;
  std::vector<std::uint32_t> key_;
};

}  // namespace tegulo
