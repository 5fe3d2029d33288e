// Suffix sorting by induced sorting (SA-IS), Kasai's common prefixes, and the nearest
// smaller times on either side of every suffix by one stack pass each way.
#include "compress/search/suffix_array.h"

#include <algorithm>
#include <cassert>

namespace tegulo {
namespace {

using Ints = std::vector<std::int32_t>;

// The text's suffix types and bucket bounds, and the induced sort from a set of LMS seeds.
class TInducer {
public:
  TInducer(std::span<const std::int32_t> s, std::int32_t alphabet)
      : s_(s), small_(s.size(), 0), lBucket_(alphabet + 1, 0), sBucket_(alphabet + 1, 0) {
    const std::size_t n = s.size();
    for (std::size_t i = n - 1; i-- > 0;) {
      small_[i] = s[i] == s[i + 1] ? small_[i + 1] : static_cast<std::uint8_t>(s[i] < s[i + 1]);
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (small_[i] == 0) {
        ++sBucket_[s[i]];
      } else {
        ++lBucket_[s[i] + 1];
      }
    }
    // lBucket_[c]: where c's L suffixes start; sBucket_[c]: where its S suffixes start.
    for (std::int32_t c = 0; c <= alphabet; ++c) {
      sBucket_[c] += lBucket_[c];
      if (c < alphabet) lBucket_[c + 1] += sBucket_[c];
    }
  }

  bool Small(std::size_t i) const { return small_[i] != 0; }
  bool Lms(std::size_t i) const { return i > 0 && small_[i] != 0 && small_[i - 1] == 0; }

  void Induce(std::span<const std::int32_t> lms, Ints& sa) const {
    const auto n = static_cast<std::int32_t>(s_.size());
    std::fill(sa.begin(), sa.end(), -1);
    Ints next(sBucket_);
    for (const std::int32_t d : lms) sa[next[s_[d]]++] = d;
    next = lBucket_;
    sa[next[s_[n - 1]]++] = n - 1;
    for (std::int32_t i = 0; i < n; ++i) {
      const std::int32_t v = sa[i];
      if (v >= 1 && !Small(v - 1)) sa[next[s_[v - 1]]++] = v - 1;
    }
    next = lBucket_;
    for (std::int32_t i = n; i-- > 0;) {
      const std::int32_t v = sa[i];
      if (v >= 1 && Small(v - 1)) sa[--next[s_[v - 1] + 1]] = v - 1;
    }
  }

private:
  std::span<const std::int32_t> s_;
  std::vector<std::uint8_t> small_;
  Ints lBucket_;
  Ints sBucket_;
};

// Names the sorted LMS substrings: equal substrings get equal names.
std::int32_t NameLms(std::span<const std::int32_t> s, std::span<const std::int32_t> sorted,
                     std::span<const std::int32_t> lms, std::span<const std::int32_t> index,
                     Ints& names) {
  const auto n = static_cast<std::int32_t>(s.size());
  const auto m = static_cast<std::int32_t>(lms.size());
  const auto end = [&](std::int32_t p) { return index[p] + 1 < m ? lms[index[p] + 1] : n; };
  std::int32_t name = 0;
  names[index[sorted[0]]] = 0;
  for (std::int32_t k = 1; k < m; ++k) {
    std::int32_t l = sorted[k - 1];
    std::int32_t r = sorted[k];
    bool same = end(l) - l == end(r) - r;
    if (same) {
      const std::int32_t stop = end(l);
      while (l < stop && s[l] == s[r]) {
        ++l;
        ++r;
      }
      same = l < n && r < n && s[l] == s[r];
    }
    if (!same) ++name;
    names[index[sorted[k]]] = name;
  }
  return name + 1;
}

}  // namespace

std::vector<std::int32_t> SuffixArray(std::span<const std::int32_t> text, std::int32_t alphabet) {
  const auto n = static_cast<std::int32_t>(text.size());
  if (n <= 2) {
    Ints sa(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) sa[i] = i;
    if (n == 2 && text[1] <= text[0]) std::swap(sa[0], sa[1]);
    return sa;
  }
  const TInducer inducer(text, alphabet);
  Ints index(static_cast<std::size_t>(n), -1);
  Ints lms;
  for (std::int32_t i = 1; i < n; ++i) {
    if (inducer.Lms(static_cast<std::size_t>(i))) {
      index[i] = static_cast<std::int32_t>(lms.size());
      lms.push_back(i);
    }
  }
  Ints sa(static_cast<std::size_t>(n));
  inducer.Induce(lms, sa);
  if (lms.empty()) return sa;
  Ints sorted;
  sorted.reserve(lms.size());
  for (const std::int32_t v : sa) {
    if (index[v] >= 0) sorted.push_back(v);
  }
  Ints names(lms.size());
  const std::int32_t count = NameLms(text, sorted, lms, index, names);
  const Ints inner = SuffixArray(names, count);
  for (std::size_t k = 0; k < lms.size(); ++k) sorted[k] = lms[inner[k]];
  inducer.Induce(sorted, sa);
  return sa;
}

std::vector<std::int32_t> CommonPrefixes(std::span<const std::int32_t> text,
                                         std::span<const std::int32_t> sa) {
  const std::size_t n = text.size();
  Ints rank(n);
  for (std::size_t r = 0; r < n; ++r) rank[sa[r]] = static_cast<std::int32_t>(r);
  Ints lcp(n, 0);
  std::size_t h = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (rank[i] == 0) {
      h = 0;
      continue;
    }
    const auto j = static_cast<std::size_t>(sa[rank[i] - 1]);
    while (i + h < n && j + h < n && text[i + h] == text[j + h]) ++h;
    lcp[rank[i]] = static_cast<std::int32_t>(h);
    if (h > 0) --h;
  }
  return lcp;
}

std::vector<TEarlierMatch> EarlierMatches(std::span<const std::int32_t> sa,
                                          std::span<const std::int32_t> lcp,
                                          std::span<const std::int32_t> when, std::size_t queries) {
  const std::size_t n = sa.size();
  std::vector<TEarlierMatch> best(queries);
  // Stack entries: a rank and its common prefix with the entry below it. Its depth stays far
  // below the text's length on real data, so it grows as needed.
  std::vector<std::pair<std::int32_t, std::int32_t>> stack;
  const auto pass = [&](std::size_t r, std::int32_t h) {
    while (!stack.empty() && when[stack.back().first] > when[r]) {
      h = std::min(h, stack.back().second);
      stack.pop_back();
    }
    const auto p = static_cast<std::size_t>(sa[r]);
    if (!stack.empty() && p < queries && h > best[p].length) {
      best[p] = {h, sa[stack.back().first]};
    }
    stack.emplace_back(static_cast<std::int32_t>(r), h);
  };
  for (std::size_t r = 0; r < n; ++r) pass(r, lcp[r]);
  stack.clear();
  for (std::size_t r = n; r-- > 0;) pass(r, r + 1 < n ? lcp[r + 1] : 0);
  return best;
}

}  // namespace tegulo
