// The smallest value over `count` positions first, first + stride, ..., for the shortest
// parses whose commands take every length up to a bound at one cost: a sparse table built
// from the last position down, so each position costs a few minima and each query two.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace tegulo {

class TStrideMin {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  // Positions 0..n-1; queries of at most maxCount values.
  TStrideMin(std::size_t n, std::size_t stride, std::size_t maxCount)
      : n_(n),
        stride_(stride),
        levels_(static_cast<std::size_t>(std::bit_width(std::max<std::size_t>(maxCount, 1)))),
        t_(n * levels_, kNone) {}

  // Sets position i; every later position must be set already.
  void Set(std::size_t i, std::uint32_t value) {
    std::uint32_t* row = &t_[i * levels_];
    row[0] = value;
    for (std::size_t k = 1; k < levels_; ++k) {
      const std::size_t j = i + (stride_ << (k - 1));
      row[k] = j < n_ ? std::min(row[k - 1], t_[j * levels_ + k - 1]) : row[k - 1];
    }
  }

  // The smallest of the values at first + stride * m for m < count (1 <= count <= maxCount,
  // all positions below n); positions set to kNone never win.
  std::uint32_t Min(std::size_t first, std::size_t count) const {
    const std::size_t k = static_cast<std::size_t>(std::bit_width(count)) - 1;
    const std::size_t second = first + stride_ * (count - (std::size_t{1} << k));
    return std::min(t_[first * levels_ + k], t_[second * levels_ + k]);
  }

private:
  std::size_t n_;
  std::size_t stride_;
  std::size_t levels_;
  std::vector<std::uint32_t> t_;
};

}  // namespace tegulo
