// Suffix sorting by induced sorting (SA-IS) and the common prefixes of suffix neighbours by
// the permuted-prefix method (one array besides the suffix array).
#include "compress/search/suffix_array.h"

#include <algorithm>
#include <cassert>

namespace tegulo {
namespace {

using Ints = std::vector<std::int32_t>;

// Frees a vector's memory before the next phase.
void Release(Ints& v) { Ints().swap(v); }

// The text's suffix types and bucket bounds, and the induced sort from a set of LMS seeds.
template <class T>
class TInducer {
public:
  TInducer(std::span<const T> s, std::int32_t alphabet)
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
  std::span<const T> s_;
  std::vector<std::uint8_t> small_;
  Ints lBucket_;
  Ints sBucket_;
};

// Names the sorted LMS substrings: equal substrings get equal names.
template <class T>
std::int32_t NameLms(std::span<const T> s, std::span<const std::int32_t> sorted,
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

template <class T>
std::vector<std::int32_t> SuffixArray(std::span<const T> text, std::int32_t alphabet) {
  const auto n = static_cast<std::int32_t>(text.size());
  if (n <= 2) {
    Ints sa(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) sa[i] = i;
    if (n == 2 && text[1] <= text[0]) std::swap(sa[0], sa[1]);
    return sa;
  }
  const TInducer<T> inducer(text, alphabet);
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
  // Only the names and the LMS positions go on: the rest is released before the recursion.
  Release(index);
  Release(sorted);
  Release(sa);
  Ints order = SuffixArray<std::int32_t>(names, count);
  Release(names);
  for (std::int32_t& k : order) k = lms[k];
  Release(lms);
  sa.resize(static_cast<std::size_t>(n));
  inducer.Induce(order, sa);
  return sa;
}

template std::vector<std::int32_t> SuffixArray(std::span<const std::int32_t>, std::int32_t);
template std::vector<std::int32_t> SuffixArray(std::span<const std::uint16_t>, std::int32_t);

template <class T>
std::vector<std::int32_t> CommonPrefixes(std::span<const T> text,
                                         std::span<const std::int32_t> sa) {
  // Each suffix's neighbour before it in suffix order, then, in text order (where the common
  // prefix falls by at most one a step), the prefix written over the neighbour.
  const std::size_t n = text.size();
  Ints plcp(n);
  if (n == 0) return plcp;
  plcp[sa[0]] = -1;
  for (std::size_t r = 1; r < n; ++r) plcp[sa[r]] = sa[r - 1];
  std::size_t h = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (plcp[i] < 0) {
      plcp[i] = 0;
      h = 0;
      continue;
    }
    const auto j = static_cast<std::size_t>(plcp[i]);
    while (i + h < n && j + h < n && text[i + h] == text[j + h]) ++h;
    plcp[i] = static_cast<std::int32_t>(h);
    if (h > 0) --h;
  }
  return plcp;
}

template std::vector<std::int32_t> CommonPrefixes(std::span<const std::int32_t>,
                                                  std::span<const std::int32_t>);
template std::vector<std::int32_t> CommonPrefixes(std::span<const std::uint16_t>,
                                                  std::span<const std::int32_t>);

}  // namespace tegulo
