// "Koei": the compressor, a parse with the fewest stream bytes. Costs are counted in eighths
// of a byte: a literal 8 + 1 for its flag, a copy 1 for its flag and 16 for each code word its
// bits open, the end code likewise, and 16 for the two dead bytes of a reserved word place that
// bytes follow. Flag bytes are thus paid an eighth at a time: the stream's size is the total
// rounded up, since the eighths of the flags are the only part that is not a whole byte. The
// parse state is the number of bits left in the current code word.
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "base/uCommon.h"
#include "compress/mixed/koei.h"
#include "compress/mixed/koei_levels.h"
#include "compress/mixed/koei_values.h"
#include "compress/search/window_matches.h"

namespace tegulo {
namespace {

using koei::kMaxDistance;
using koei::kMaxLength;
using koei::kMinLength;

constexpr unsigned kEndCode = 127;  // 0000000 1111111
constexpr unsigned kEndBits = 14;
using koei::kClasses;
using koei::kNone;
using koei::kWordBits;
using koei::LongestCopy;
using koei::RingFor;
using koei::TFullValues;
using koei::TLeast;
using koei::TLevels;
using koei::TLongest;
using koei::TPlainOnly;
using koei::TSplit;
using koei::TValues;

// The distance classes: the largest distance of each and its code's bits.
constexpr std::array<std::size_t, kClasses> kClassMax = {4, 8, 32, 128, 256, 512, 1024, 2048, 4096};
constexpr std::array<unsigned, kClasses> kClassBits = {6, 7, 8, 9, 10, 11, 12, 13, 14};

// The length code's bits for `length` 2..255.
constexpr unsigned LengthBits(std::size_t length) {
  if (length >= 129) return 14;
  // 2^z + 1 .. 2^(z+1): z zeros, a one, z bits.
  return 2 * static_cast<unsigned>(std::bit_width(length - 1) - 1) + 1;
}

// The lengths of one length-code size.
struct TRange {
  std::size_t first;
  std::size_t last;
};
constexpr std::array<TRange, 8> kLengthRanges = {
    {{2, 2}, {3, 4}, {5, 8}, {9, 16}, {17, 32}, {33, 64}, {65, 128}, {129, 255}}};

// Costs in eighths of a byte.
constexpr std::uint32_t kLiteralCost = 9;
constexpr std::uint32_t kWordCost = 16;
constexpr std::uint32_t kEndCost = 1 + kWordCost;  // its flag and the word it opens, or dead bytes
constexpr std::uint32_t kCornerEnd = 1;            // its flag; the word holds it already

// Taking `bits` code bits with `left` bits left in the current word: the words opened and the
// bits then left.
struct TStep {
  std::uint8_t words;
  std::uint8_t left;
};
constexpr unsigned kMostBits = 14 + 14;
using TStepTable = std::array<std::array<TStep, kMostBits + 1>, kWordBits>;
constexpr TStepTable MakeSteps() {
  TStepTable t{};
  for (unsigned left = 0; left < kWordBits; ++left) {
    for (unsigned bits = 0; bits <= kMostBits; ++bits) {
      if (bits <= left) {
        t[left][bits] = {0, static_cast<std::uint8_t>(left - bits)};
        continue;
      }
      const unsigned need = bits - left;
      const unsigned words = (need + kWordBits - 1) / kWordBits;
      t[left][bits] = {static_cast<std::uint8_t>(words),
                       static_cast<std::uint8_t>(words * kWordBits - need)};
    }
  }
  return t;
}
constexpr TStepTable kSteps = MakeSteps();

// A copy that ends the data and opens a word with room for the whole end code: the end code
// is read without a new word, and whether the place reserved by that word has bytes after it
// depends on whether the end code's flag opens a flag byte. That is so when the tokens before
// it are a multiple of eight: when the total cost is 1 modulo 8 (a total is congruent to its
// flag count, every other cost being whole bytes). Such a stream is two bytes longer.
bool IsCornerEnd(TStep s) { return s.words != 0 && s.left >= kEndBits; }

// The stream bytes of a whole-stream cost and whether it is a corner end.
std::uint32_t Bytes(std::uint32_t cost, bool corner) {
  return (cost + 7) / 8 + (corner && (cost & 7U) == 1 ? 2 : 0);
}

// The goal of the parse: whether it ends in a corner, and its total cost.
struct TGoal {
  bool corner = false;
  std::uint32_t cost = kNone;
};
TGoal Best(TLeast v) { return {false, v.v}; }
TGoal Best(TSplit v) {
  TGoal g{false, v.plain};
  for (const std::uint32_t x : {v.corner, v.other}) {
    if (x < kNone && Bytes(x, true) < Bytes(g.cost, g.corner)) g = {true, x};
  }
  return g;
}

// From the window matcher's pairs (each longer and farther than the one before).
TLongest LongestOf(const TMatchPair* pairs, std::size_t count) {
  TLongest l{};
  std::size_t k = 0;
  for (std::size_t p = 0; p < count; ++p) {
    while (pairs[p].distance > kClassMax[k]) {
      if (k + 1 < kClasses) l[k + 1] = l[k];
      ++k;
    }
    l[k] = static_cast<std::uint8_t>(pairs[p].length);
  }
  for (; k + 1 < kClasses; ++k) l[k + 1] = l[k];
  return l;
}

// One entry a position and one for the end, which TValues<TLeast> takes over.
std::vector<TLongest> FindLongest(std::span<const std::uint8_t> d) {
  std::vector<TLongest> longest(d.size() + 1);
  TWindowMatcher matcher(d, kMaxDistance, kMaxLength);
  std::array<TMatchPair, kMaxLength> pairs{};
  for (std::size_t i = 0; i < d.size(); ++i) {
    longest[i] = LongestOf(pairs.data(), matcher.Matches(i, pairs.data()));
  }
  return longest;
}

// The least cost from every position and state to the end, from the end down. Copies of one
// class and one length-code size cost the same, so the cheapest place to land among them is
// a range minimum: a sparse table over the positions the longest copy reaches.
template <class V, class TStore = TValues<V>>
class TKoeiPath {
public:
  // The ring of values and its block minima serve the solving only: they are let go after it.
  // The ring holds the positions the longest copy reaches, with the block sizes its length
  // ranges ask for.
  TKoeiPath(std::span<TLongest> longest, std::size_t n)
      : n_(n),
        ring_(RingFor(n + 1, LongestCopy(longest))),
        levels_(LevelsFor(LongestCopy(longest))),
        value_(n + 1, longest, LongestCopy(longest)),
        level_(levels_, ring_) {
    std::array<V, kWordBits> end;
    end.fill(V::Plain(kEndCost));
    level_.Put(n, end.data());
    value_.Put(n, end.data());
    for (std::size_t i = n; i-- > 0 && level_.Fits();) Solve(i, longest[i]);
    fits_ = level_.Fits();
    level_.Release();
  }

  V At(std::size_t i, unsigned left) const { return value_.At(i, left); }
  bool Fits() const { return fits_ && value_.Fits(); }

  // What a copy of `length` bytes from i with `bits` code bits leads to (for the writer).
  V Landing(std::size_t i, std::size_t length, TStep step) const {
    if (i + length == n_ && IsCornerEnd(step)) return V::Corner(kCornerEnd);
    return At(i + length, step.left);
  }

private:
  // Blocks of 1, 2, 4.. positions, up to the widest range of copy lengths of one length-code
  // size that the longest copy reaches (at most 64: ranges up to 127).
  static std::size_t LevelsFor(std::size_t longestCopy) {
    std::size_t widest = 1;
    for (const TRange& r : kLengthRanges) {
      if (r.first <= longestCopy)
        widest = std::max(widest, std::min(r.last, longestCopy) - r.first + 1);
    }
    return static_cast<std::size_t>(std::bit_width(widest));
  }

  void Solve(std::size_t i, const TLongest& reach) {
    std::array<V, kWordBits> best;
    for (unsigned s = 0; s < kWordBits; ++s) best[s] = level_.At(i + 1, s).Plus(kLiteralCost);
    std::size_t covered = 1;  // lengths up to this have a cheaper class
    for (std::size_t k = 0; k < kClasses; ++k) {
      const std::size_t longest = std::min<std::size_t>(reach[k], n_ - i);
      if (longest <= covered) continue;
      for (const TRange& range : kLengthRanges) {
        const std::size_t first = std::max(range.first, covered + 1);
        const std::size_t last = std::min(range.last, longest);
        if (first <= last) Copies(i, first, last, LengthBits(range.first) + kClassBits[k], best);
      }
      covered = longest;
    }
    level_.Put(i, best.data());
    value_.Put(i, best.data());
    for (std::size_t level = 1; level < levels_; ++level) {
      const std::size_t half = std::size_t{1} << (level - 1);
      if (i + 2 * half > n_) break;  // a block past the last position is never asked for
      level_.Join(level, i, half);
    }
  }

  // Copies of first..last bytes from i, each of `bits` code bits.
  void Copies(std::size_t i, std::size_t first, std::size_t last, unsigned bits,
              std::array<V, kWordBits>& best) const {
    const std::size_t from = i + first;
    const std::size_t to = std::min(i + last, n_ - 1);  // the end is handled apart
    std::optional<typename TLevels<V>::TLand> range;
    if (from <= to) {
      const auto level = static_cast<std::size_t>(std::bit_width(to - from + 1) - 1);
      range = level_.Land(level, from, to + 1 - (std::size_t{1} << level));
    }
    for (unsigned s = 0; s < kWordBits; ++s) {
      const TStep step = kSteps[s][bits];
      V land = range ? range->At(step.left) : V{};
      if (i + last == n_) {
        const V end = IsCornerEnd(step) ? V::Corner(kCornerEnd) : level_.At(n_, step.left);
        land = V::Min(land, end);
      }
      best[s] = V::Min(best[s], land.Plus(1 + kWordCost * step.words));
    }
  }

  std::size_t n_;
  std::size_t ring_;  // the positions a copy reaches (or all there are), a power of two
  std::size_t levels_;
  TStore value_;
  TLevels<V> level_;  // the last ring_ positions' values and their blocks' minima
  bool fits_ = true;
};

// Writes flags, bytes and code bits in the order the reader takes them.
class TWriter {
public:
  // `bytes`: the stream's size as the parse counted it, which the buffer takes at once.
  explicit TWriter(std::size_t bytes) : out_(2, 0) { out_.reserve(bytes + 2); }
  void Flag(bool set) {
    if (flagsLeft_ == 0) {
      flagAt_ = out_.size();
      out_.push_back(0);
      flagsLeft_ = 8;
    }
    --flagsLeft_;
    if (set) out_[flagAt_] |= static_cast<std::uint8_t>(1U << flagsLeft_);
  }
  void Byte(std::uint8_t v) { out_.push_back(v); }
  void Bits(unsigned count, unsigned v) {
    for (unsigned k = count; k-- > 0;) {
      if (wordLeft_ == 0) {
        wordAt_ = next_;
        next_ = out_.size();
        out_.insert(out_.end(), {0, 0});
        wordLeft_ = kWordBits;
      }
      --wordLeft_;
      if (((v >> k) & 1U) != 0) {
        out_[wordAt_ + wordLeft_ / 8] |= static_cast<std::uint8_t>(1U << (wordLeft_ % 8));
      }
    }
  }
  std::vector<std::uint8_t> Take() {
    // A reserved place with nothing after it is left out, as the decoder never reads it.
    if (next_ + 2 == out_.size()) out_.resize(next_);
    return std::move(out_);
  }

private:
  std::vector<std::uint8_t> out_;
  std::size_t flagAt_ = 0;
  unsigned flagsLeft_ = 0;
  std::size_t wordAt_ = 0;
  std::size_t next_ = 0;  // the reserved place of the next code word
  unsigned wordLeft_ = 0;
};

void PutLength(TWriter& w, std::size_t length) {
  if (length >= 129) {
    w.Bits(14, static_cast<unsigned>(length - 129));
    return;
  }
  const unsigned z = (LengthBits(length) - 1) / 2;
  w.Bits(z + 1, 1);
  w.Bits(z, static_cast<unsigned>(length - (std::size_t{1} << z) - 1));
}

void PutDistance(TWriter& w, std::size_t distance) {
  const auto at = std::lower_bound(kClassMax.begin(), kClassMax.end(), distance);
  const auto k = static_cast<std::size_t>(at - kClassMax.begin());
  // The first distance of each class is coded as the class's smallest code.
  constexpr std::array<unsigned, kClasses> kBase = {0x00,  0x08,  0x18,   0x60,  0x180,
                                                    0x400, 0xA00, 0x1800, 0x3800};
  constexpr std::array<std::size_t, kClasses> kFirst = {1, 5, 9, 33, 129, 257, 513, 1025, 2049};
  w.Bits(kClassBits[k], kBase[k] + static_cast<unsigned>(distance - kFirst[k]));
}

// The nearest source of `length` bytes or more among the matcher's pairs.
std::size_t NearestOf(const TMatchPair* pairs, std::size_t count, std::size_t length) {
  for (std::size_t p = 0; p < count; ++p) {
    if (pairs[p].length >= length) return pairs[p].distance;
  }
  return 0;  // not reached: the length came from these pairs
}

// Follows the path to `goal` from the start, token by token, and writes it: at each position a
// token whose cost and landing give the rest of the goal.
template <class V, class TStore>
std::vector<std::uint8_t> WritePath(std::span<const std::uint8_t> d,
                                    const TKoeiPath<V, TStore>& path, TGoal goal) {
  const std::size_t n = d.size();
  TWriter w(Bytes(goal.cost, goal.corner));
  TWindowMatcher matcher(d, kMaxDistance, kMaxLength);
  std::array<TMatchPair, kMaxLength> pairs{};
  std::uint32_t rest = goal.cost;
  unsigned left = 0;
  for (std::size_t i = 0; i < n;) {
    const std::size_t count = matcher.Matches(i, pairs.data());
    if (rest >= kLiteralCost && path.At(i + 1, left).Offers(goal.corner, rest - kLiteralCost)) {
      w.Flag(true);
      w.Byte(d[i]);
      rest -= kLiteralCost;
      ++i;
      continue;
    }
    const TLongest longest = LongestOf(pairs.data(), count);
    std::size_t length = 0;
    TStep step{};
    std::size_t covered = 1;
    for (std::size_t k = 0; k < kClasses && length == 0; ++k) {
      for (std::size_t len = covered + 1; len <= longest[k] && length == 0; ++len) {
        step = kSteps[left][LengthBits(len) + kClassBits[k]];
        const std::uint32_t cost = 1 + kWordCost * step.words;
        if (rest >= cost && path.Landing(i, len, step).Offers(goal.corner, rest - cost)) {
          length = len;
          rest -= cost;
        }
      }
      covered = std::max<std::size_t>(covered, longest[k]);
    }
    assert(length != 0);
    if (length == 0) throw TError("Koei: internal error in the parse");
    w.Flag(false);
    PutLength(w, length);
    PutDistance(w, NearestOf(pairs.data(), count, length));
    for (std::size_t p = i + 1; p < i + length; ++p) matcher.Skip(p);
    i += length;
    left = step.left;
  }
  w.Flag(false);
  w.Bits(kEndBits, kEndCode);
  return w.Take();
}

}  // namespace

std::vector<std::uint8_t> CompressKoei(std::span<const std::uint8_t> data,
                                       const TCompressOptions& /*options*/) {
  if (data.size() > kDecodeBufferSize) {
    throw TError("Koei data of " + std::to_string(data.size()) +
                 " bytes do not fit the working buffer (" + std::to_string(kDecodeBufferSize) +
                 " bytes)");
  }
  static_assert(kMinLength == 2);
  std::uint32_t bound = 0;  // no stream is shorter (0: not known)
  {
    // The path keeps its rows in `longest` as it spends them.
    std::vector<TLongest> longest = FindLongest(data);
    const TKoeiPath<TLeast> path(longest, data.size());
    if (path.Fits()) {
      const TGoal goal = Best(path.At(0, 0));
      std::vector<std::uint8_t> stream = WritePath(data, path, goal);
      bound = Bytes(goal.cost, false);
      // Only a corner end with the unlucky flag count comes out above the bound.
      if (stream.size() == bound) return stream;
    }
  }
  if (bound != 0) {
    // A stream with a plain end that reaches the bound is as short as any.
    std::vector<TLongest> longest = FindLongest(data);
    const TKoeiPath<TPlainOnly> path(longest, data.size());
    const std::uint32_t cost = path.Fits() ? path.At(0, 0).v : kNone;
    if (cost < kNone && Bytes(cost, false) == bound) return WritePath(data, path, {false, cost});
  }
  std::vector<TLongest> longest = FindLongest(data);
  {
    const TKoeiPath<TSplit> path(longest, data.size());
    if (path.Fits()) return WritePath(data, path, Best(path.At(0, 0)));
  }
  longest = FindLongest(data);
  const TKoeiPath<TSplit, TFullValues<TSplit>> path(longest, data.size());
  return WritePath(data, path, Best(path.At(0, 0)));
}

}  // namespace tegulo
