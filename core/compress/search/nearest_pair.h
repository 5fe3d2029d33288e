// The nearest earlier position holding the same two bytes, within a window: the two-byte
// copies that the longer match finders leave out. Exact; memory grows with the data (tree
// heads as the match finders take them) and the window, not 256 KiB for every input.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "compress/search/match_heads.h"

namespace tegulo {

class TNearestPair {
public:
  // Sources 1..window back (window below 65535).
  TNearestPair(std::span<const std::uint8_t> data, std::size_t window)
      : d_(data), window_(window), heads_(data.size()), ring_(std::bit_ceil(window + 1), 0) {}

  // The distance back to the nearest position before p whose two bytes equal p's, 0 when
  // none lies within the window; then takes p in. Positions come in order from 0, each one
  // with a byte after it.
  std::size_t Next(std::size_t p) {
    const std::uint8_t* at = d_.data() + p;
    std::int32_t& head = heads_[at];
    std::size_t found = 0;
    // The positions of this head's chain, nearest first; other pairs may share the head.
    for (std::int64_t q = head; q >= 0 && p - static_cast<std::size_t>(q) <= window_;) {
      const auto u = static_cast<std::size_t>(q);
      if (d_[u] == at[0] && d_[u + 1] == at[1]) {
        found = p - u;
        break;
      }
      const std::uint16_t back = ring_[u & (ring_.size() - 1)];
      q = back == 0 ? -1 : static_cast<std::int64_t>(u - back);
    }
    const std::size_t gap = head < 0 ? 0 : p - static_cast<std::size_t>(head);
    ring_[p & (ring_.size() - 1)] = gap <= window_ ? static_cast<std::uint16_t>(gap) : 0;
    head = static_cast<std::int32_t>(p);
    return found;
  }

private:
  std::span<const std::uint8_t> d_;
  std::size_t window_;
  TMatchHeads heads_;
  std::vector<std::uint16_t> ring_;  // per position: back to the previous one of its head
};

}  // namespace tegulo
