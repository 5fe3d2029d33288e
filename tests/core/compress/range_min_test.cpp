// The range minima of the shortest parses: value and position against a plain scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "compress/search/front_min.h"
#include "compress/search/range_min.h"

namespace tegulo {
namespace {

TEST(RangeMin, SmallestValueAndLastPositionOfItOverEveryRange) {
  // Sizes of every shape of tree (powers of two and not); few values, so ties abound; some
  // positions never set, as before the parse reaches them.
  const struct {
    std::size_t n;
    std::uint32_t values;
  } cases[] = {{1, 3}, {2, 2}, {3, 3}, {5, 2}, {17, 4}, {64, 3}, {100, 5}, {333, 1000}};
  std::mt19937 rng(77);
  for (const auto& c : cases) {
    TRangeMin tree(c.n);
    std::vector<std::uint32_t> plain(c.n, TRangeMin::kNone);
    for (std::size_t i = c.n; i-- > 0;) {
      if (rng() % 5 == 0) continue;
      plain[i] = static_cast<std::uint32_t>(rng() % c.values);
      tree.Set(i, plain[i]);
      ASSERT_EQ(tree.At(i), plain[i]);
    }
    for (std::size_t first = 0; first < c.n; ++first) {
      for (std::size_t last = first; last < c.n; ++last) {
        std::uint32_t best = TRangeMin::kNone;
        std::size_t where = 0;
        for (std::size_t i = first; i <= last; ++i) {
          if (plain[i] <= best && plain[i] != TRangeMin::kNone) {
            best = plain[i];
            where = i;
          }
        }
        std::size_t at = c.n;
        ASSERT_EQ(tree.Min(first, last, at), best) << c.n << ": " << first << ".." << last;
        if (best != TRangeMin::kNone) {
          EXPECT_EQ(at, where) << c.n << ": " << first << ".." << last;
        }
      }
    }
    std::size_t at = 0;
    EXPECT_EQ(tree.Min(1, 0, at), TRangeMin::kNone);
  }
}

template <template <class> class TRing>
void CheckFrontMin(const char* form) {
  // Longest queries below, at and above the values pushed (the ring then holds them all);
  // few values, so ties abound; rising values keep every entry, falling ones one; pushes one
  // and two positions apart.
  const struct {
    std::size_t maxCount;
    std::size_t values;
    int shape;  // 0 random, 1 rising as they come, 2 falling
    std::uint32_t range;
    std::size_t step;
  } cases[] = {{1, 5, 0, 3, 1},    {3, 40, 0, 2, 1},       {32, 20, 0, 4, 1},
               {32, 300, 0, 4, 1}, {100, 700, 0, 1000, 1}, {64, 300, 1, 0, 1},
               {64, 300, 2, 0, 1}, {992, 3000, 0, 50, 1},  {40, 300, 0, 6, 2},
               {8, 40000, 0, 9, 2}};  // positions past 65535
  std::mt19937 rng(5);
  for (const auto& c : cases) {
    // Value k (the k-th pushed) at position step·(values - 1 - k): pushes go down.
    std::vector<std::uint32_t> at(c.step * c.values);
    const auto valueAt = [&at](std::size_t p) { return at[p]; };
    TRing<decltype(valueAt)> mins(c.maxCount, c.values, valueAt, c.step);
    std::vector<std::uint32_t> pushed;
    for (std::size_t k = 0; k < c.values; ++k) {
      const std::uint32_t v = c.shape == 0   ? static_cast<std::uint32_t>(rng() % c.range)
                              : c.shape == 1 ? static_cast<std::uint32_t>(k)
                                             : static_cast<std::uint32_t>(c.values - k);
      pushed.push_back(v);
      const std::size_t pos = c.step * (c.values - 1 - k);
      at[pos] = v;
      mins.Push(pos);
      const std::size_t most = std::min(c.maxCount, pushed.size());
      std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
      for (std::size_t count = 1; count <= most; ++count) {
        best = std::min(best, pushed[pushed.size() - count]);
        ASSERT_EQ(mins.Min(count), best) << form << ": " << c.maxCount << " " << c.values
                                         << " after " << k << " count " << count;
      }
    }
  }
}

TEST(FrontMin, SmallestOfTheNewestValuesForEveryCount) {
  CheckFrontMin<TFrontMin>("values kept");
  CheckFrontMin<TFrontMinByPosition>("positions kept");
}

}  // namespace
}  // namespace tegulo
