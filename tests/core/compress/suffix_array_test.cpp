// Suffix arrays and earlier matches against plain sorting and exhaustive search.
#include "compress/search/suffix_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace tegulo {
namespace {

using Ints = std::vector<std::int32_t>;

std::int32_t Common(const Ints& t, std::size_t a, std::size_t b) {
  std::int32_t h = 0;
  while (a + h < t.size() && b + h < t.size() && t[a + h] == t[b + h]) ++h;
  return h;
}

// Texts of each shape: random over small and large alphabets, runs, periodic and empty.
Ints MakeText(int shape, std::size_t n, std::mt19937& rng) {
  Ints t(n);
  for (std::size_t i = 0; i < n; ++i) {
    switch (shape) {
      case 0: t[i] = static_cast<std::int32_t>(rng() % 2); break;
      case 1: t[i] = static_cast<std::int32_t>(rng() % 259); break;
      case 2: t[i] = 7; break;
      case 3: t[i] = static_cast<std::int32_t>(i % 3 == 0 ? 1 : 2); break;
      default: t[i] = static_cast<std::int32_t>(i > 0 && rng() % 4 ? t[i - 1] : rng() % 5);
    }
  }
  return t;
}

TEST(SuffixArray, SortsAndMatchesEveryShape) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    const int shape = round % 5;
    const Ints t = MakeText(shape, round % 7 == 0 ? round % 3 : rng() % 300, rng);
    Ints want(t.size());
    std::iota(want.begin(), want.end(), 0);
    std::sort(want.begin(), want.end(), [&](std::int32_t a, std::int32_t b) {
      return std::lexicographical_compare(t.begin() + a, t.end(), t.begin() + b, t.end());
    });
    const Ints sa = SuffixArray<std::int32_t>(t, 259);
    ASSERT_EQ(sa, want) << "round " << round << " shape " << shape;
    const Ints lcp = CommonPrefixes<std::int32_t>(t, sa);
    for (std::size_t r = 0; r < sa.size(); ++r) {
      const std::int32_t want = r == 0 ? 0 : Common(t, sa[r - 1], sa[r]);
      ASSERT_EQ(lcp[sa[r]], want) << "round " << round << " rank " << r;
    }
    // Times: a random order of the positions.
    Ints time(t.size());
    std::iota(time.begin(), time.end(), 0);
    std::shuffle(time.begin(), time.end(), rng);
    const auto got = EarlierMatches(
        sa, lcp, [&](std::size_t p) { return time[p]; }, t.size());
    for (std::size_t p = 0; p < t.size(); ++p) {
      std::int32_t best = 0;
      for (std::size_t q = 0; q < t.size(); ++q) {
        if (time[q] < time[p]) best = std::max(best, Common(t, p, q));
      }
      ASSERT_EQ(got[p].length, best) << "round " << round << " position " << p;
      if (best > 0) {
        const auto q = static_cast<std::size_t>(got[p].at);
        EXPECT_LT(time[q], time[p]) << "round " << round << " position " << p;
        EXPECT_EQ(Common(t, p, q), best) << "round " << round << " position " << p;
      }
    }
  }
}

}  // namespace
}  // namespace tegulo
