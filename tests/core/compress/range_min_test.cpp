// The range minimum of the shortest parses: value and position against a plain scan.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

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

}  // namespace
}  // namespace tegulo
