// Suffix arrays and longest earlier matches, for compressors that must know, at every
// position, the longest match against any source that is already available there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// The suffixes of `text` (values 0..alphabet-1) in order, in linear time and memory.
std::vector<std::int32_t> SuffixArray(std::span<const std::int32_t> text, std::int32_t alphabet);

// lcp[r]: the common prefix of the suffixes at ranks r - 1 and r (lcp[0] = 0).
std::vector<std::int32_t> CommonPrefixes(std::span<const std::int32_t> text,
                                         std::span<const std::int32_t> sa);

struct TEarlierMatch {
  std::int32_t length = 0;
  std::int32_t at = -1;  // a text position whose match is `length` long; -1 with length 0
};

// For every position p below `queries`, the longest common prefix of its suffix with the
// suffix at any position q of smaller time (times distinct), and such a q: the nearest
// smaller time on either side in suffix order holds it (the left one on a tie). `sa` and `lcp`
// are the text's; `when` holds the times in suffix order (when[r]: the time of sa[r]).
std::vector<TEarlierMatch> EarlierMatches(std::span<const std::int32_t> sa,
                                          std::span<const std::int32_t> lcp,
                                          std::span<const std::int32_t> when, std::size_t queries);

}  // namespace tegulo
