// Suffix arrays, their neighbours' common prefixes and earlier matches against plain sorting
// and exhaustive search.
#include "compress/search/suffix_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "sample_data.h"

namespace tegulo {
namespace {

using Ints = std::vector<std::int32_t>;

using Bytes = std::vector<std::uint8_t>;

std::int32_t Common(const Ints& t, std::size_t a, std::size_t b, std::size_t cap) {
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

// One or two parts (the second from a cut point on): the parts as the array reads them,
// the bytes counted from 2 after a separator 1, so that plain sorting agrees.
TEST(SuffixArray, SortsAndMatchesEveryShape) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    const int shape = round % 5;
    const Ints t = MakeText(shape, round % 7 == 0 ? round % 3 : rng() % 300, rng);
    const Bytes bytes(t.begin(), t.end());
    const std::size_t cut = round % 2 == 0 || t.size() < 2 ? t.size() : 1 + rng() % (t.size() - 1);
    const TTwoPartText text{std::span(bytes).first(cut), std::span(bytes).subspan(cut)};
    Ints plain;  // the text as sorted: bytes + 2, the separator 1
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (i == cut) plain.push_back(1);
      plain.push_back(t[i] + 2);
    }
    Ints want;
    for (std::size_t p = 0; p < plain.size(); ++p) {
      if (plain[p] != 1) want.push_back(static_cast<std::int32_t>(p));
    }
    std::sort(want.begin(), want.end(), [&](std::int32_t a, std::int32_t b) {
      return std::lexicographical_compare(plain.begin() + a, plain.end(), plain.begin() + b,
                                          plain.end());
    });
    Ints sa = SuffixArray(text);
    ASSERT_EQ(sa, want) << "round " << round << " shape " << shape;
    // Times: a random order of the positions, packed as the keys.
    Ints time(plain.size());
    std::iota(time.begin(), time.end(), 0);
    std::shuffle(time.begin(), time.end(), rng);
    Ints positionOf(plain.size());
    for (std::size_t p = 0; p < plain.size(); ++p)
      positionOf[time[p]] = static_cast<std::int32_t>(p);
    const std::size_t cap = round % 3 == 0 ? 5 : 1024;
    PackCommonPrefixes(text, sa, cap, [&](std::int32_t p) { return time[p]; });
    for (std::size_t r = 0; r < sa.size(); ++r) {
      const std::int32_t lcp = r == 0 ? 0 : Common(plain, want[r - 1], want[r], cap);
      ASSERT_EQ(sa[r], time[want[r]] | lcp << kPositionBits) << "round " << round << " rank " << r;
    }
    Ints got(plain.size(), 0);
    Ints at(plain.size(), -1);
    EarlierMatches(sa, [&](std::int32_t now, std::int32_t length, std::int32_t then) {
      const std::int32_t p = positionOf[now];
      if (length < got[p] || (at[p] >= 0 && length == 0)) return;
      got[p] = length;
      at[p] = positionOf[then];
    });
    for (const std::int32_t p : want) {
      std::int32_t best = 0;
      for (const std::int32_t q : want) {
        if (time[q] < time[p]) best = std::max(best, Common(plain, p, q, cap));
      }
      ASSERT_EQ(got[p], best) << "round " << round << " position " << p;
      if (best > 0) {
        const auto q = static_cast<std::size_t>(at[p]);
        EXPECT_LT(time[q], time[p]) << "round " << round << " position " << p;
        EXPECT_EQ(Common(plain, p, q, cap), best) << "round " << round << " position " << p;
      }
    }
  }
}

// Long texts, where the sort recurses deeper and keeps its tables in the array's free space:
// every suffix but the separator's appears once, each above the one before it.
TEST(SuffixArray, SortsLongTexts) {
  struct TCase {
    const char* name;
    std::size_t size;
    std::size_t cut;  // the second part's start; size: one part
    int shape;        // 0 tile data, 1 random bytes, 2 four symbols
  };
  const TCase cases[] = {
      {"tile data, two parts", 40000, 20000, 0},
      {"tile data, one part", 65536, 65536, 0},
      {"random bytes, two parts", 70000, 35001, 1},
      {"four symbols, two parts", 30000, 9999, 2},
  };
  const Bytes tile = MakeTileLikeData(1 << 16, 7);
  std::mt19937 rng(3);
  for (const TCase& c : cases) {
    Bytes bytes(c.size);
    for (std::size_t i = 0; i < c.size; ++i) {
      bytes[i] = c.shape == 0   ? tile[i % tile.size()]
                 : c.shape == 1 ? static_cast<std::uint8_t>(rng())
                                : static_cast<std::uint8_t>(rng() % 4);
    }
    const TTwoPartText text{std::span(bytes).first(c.cut), std::span(bytes).subspan(c.cut)};
    Ints plain;  // as sorted: bytes + 2, the separator 1, the end 0
    for (std::size_t i = 0; i < c.size; ++i) {
      if (i == c.cut) plain.push_back(1);
      plain.push_back(bytes[i] + 2);
    }
    plain.push_back(0);
    const Ints sa = SuffixArray(text);
    ASSERT_EQ(sa.size(), c.size) << c.name;
    std::vector<bool> seen(plain.size(), false);
    for (std::size_t r = 0; r < sa.size(); ++r) {
      const auto p = static_cast<std::size_t>(sa[r]);
      ASSERT_TRUE(p < c.size + (c.cut < c.size ? 1 : 0) && p != c.cut && !seen[p])
          << c.name << " rank " << r;
      seen[p] = true;
      if (r == 0) continue;
      const auto q = static_cast<std::size_t>(sa[r - 1]);
      ASSERT_TRUE(
          std::lexicographical_compare(plain.begin() + static_cast<std::ptrdiff_t>(q), plain.end(),
                                       plain.begin() + static_cast<std::ptrdiff_t>(p), plain.end()))
          << c.name << " rank " << r;
    }
  }
}

}  // namespace
}  // namespace tegulo
