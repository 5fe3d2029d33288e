// Parse strategies of LZ encoders, written plainly and apart from the project's compressors:
// the tokens that greedy, lazy and optimal encoders choose for the same data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo::gen {

enum class TParse {
  kGreedy,   // the longest match wherever there is one
  kLazy,     // a literal first when the next position has a longer match
  kOptimal,  // fewest bits: a literal costs 9, a reference 17 (LZ77-11: by its length)
};

struct TParseRules {
  std::uint32_t maxLength = 18;
  std::uint32_t maxDistance = 4096;
  std::uint32_t minDistance = 1;  // 2 for data meant for 16-bit writes
  std::uint32_t minMatch = 3;
  // Zero bytes before the data that a reference may reach (the zero-filled ring of a
  // ring-buffer scheme); 0 for schemes whose references must stay inside the output.
  std::uint32_t zeroPrefix = 0;
  // LZ77-11's references cost 17, 25 or 33 bits by their length (to 16, 272, 65,808).
  bool lz11Costs = false;
};

// One token: a literal (length 0) or a copy of `length` bytes from `distance` bytes back.
struct TToken {
  std::uint32_t length = 0;
  std::uint32_t distance = 0;
};

// The tokens of `data` under the rules; they cover the data exactly.
std::vector<TToken> ParseTokens(std::span<const std::uint8_t> data, TParse parse,
                                const TParseRules& rules);

}  // namespace tegulo::gen
