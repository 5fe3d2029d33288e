// Suffix arrays and longest earlier matches, for compressors that must know, at every
// position, the longest match against any source that is already available there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// The suffixes of `text` (values 0..alphabet-1) in order, in linear time and memory. T is
// std::int32_t or std::uint16_t.
template <class T>
std::vector<std::int32_t> SuffixArray(std::span<const T> text, std::int32_t alphabet);

// plcp[p]: the common prefix of the suffix at p with the suffix ranked just before it (0 for
// the first in suffix order), indexed by position.
template <class T>
std::vector<std::int32_t> CommonPrefixes(std::span<const T> text, std::span<const std::int32_t> sa);

struct TEarlierMatch {
  std::int32_t length = 0;
  std::int32_t at = -1;  // a text position whose match is `length` long; -1 with length 0
};

// For every position p below `queries`, the longest common prefix of its suffix with the
// suffix at any position q of smaller time (times distinct; time(q) gives them), and such a
// q: the nearest smaller time on either side in suffix order holds it (the left one on a
// tie). `sa` and `plcp` are the text's.
template <class TTime>
std::vector<TEarlierMatch> EarlierMatches(std::span<const std::int32_t> sa,
                                          std::span<const std::int32_t> plcp, TTime time,
                                          std::size_t queries) {
  const std::size_t n = sa.size();
  std::vector<TEarlierMatch> best(queries);
  // Stack entries: a rank's position, its time and its common prefix with the entry below
  // it. Its depth stays far below the text's length on real data, so it grows as needed.
  struct TEntry {
    std::int32_t at;
    std::int32_t time;
    std::int32_t h;
  };
  std::vector<TEntry> stack;
  const auto pass = [&](std::size_t r, std::int32_t h) {
    const std::int32_t at = sa[r];
    const std::int32_t now = time(static_cast<std::size_t>(at));
    while (!stack.empty() && stack.back().time > now) {
      h = std::min(h, stack.back().h);
      stack.pop_back();
    }
    const auto p = static_cast<std::size_t>(at);
    if (!stack.empty() && p < queries && h > best[p].length) best[p] = {h, stack.back().at};
    stack.push_back({at, now, h});
  };
  for (std::size_t r = 0; r < n; ++r) pass(r, plcp[sa[r]]);
  stack.clear();
  for (std::size_t r = n; r-- > 0;) pass(r, r + 1 < n ? plcp[sa[r + 1]] : 0);
  return best;
}

}  // namespace tegulo
