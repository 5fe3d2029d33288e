// Suffix sorting by induced sorting (SA-IS): the sorted LMS substrings are named, the names'
// suffixes sorted by recursion inside the suffix array itself, and the order induced from
// them. Besides the array, a bit of type per symbol and one bucket table per level.
#include "compress/search/suffix_array.h"

#include <array>

namespace tegulo {
namespace {

using Int = std::int32_t;

// Bit i: the suffix at i is S-type (smaller than the suffix after it).
class TTypes {
public:
  explicit TTypes(std::size_t n) : bits_((n + 63) / 64, 0) {}
  bool S(Int i) const { return (bits_[Word(i)] >> (i & 63) & 1U) != 0; }
  void Set(Int i) { bits_[Word(i)] |= std::uint64_t{1} << (i & 63); }
  bool Lms(Int i) const { return i > 0 && S(i) && !S(i - 1); }

  // Calls f(i) for every LMS position i, rising: a word of types at a time.
  template <class F>
  void ForEachLms(F f) const {
    std::uint64_t before = 1;  // position 0 is never LMS: as if an S came before it
    for (std::size_t w = 0; w < bits_.size(); ++w) {
      const std::uint64_t s = bits_[w];
      std::uint64_t lms = s & ~(s << 1 | before);
      before = s >> 63;
      while (lms != 0) {
        f(static_cast<Int>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(lms))));
        lms &= lms - 1;
      }
    }
  }

private:
  static std::size_t Word(Int i) { return static_cast<std::size_t>(i) >> 6; }
  std::vector<std::uint64_t> bits_;
};

// Each symbol's count, and from them the start (or the end) of its bucket. TB: the tables'
// type, Int or (for fewer than 65536 symbols) 16 bits.
template <class TChr, class TB>
void Count(TChr chr, Int n, std::span<TB> count) {
  std::fill(count.begin(), count.end(), 0);
  chr.Down(n, [count](Int, Int c) { ++count[static_cast<std::size_t>(c)]; });
}
// With no counts kept (no room for them), counted again.
template <class TChr, class TB>
void Buckets(TChr chr, Int n, std::span<const TB> count, std::span<TB> bucket, bool end) {
  if (count.empty()) Count(chr, n, bucket);
  Int sum = 0;
  for (std::size_t c = 0; c < bucket.size(); ++c) {
    const Int size = count.empty() ? bucket[c] : count[c];
    sum += size;
    bucket[c] = static_cast<TB>(end ? sum : sum - size);
  }
}

// L-type suffixes from the sorted ones, left to right; then S-type ones, right to left.
template <class TChr, class TB>
void Induce(TChr chr, const TTypes& t, Int* sa, Int n, std::span<const TB> count,
            std::span<TB> bucket) {
  Buckets(chr, n, count, bucket, false);
  for (Int i = 0; i < n; ++i) {
    const Int j = sa[i] - 1;
    if (j >= 0 && !t.S(j)) sa[bucket[static_cast<std::size_t>(chr.Inner(j))]++] = j;
  }
  Buckets(chr, n, count, bucket, true);
  for (Int i = n; i-- > 0;) {
    const Int j = sa[i] - 1;
    if (j >= 0 && t.S(j)) sa[--bucket[static_cast<std::size_t>(chr.Inner(j))]] = j;
  }
}

template <class TChr>
void Sais(TChr chr, Int* sa, Int n, Int k, std::span<Int> free);

// Names the sorted LMS substrings (in sa[0..n1)) into sa[n1..n): equal ones alike, in order.
// Returns the count of names; the names end up in sa[n - n1..n) in text order. An LMS
// substring runs to the next LMS position, both included (the end symbol's is that symbol):
// two are equal when their lengths and symbols are (the types follow from the symbols, both
// ending S-type), so each one's length goes first where its name will be. The length test
// keeps the names exact and spares the symbol loop; no order depends on it: a shorter one
// equal to the start of the longer one before it is S-type at its last symbol c, where the
// longer one is L-type, so the longer one's next LMS substring starts below c, and one name
// for both would still leave their reduced suffixes in the right order.
template <class TChr>
Int NameLms(TChr chr, const TTypes& t, Int* sa, Int n, Int n1) {
  std::fill(sa + n1, sa + n, -1);
  Int last = -1;
  t.ForEachLms([&](Int i) {
    if (last >= 0) sa[n1 + last / 2] = i - last + 1;
    last = i;
  });
  sa[n1 + last / 2] = 1;  // the end symbol, always the last LMS position
  Int name = 0;
  Int prev = -1;
  Int prevLength = 0;
  for (Int i = 0; i < n1; ++i) {
    const Int pos = sa[i];
    const Int length = sa[n1 + pos / 2];
    bool differ = prev == -1 || length != prevLength;
    for (Int d = 0; !differ && d < length; ++d) differ = chr(pos + d) != chr(prev + d);
    if (differ) {
      ++name;
      prev = pos;
      prevLength = length;
    }
    sa[n1 + pos / 2] = name - 1;  // LMS positions lie two apart at least
  }
  for (Int i = n - 1, j = n - 1; i >= n1; --i) {  // as in the gathering: j >= i
    const Int named = sa[i];
    sa[j] = named;
    j -= named >= 0 ? 1 : 0;
  }
  return name;
}

// The symbols of a reduced string, held in the suffix array's own space. Inner(i) reads a
// position before the end symbol (the inductions read no other).
struct TNames {
  const Int* s;
  Int operator()(Int i) const { return s[i]; }
  Int Inner(Int i) const { return s[i]; }
  // f(i, symbol at i) for i = n - 1 down to 0.
  template <class F>
  void Down(Int n, F f) const {
    for (Int i = n; i-- > 0;) f(i, s[i]);
  }
};

// The text's symbols: the end 0, the separator 1, bytes from 2. A position is read with no
// branch (the inductions read positions of both parts in no order a predictor follows): by
// its place, k = 0 in the first part, 1 the separator (a zero byte of its own, less 1), 2 in
// the second, from its part's origin, the address position 0 would have in that part. The
// origins are integers, so that only addresses inside a part become pointers.
struct TBytes {
  std::array<std::uintptr_t, 3> origin;
  Int n1;
  Int m;  // the end's position
  Int operator()(Int i) const { return i >= m ? 0 : Inner(i); }
  Int Inner(Int i) const {
    const auto k = static_cast<std::size_t>(i >= n1) + static_cast<std::size_t>(i > n1);
    return Int{*At(k, i)} + 2 - static_cast<Int>(k == 1);
  }
  // The cast costs no optimization here: the address lies in the part's bytes, which are only
  // read; a table of pointers and of starts took a load more a symbol (4 % on uniform data).
  const std::uint8_t* At(std::size_t k, Int i) const {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<const std::uint8_t*>(origin[k] + static_cast<std::uintptr_t>(i));
  }
  // f(i, symbol at i) for i = n - 1 (m at most: the end) down to 0, a part at a time.
  template <class F>
  void Down(Int n, F f) const {
    Int i = n;
    if (i > m) {
      i = m;
      f(i, 0);
    }
    for (const Int second = n1 + 1; i > second;) {
      --i;
      f(i, Int{*At(2, i)} + 2);
    }
    if (i > n1) f(--i, 1);
    while (i > 0) {
      --i;
      f(i, Int{*At(0, i)} + 2);
    }
  }
};

// The sort of s[0..n) once its types are known, with the bucket tables given (`count` empty:
// counted again each time).
template <class TChr, class TB>
void Sort(TChr chr, const TTypes& t, Int* sa, Int n, std::span<const TB> count,
          std::span<TB> bucket) {
  Buckets(chr, n, count, bucket, true);
  std::fill(sa, sa + n, -1);
  t.ForEachLms([&](Int i) { sa[--bucket[static_cast<std::size_t>(chr(i))]] = i; });
  Induce(chr, t, sa, n, count, bucket);
  // The sorted LMS substrings to the front. Written at every step and kept by the count
  // (n1 <= i): which suffixes are LMS follows no pattern a branch predictor learns.
  Int n1 = 0;
  for (Int i = 0; i < n; ++i) {
    const Int at = sa[i];
    sa[n1] = at;
    n1 += t.Lms(at) ? 1 : 0;
  }
  const Int names = NameLms(chr, t, sa, n, n1);
  Int* s1 = sa + n - n1;
  if (names < n1) {
    // Between the names' suffix array (sa[0..n1)) and the names, the recursion's tables; ours
    // stay (they are the smaller on every level but the first).
    Sais(TNames{s1}, sa, n1, names, std::span<Int>(sa + n1, sa + n - n1));
  } else {
    for (Int i = 0; i < n1; ++i) sa[s1[i]] = i;
  }
  // The LMS suffixes in order, each placed at the end of its bucket, then the rest induced.
  Int placed = 0;
  t.ForEachLms([&](Int i) { s1[placed++] = i; });
  for (Int i = 0; i < n1; ++i) sa[i] = s1[sa[i]];
  std::fill(sa + n1, sa + n, -1);
  Buckets(chr, n, count, bucket, true);
  for (Int i = n1; i-- > 0;) {
    const Int j = sa[i];
    sa[i] = -1;
    sa[--bucket[static_cast<std::size_t>(chr(j))]] = j;
  }
  Induce(chr, t, sa, n, count, bucket);
}

// The suffix array of s[0..n) (symbols 0..k-1, s[n - 1] the only 0) into sa[0..n). The
// bucket tables go into `free` (space no one uses meanwhile) where they fit; else they are
// made, of 16 bits where the text is short enough.
template <class TChr>
void Sais(TChr chr, Int* sa, Int n, Int k, std::span<Int> free) {
  TTypes t(static_cast<std::size_t>(n));
  t.Set(n - 1);
  bool s = true;
  Int next = chr(n - 1);
  chr.Down(n - 1, [&](Int i, Int c) {
    s = c < next || (c == next && s);
    if (s) t.Set(i);
    next = c;
  });
  // Both tables; or the buckets only, counted again each time, unless there is room for both
  // or (the first level of a long text: no free space, a small alphabet) they are few.
  const auto size = static_cast<std::size_t>(k);
  const bool keepCounts =
      free.size() >= 2 * size || (free.empty() && static_cast<std::size_t>(n) >= 16 * size);
  const std::size_t tables = (keepCounts ? 2 : 1) * size;
  const auto split = [size, keepCounts](auto space) {
    using TSpan = decltype(space);
    return std::pair{keepCounts ? space.subspan(size, size) : TSpan(), space.subspan(0, size)};
  };
  if (free.size() >= size) {
    const auto [count, bucket] = split(free);
    if (!count.empty()) Count(chr, n, count);
    Sort(chr, t, sa, n, std::span<const Int>(count), bucket);
  } else if (n <= 0xFFFF) {
    std::vector<std::uint16_t> space(tables);
    const auto [count, bucket] = split(std::span<std::uint16_t>(space));
    if (!count.empty()) Count(chr, n, count);
    Sort(chr, t, sa, n, std::span<const std::uint16_t>(count), bucket);
  } else {
    std::vector<Int> space(tables);
    const auto [count, bucket] = split(std::span<Int>(space));
    if (!count.empty()) Count(chr, n, count);
    Sort(chr, t, sa, n, std::span<const Int>(count), bucket);
  }
}

}  // namespace

// The text with the end symbol after it; the end's and the separator's suffixes, first in
// order, are dropped at the end (the array shrinks without moving elsewhere).
std::vector<std::int32_t> SuffixArray(const TTwoPartText& text) {
  const auto m = static_cast<Int>(text.Size());
  if (m == 0) return {};
  std::vector<Int> sa(static_cast<std::size_t>(m) + 1);
  const auto n1 = static_cast<Int>(text.first.size());
  // With one part no position reads the separator or the second (whose data may be null).
  static constexpr std::uint8_t kSeparator = 0;
  const auto origin = [](const std::uint8_t* p, Int at) {
    return reinterpret_cast<std::uintptr_t>(p) - static_cast<std::uintptr_t>(at);
  };
  const TBytes chr{.origin = {origin(text.first.data(), 0), origin(&kSeparator, n1),
                              origin(text.second.data(), n1 + 1)},
                   .n1 = n1,
                   .m = m};
  Sais(chr, sa.data(), m + 1, 258, {});
  const std::size_t drop = text.second.empty() ? 1 : 2;  // the end; the separator next
  sa.erase(sa.begin(), sa.begin() + static_cast<std::ptrdiff_t>(drop));
  return sa;
}

}  // namespace tegulo
