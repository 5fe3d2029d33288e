// The shortest stream of a flag-byte format (a flag byte before every eight tokens, a literal
// one byte), found by trying at each position every reference a format's test offers.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace tegulo::test {

// `references(i, add)` calls add(length, bytes) for each reference that may start at data
// position i. Returns the fewest bytes after the header for n data bytes (state: the tokens
// used of the current flag byte).
template <class References>
std::size_t ShortestFlagGroupBytes(std::size_t n, References references) {
  constexpr std::size_t kInf = std::size_t{1} << 30;
  std::vector<std::array<std::size_t, 8>> best(n + 1);
  for (auto& b : best) b.fill(kInf);
  best[0][0] = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < 8; ++k) {
      if (best[i][k] == kInf) continue;
      const std::size_t cost = best[i][k] + (k == 0 ? 1 : 0);
      const std::size_t next = (k + 1) % 8;
      best[i + 1][next] = std::min(best[i + 1][next], cost + 1);
      references(i, [&](std::size_t len, std::size_t bytes) {
        best[i + len][next] = std::min(best[i + len][next], cost + bytes);
      });
    }
  }
  return *std::min_element(best[n].begin(), best[n].end());
}

}  // namespace tegulo::test
