// The smallest value over a range of positions, for the shortest parses whose tokens take
// every length up to a bound at one cost: a segment tree over 32-bit values.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace tegulo {

class TRangeMin {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  explicit TRangeMin(std::size_t n) {
    while (size_ < n) size_ <<= 1;
    key_.assign(2 * size_, ~std::uint64_t{0});
  }

  void Set(std::size_t i, std::uint32_t value) {
    std::size_t k = size_ + i;
    // On equal values the larger position wins: the longer token leaves less to code.
    key_[k] =
        static_cast<std::uint64_t>(value) << 32 | (0xFFFFFFFFu - static_cast<std::uint32_t>(i));
    for (k >>= 1; k != 0; k >>= 1) key_[k] = std::min(key_[2 * k], key_[2 * k + 1]);
  }

  // The smallest value over positions first..last (inclusive) and where it is; kNone for an
  // empty range or one with nothing set.
  std::uint32_t Min(std::size_t first, std::size_t last, std::size_t& at) const {
    if (first > last) return kNone;
    std::uint64_t best = ~std::uint64_t{0};
    for (std::size_t l = first + size_, r = last + size_ + 1; l < r; l >>= 1, r >>= 1) {
      if (l & 1u) best = std::min(best, key_[l++]);
      if (r & 1u) best = std::min(best, key_[--r]);
    }
    if (best == ~std::uint64_t{0}) return kNone;
    at = 0xFFFFFFFFu - static_cast<std::uint32_t>(best);
    return static_cast<std::uint32_t>(best >> 32);
  }

private:
  std::size_t size_ = 1;
  std::vector<std::uint64_t> key_;
};

}  // namespace tegulo
