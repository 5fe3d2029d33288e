// Shortest parses for the LZ stream formats: the longest match at every position, found
// exactly by a binary-tree match finder, then a cheapest path over the token costs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// The back-references a format allows: sources minDistance..maxDistance bytes back (never
// before the first byte of the data), lengths 3..maxLength. maxDistance <= 65535,
// maxLength <= 255, minDistance >= 1.
struct TParseLimits {
  std::size_t minDistance = 1;
  std::size_t maxDistance = 0;
  std::size_t maxLength = 0;
};

struct TParseToken {
  std::uint32_t length = 0;    // 0: a literal
  std::uint32_t distance = 0;  // back from the output position
};

// The longest match at each position from `start` on (index pos - start) within the limits
// (length 0 when there is none of 3 bytes or more); the bytes before `start` are sources only.
// Ties keep the nearest source the search meets. Exact, not a heuristic.
struct TLongestMatches {
  std::vector<std::uint8_t> length;
  std::vector<std::uint16_t> distance;
};
TLongestMatches FindLongestMatches(std::span<const std::uint8_t> data, const TParseLimits& limits,
                                   std::size_t start = 0);

// A parse of data[start..] with the fewest 9 * literals + 17 * references; the bytes before
// `start` are sources only (a ring's known contents). In formats where a flag byte covers
// eight tokens, a literal one byte and a reference two, that is exactly the shortest stream:
// bytes = literals + 2 * references + ceil(tokens / 8). Inputs below 2 GiB.
std::vector<TParseToken> ShortestParse(std::span<const std::uint8_t> data,
                                       const TParseLimits& limits, std::size_t start = 0);

}  // namespace tegulo
