// Parse strategies of LZ encoders over a plain hash-chain match finder.
#include "lz_parse.h"

#include <algorithm>

namespace tegulo::gen {
namespace {

constexpr std::size_t kChainDepth = 96;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// A match this long ends the search (only LZ77-11's lengths reach past it).
constexpr std::uint32_t kNiceLength = 272;

// The longest match at every position of the data, and its nearest distance.
struct TMatches {
  std::vector<std::uint32_t> length;
  std::vector<std::uint32_t> distance;
};

TMatches FindMatches(std::span<const std::uint8_t> data, const TParseRules& rules) {
  // The data behind its zero prefix, so that references into the prefix are plain matches.
  std::vector<std::uint8_t> buf(rules.zeroPrefix, 0);
  buf.insert(buf.end(), data.begin(), data.end());
  const std::size_t n = buf.size();
  std::vector<std::uint32_t> head(1u << 16, kNone);
  std::vector<std::uint32_t> prev(n, kNone);
  const auto key = [&](std::size_t i) {
    return ((buf[i] * 2654435761u) ^ (buf[i + 1] * 40503u) ^ (buf[i + 2] * 97u)) & 0xFFFFu;
  };
  TMatches m{std::vector<std::uint32_t>(data.size(), 0),
             std::vector<std::uint32_t>(data.size(), 0)};
  std::uint32_t lastBest = 0;  // the match found one position before, and its distance
  std::uint32_t lastDistance = 0;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    const std::uint32_t k = key(i);
    if (i >= rules.zeroPrefix && lastBest > kNiceLength) {
      // Inside a long match (a run): the same source goes on, as an encoder that stops
      // searching at a long enough match finds it. Keeps long runs linear.
      lastBest -= 1;
      m.length[i - rules.zeroPrefix] = lastBest;
      m.distance[i - rules.zeroPrefix] = lastDistance;
    } else if (i >= rules.zeroPrefix) {
      const std::size_t room = std::min<std::size_t>(rules.maxLength, n - i);
      std::uint32_t best = 0;
      std::uint32_t bestDistance = 0;
      std::size_t depth = 0;
      for (std::uint32_t j = head[k]; j != kNone && depth < kChainDepth; j = prev[j], ++depth) {
        const std::size_t d = i - j;
        if (d > rules.maxDistance) break;
        if (d < rules.minDistance) continue;
        std::uint32_t len = 0;
        while (len < room && buf[j + len] == buf[i + len]) ++len;
        if (len > best) {
          best = len;
          bestDistance = static_cast<std::uint32_t>(d);
          if (len == room || len > kNiceLength) break;
        }
      }
      if (best >= rules.minMatch) {
        m.length[i - rules.zeroPrefix] = best;
        m.distance[i - rules.zeroPrefix] = bestDistance;
      }
      lastBest = best;
      lastDistance = bestDistance;
    }
    prev[i] = head[k];
    head[k] = static_cast<std::uint32_t>(i);
  }
  return m;
}

std::uint64_t ReferenceBits(std::uint32_t length, bool lz11) {
  if (!lz11 || length <= 16) return 17;
  return length <= 272 ? 25 : 33;
}

std::vector<TToken> Optimal(const TMatches& m, std::uint32_t minMatch, bool lz11) {
  const std::size_t n = m.length.size();
  std::vector<std::uint64_t> cost(n + 1, 0);
  std::vector<std::uint32_t> take(n, 0);
  for (std::size_t i = n; i-- > 0;) {
    cost[i] = 9 + cost[i + 1];
    for (std::uint32_t len = minMatch; len <= m.length[i]; ++len) {
      const std::uint64_t bits = ReferenceBits(len, lz11) + cost[i + len];
      if (bits < cost[i]) {
        cost[i] = bits;
        take[i] = len;
      }
    }
  }
  std::vector<TToken> tokens;
  for (std::size_t i = 0; i < n;) {
    tokens.push_back({take[i], take[i] != 0 ? m.distance[i] : 0});
    i += take[i] != 0 ? take[i] : 1;
  }
  return tokens;
}

}  // namespace

std::vector<TToken> ParseTokens(std::span<const std::uint8_t> data, TParse parse,
                                const TParseRules& rules) {
  const TMatches m = FindMatches(data, rules);
  if (parse == TParse::kOptimal) return Optimal(m, rules.minMatch, rules.lz11Costs);
  std::vector<TToken> tokens;
  for (std::size_t i = 0; i < data.size();) {
    const std::uint32_t len = m.length[i];
    const bool later = parse == TParse::kLazy && i + 1 < data.size() && m.length[i + 1] > len;
    if (len == 0 || later) {
      tokens.push_back({0, 0});
      ++i;
    } else {
      tokens.push_back({len, m.distance[i]});
      i += len;
    }
  }
  return tokens;
}

}  // namespace tegulo::gen
