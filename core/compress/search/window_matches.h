// Every useful match at each position of the data within a sliding window, for the shortest
// parses whose costs grow with the distance: for each length, the nearest source that gives
// it. A binary tree per first two bytes, the newest position at its root (so a search path
// meets sources from near to far), kept in a ring of window + 1 nodes (or of the data's, where
// that is fewer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "compress/search/match_heads.h"

namespace tegulo {

struct TMatchPair {
  std::uint32_t length = 0;
  std::uint32_t distance = 0;
};

class TWindowMatcher {
public:
  // Sources 1..maxDistance back (below 65535), lengths 2..maxLength (maxLength >= 2). Memory: 4
  // bytes per window position (at most one per position of the data) and a tree head per four
  // positions of the data (per eight up to 8 KiB; 256 KiB at most).
  TWindowMatcher(std::span<const std::uint8_t> data, std::size_t maxDistance,
                 std::size_t maxLength);

  // Adds position p, which must be the one after the previous call's (from 0 on), and writes
  // to `out` (room for maxLength pairs) the matches of p with earlier positions: each longer
  // and farther than the one before, the first of them with length >= L holding the nearest
  // distance of any match of L bytes or more. Returns their count. Exact: no search is cut.
  std::size_t Matches(std::size_t p, TMatchPair* out);
  // Adds position p without reporting its matches.
  void Skip(std::size_t p) { Walk(p, nullptr); }

private:
  std::size_t Walk(std::size_t p, TMatchPair* out);

  std::span<const std::uint8_t> data_;
  std::size_t maxDistance_;
  std::size_t maxLength_;
  std::size_t ring_;      // the window and one, or the data's size, whichever is smaller
  std::size_t next_ = 0;  // the position the next walk adds
  std::size_t slot_ = 0;  // its place in the ring: next_ modulo ring_
  TMatchHeads head_;
  // 2 slot: the smaller side, 2 slot + 1: the larger; each link how far back its node lies
  std::vector<std::uint16_t> child_;
};

}  // namespace tegulo
