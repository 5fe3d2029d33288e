// "Koei": the compressor, a parse with the fewest stream bytes (koei_path.h), and the writer
// that follows it token by token.
#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/uCommon.h"
#include "compress/mixed/koei.h"
#include "compress/mixed/koei_path.h"
#include "compress/search/window_matches.h"

namespace tegulo {

using namespace koei;

namespace {

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
