// Suffix arrays, their neighbours' common prefixes and earlier matches against plain sorting
// and exhaustive search.
#include "compress/search/suffix_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace tegulo {
namespace {

using Ints = std::vector<std::int32_t>;

using Bytes = std::vector<std::uint8_t>;

std::int32_t Common(const Bytes& t, std::size_t a, std::size_t b, std::size_t cap) {
  std::size_t h = 0;
  while (h < cap && a + h < t.size() && b + h < t.size() && t[a + h] == t[b + h]) ++h;
  return static_cast<std::int32_t>(h);
}

// Texts of each shape: random over a small alphabet and all bytes, runs, periodic and empty.
Ints MakeText(int shape, std::size_t n, std::mt19937& rng) {
  Ints t(n);
  for (std::size_t i = 0; i < n; ++i) {
    switch (shape) {
      case 0: t[i] = static_cast<std::int32_t>(rng() % 2); break;
      case 1: t[i] = static_cast<std::int32_t>(rng() % 256); break;
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
    const Bytes text(t.begin(), t.end());
    Ints want(t.size());
    std::iota(want.begin(), want.end(), 0);
    std::sort(want.begin(), want.end(), [&](std::int32_t a, std::int32_t b) {
      return std::lexicographical_compare(text.begin() + a, text.end(), text.begin() + b,
                                          text.end());
    });
    Ints sa = SuffixArray(text);
    ASSERT_EQ(sa, want) << "round " << round << " shape " << shape;
    const std::size_t cap = round % 2 == 0 ? 1024 : 5;
    PackCommonPrefixes(text, sa, cap);
    for (std::size_t r = 0; r < sa.size(); ++r) {
      const std::int32_t lcp = r == 0 ? 0 : Common(text, want[r - 1], want[r], cap);
      ASSERT_EQ(sa[r], want[r] | lcp << kPositionBits) << "round " << round << " rank " << r;
    }
    // Times: a random order of the positions.
    Ints time(t.size());
    std::iota(time.begin(), time.end(), 0);
    std::shuffle(time.begin(), time.end(), rng);
    std::vector<std::int32_t> got(t.size(), 0);
    std::vector<std::int32_t> at(t.size(), -1);
    EarlierMatches(
        sa, [&](std::size_t p) { return time[p]; }, t.size(),
        [&](std::size_t p, std::size_t length, std::int32_t q) {
          if (static_cast<std::int32_t>(length) < got[p] || at[p] >= 0 && length == 0) return;
          got[p] = static_cast<std::int32_t>(length);
          at[p] = q;
        });
    for (std::size_t p = 0; p < t.size(); ++p) {
      std::int32_t best = 0;
      for (std::size_t q = 0; q < t.size(); ++q) {
        if (time[q] < time[p]) best = std::max(best, Common(text, p, q, cap));
      }
      ASSERT_EQ(got[p], best) << "round " << round << " position " << p;
      if (best > 0) {
        const auto q = static_cast<std::size_t>(at[p]);
        EXPECT_LT(time[q], time[p]) << "round " << round << " position " << p;
        EXPECT_EQ(Common(text, p, q, cap), best) << "round " << round << " position " << p;
      }
    }
  }
}

}  // namespace
}  // namespace tegulo
