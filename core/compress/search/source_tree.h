// Longest matches of the data against earlier "source texts" (the data itself, its
// complement, its bit-reversed or reversed bytes), for the repeats of the SNES command
// formats, whose sources lie anywhere before the output position.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "compress/search/match_heads.h"

namespace tegulo {

// Binary search trees, one per first two bytes (fewer for small sources), of source positions
// ordered by the source text that follows them (compared up to `cap` bytes; the newest position is
// the root). The longest common prefix of a pattern with any position in a tree lies on its search
// path, so Find is exact.
class TSourceTree {
public:
  // Sources of at most 65536 bytes.
  TSourceTree(std::span<const std::uint8_t> source, std::size_t cap);

  // Makes source position p a candidate (p < source size). Returns what Find would return for
  // the source text at p before the call: the walk passes p's closest neighbours.
  std::size_t Insert(std::size_t p, std::size_t& at);

  // The longest common prefix (at most cap) of `pattern` with the source text at any
  // position inserted so far, and that position; 0 when none shares the first two bytes
  // (a match of one byte is not looked for).
  std::size_t Find(std::span<const std::uint8_t> pattern, std::size_t& at) const;

private:
  std::size_t KeyLength(std::size_t p) const { return std::min(cap_, s_.size() - p); }

  std::span<const std::uint8_t> s_;
  std::size_t cap_;
  TMatchHeads head_;
  // Links of 16 bits: a source's last position has no key of two bytes, so it is never a node
  // and its number, 65535 at most, can mean "none".
  static constexpr std::uint32_t kNone = 0xFFFF;
  static constexpr std::size_t kMaxSource = std::size_t{1} << 16;
  static std::uint32_t Link(std::int32_t head) {
    return head < 0 ? kNone : static_cast<std::uint32_t>(head);
  }

  std::vector<std::uint16_t> child_;  // 2p: the smaller side, 2p + 1: the larger
};

}  // namespace tegulo
