// The match finders against a plain search of every source: the window matcher's nearest
// source for each length, the tree finder's longest match and the nearest equal pair, on data
// small enough for hashed tree heads and large enough for one tree per two-byte prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "compress/search/nearest_pair.h"
#include "compress/search/optimal_parse.h"
#include "compress/search/window_matches.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Runs and repeats of a few byte values, with now and then a long repeat.
Bytes Repetitive(std::size_t n, std::uint32_t seed, unsigned values) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % (rng() % 16 == 0 ? 400 : 20);
    const std::size_t from = d.empty() ? 0 : rng() % d.size();
    const bool copy = !d.empty() && rng() % 2 == 0;
    for (std::size_t k = 0; k < len; ++k) {
      d.push_back(copy ? d[from + k % (d.size() - from)]
                       : static_cast<std::uint8_t>(rng() % values));
    }
  }
  d.resize(n);
  return d;
}

std::size_t Common(const Bytes& d, std::size_t p, std::size_t dist, std::size_t limit) {
  std::size_t len = 0;
  while (len < limit && d[p + len] == d[p + len - dist]) ++len;
  return len;
}

struct TCase {
  std::size_t size;
  std::size_t maxDistance;
  std::size_t maxLength;
  unsigned values;
  std::size_t every;  // positions checked: one in this many
};

constexpr TCase kCases[] = {
    {700, 4096, 255, 200, 1},                             // fewer tree heads than prefixes
    {3000, 4096, 255, 40, 1},     {5000, 256, 18, 2, 1},  // a window shorter than the data
    {140000, 4096, 255, 4, 211},                          // one tree per prefix
    {140000, 32768, 300, 2, 997},                         // a long window
};

}  // namespace

TEST(MatchFinders, WindowMatcherGivesTheNearestSourceOfEveryLength) {
  for (const TCase& c : kCases) {
    const Bytes d = Repetitive(c.size, static_cast<std::uint32_t>(c.size), c.values);
    TWindowMatcher m(d, c.maxDistance, c.maxLength);
    std::vector<TMatchPair> pairs(c.maxLength + 1);
    for (std::size_t p = 0; p < d.size(); ++p) {
      if (p % c.every != 0) {
        m.Skip(p);
        continue;
      }
      const std::size_t count = m.Matches(p, pairs.data());
      const std::size_t limit = std::min(c.maxLength, d.size() - p);
      // The nearest source of each length, from the plain search.
      std::vector<std::size_t> nearest(limit + 1, 0);
      for (std::size_t dist = std::min(p, c.maxDistance); dist >= 1; --dist) {
        const std::size_t len = Common(d, p, dist, limit);
        for (std::size_t l = 2; l <= len; ++l) nearest[l] = dist;
      }
      std::size_t l = 2;
      for (std::size_t j = 0; j < count; ++j) {
        for (; l <= pairs[j].length; ++l) {
          ASSERT_EQ(pairs[j].distance, nearest[l]) << c.size << " at " << p << " length " << l;
        }
      }
      ASSERT_TRUE(l > limit || nearest[l] == 0) << c.size << " at " << p << " length " << l;
    }
  }
}

TEST(MatchFinders, TreeFinderGivesTheLongestMatch) {
  for (const TCase& c : kCases) {
    for (const std::size_t minDistance : {std::size_t{1}, std::size_t{2}}) {
      const Bytes d = Repetitive(c.size, static_cast<std::uint32_t>(c.size) + 1, c.values);
      const std::size_t maxLength = std::min<std::size_t>(c.maxLength, 255);
      const TLongestMatches m = FindLongestMatches(d, {minDistance, c.maxDistance, maxLength});
      for (std::size_t p = 0; p < d.size(); p += c.every) {
        const std::size_t limit = std::min(maxLength, d.size() - p);
        std::size_t longest = 0;
        for (std::size_t dist = minDistance; dist <= std::min(p, c.maxDistance); ++dist) {
          longest = std::max(longest, Common(d, p, dist, limit));
        }
        if (longest < 3) longest = 0;
        ASSERT_EQ(m.length[p], longest) << c.size << " at " << p;
        if (longest != 0) {
          EXPECT_EQ(Common(d, p, m.distance[p], limit), longest) << c.size << " at " << p;
        }
      }
    }
  }
}

TEST(MatchFinders, NearestPairIsTheNearestEqualPairInTheWindow) {
  for (const TCase& c : kCases) {
    const Bytes d = Repetitive(c.size, static_cast<std::uint32_t>(c.size) + 2, c.values);
    for (const std::size_t window : {std::size_t{256}, std::size_t{1024}}) {
      TNearestPair pairs(d, window);
      for (std::size_t p = 0; p + 1 < d.size(); ++p) {
        const std::size_t found = pairs.Next(p);
        if (p % c.every != 0) continue;
        std::size_t nearest = 0;
        for (std::size_t dist = 1; dist <= std::min(p, window) && nearest == 0; ++dist) {
          if (d[p - dist] == d[p] && d[p + 1 - dist] == d[p + 1]) nearest = dist;
        }
        ASSERT_EQ(found, nearest) << c.size << " window " << window << " at " << p;
      }
    }
  }
}
