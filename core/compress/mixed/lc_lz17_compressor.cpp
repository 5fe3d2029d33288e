// "LC_LZ17": the shortest stream, an exact cheapest parse over the bits used of the flag word.
#include <algorithm>
#include <array>
#include <cassert>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/mixed/lc_lz17_walk.h"
#include "compress/search/nearest_pair.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {

using namespace lclz17::walk;

namespace {

// The least value over positions left..last, where the left end moves down one position at a
// time and `last` lies at most kSpan past it: the positions whose value is below that of every
// position nearer the left end (their values fall as the positions grow), in a ring. Only the
// positions are kept (their low byte, as they lie within kSpan of the left end): the values
// come from `value`, which holds them already.
class TLeftMin {
public:
  static constexpr std::size_t kSpan = kLongMax - kFarMin;

  // Position `left` joins, one below the last one.
  template <class TValue>
  void Push(std::size_t left, const TValue& value) {
    left_ = left;
    const std::uint32_t v = value(left);
    while (size_ > 0 && value(At(0)) >= v) {
      head_ = (head_ + 1) & (kRing - 1);
      --size_;
    }
    head_ = (head_ + kRing - 1) & (kRing - 1);
    ring_[head_] = static_cast<std::uint8_t>(left);
    ++size_;
    while (At(size_ - 1) > left + kSpan) --size_;
  }

  // The position of the least value up to `last`; false when none is queued there.
  bool Min(std::size_t last, std::size_t& at) const {
    if (size_ == 0 || At(0) > last) return false;
    std::size_t lo = 0;
    std::size_t hi = size_ - 1;
    while (lo < hi) {
      const std::size_t mid = (lo + hi + 1) / 2;
      if (At(mid) <= last) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    at = At(lo);
    return true;
  }

private:
  static constexpr std::size_t kRing = 256;  // above kSpan + 1 entries, a power of two
  static_assert(kSpan + 2 <= kRing);
  std::size_t At(std::size_t k) const {
    return left_ + ((ring_[(head_ + k) & (kRing - 1)] - left_) & 0xFFU);
  }

  std::array<std::uint8_t, kRing> ring_{};
  std::size_t left_ = 0;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

// The longest copies at each position, in 32 bits: near (distance <= 256, up to 5 bytes, from
// 2) and far (distance <= 8192, up to 256 bytes, from 3).
class TReach {
public:
  explicit TReach(std::size_t n) : packed_(n, 0) {}
  std::size_t NearLength(std::size_t i) const { return packed_[i] & 7U; }
  std::size_t NearDistance(std::size_t i) const { return ((packed_[i] >> 3) & 0xFFU) + 1; }
  std::size_t FarLength(std::size_t i) const {
    const std::uint32_t x = (packed_[i] >> 11) & 0xFFU;
    return x == 0 ? 0 : x + 2;
  }
  std::size_t FarDistance(std::size_t i) const { return (packed_[i] >> 19) + 1; }

  // A near copy of 2..5 bytes (length 0: none).
  void SetNear(std::size_t i, std::size_t length, std::size_t distance) {
    if (length == 0) return;
    packed_[i] = (packed_[i] & ~0x7FFU) | static_cast<std::uint32_t>(length) |
                 static_cast<std::uint32_t>(distance - 1) << 3;
  }
  // A far copy of 3..256 bytes (shorter lengths: none).
  void SetFar(std::size_t i, std::size_t length, std::size_t distance) {
    if (length < 3) return;
    packed_[i] = (packed_[i] & 0x7FFU) | static_cast<std::uint32_t>(length - 2) << 11 |
                 static_cast<std::uint32_t>(distance - 1) << 19;
  }

private:
  std::vector<std::uint32_t> packed_;
};
static_assert(kShortMax < 8 && kShortDistance <= 0x100 && kLongMax - 2 <= 0xFF &&
              kLongDistance <= 0x2000);

TReach FindReach(std::span<const std::uint8_t> d) {
  const std::size_t n = d.size();
  // The far finder first, before the packed matches are taken: its trees are the larger.
  TLongestMatches farM = FindLongestMatches(d, {1, kLongDistance, 255});
  TReach r(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t len = farM.length[i];
    const std::size_t dist = farM.distance[i];
    // The finder stops at 255 bytes; a 256th equal byte at the same source is taken too.
    if (len == 255 && i + len < n && d[i + len] == d[i + len - dist]) ++len;
    r.SetFar(i, len, dist);
  }
  farM = {};
  const TLongestMatches nearM = FindLongestMatches(d, {1, kShortDistance, kShortMax});
  TNearestPair pairs(d, kShortDistance);
  // The last position has no two-byte copy, nor a longer one.
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::size_t pair = pairs.Next(i);
    if (nearM.length[i] != 0) {
      r.SetNear(i, nearM.length[i], nearM.distance[i]);
    } else if (pair != 0) {
      r.SetNear(i, 2, pair);
    }
  }
  return r;
}

// Costs in bytes with the state "bits used of the current word" (0..15): a token of b bits
// and y bytes from state s costs y + 2 * ((s + b) / 16) and leaves state (s + b) % 16; the
// last word counts 2 at the end. This is exact in bytes, where a parse by bits is not. Only
// the costs are kept; the writer finds at each step a token that gives the rest. A rest from
// one state costs at most a word more than from another (the same tokens complete at most one
// word more), so a position keeps its least cost and each state's excess in two bits.
class TPath {
public:
  explicit TPath(std::span<const std::uint8_t> d)
      : n_(d.size()), r_(FindReach(d)), least_(n_ + 1), excess_(n_ + 1) {
    std::array<std::uint32_t, 16> row{};
    for (unsigned s = 0; s < 16; ++s) row[s] = 3 + Words(s, 2) + 2;
    Set(n_, row);
    for (std::size_t i = n_; i-- > 0;) {
      if (i + kFarMin <= n_) {
        for (unsigned s = 0; s < 16; ++s) {
          far_[s].Push(i + kFarMin, [this, s](std::size_t at) { return At(at, s); });
        }
      }
      for (unsigned s = 0; s < 16; ++s) row[s] = Solve(i, s);
      Set(i, row);
    }
  }

  struct TPick {
    std::uint16_t length;  // 1 for a literal
    std::uint8_t kind;     // as TToken
  };
  // A first token of a cheapest rest from i in state s.
  TPick Pick(std::size_t i, unsigned s) const {
    const std::uint32_t goal = At(i, s);
    if (1 + Words(s, 1) + At(i + 1, (s + 1) % 16) == goal) return {1, 0};
    for (std::size_t len = 2; len <= r_.NearLength(i); ++len) {
      if (1 + Words(s, 4) + At(i + len, (s + 4) % 16) == goal)
        return {static_cast<std::uint16_t>(len), 1};
    }
    const unsigned longState = (s + 2) % 16;
    for (std::size_t len = 3; len <= r_.FarLength(i); ++len) {
      const std::uint32_t bytes = len <= kNearMax ? 2 : 3;  // from kFarMin on, the length byte
      if (bytes + Words(s, 2) + At(i + len, longState) == goal) {
        return {static_cast<std::uint16_t>(len), 2};
      }
    }
    return {1, 0};  // not reached: the cost came from one of these
  }
  const TReach& Reach() const { return r_; }
  std::uint32_t Cost() const { return At(0, 0); }

private:
  static std::uint32_t Words(unsigned s, unsigned bits) { return 2 * ((s + bits) / 16); }

  void Set(std::size_t i, const std::array<std::uint32_t, 16>& row) {
    const std::uint32_t least = *std::min_element(row.begin(), row.end());
    std::uint32_t excess = 0;
    for (unsigned s = 0; s < 16; ++s) {
      assert(row[s] - least <= 3);
      excess |= std::min<std::uint32_t>(row[s] - least, 3) << (2 * s);
    }
    least_[i] = least;
    excess_[i] = excess;
  }

  std::uint32_t At(std::size_t i, unsigned s) const {
    return least_[i] + ((excess_[i] >> (2 * s)) & 3U);
  }

  std::uint32_t Solve(std::size_t i, unsigned s) const {
    std::uint32_t best = 1 + Words(s, 1) + At(i + 1, (s + 1) % 16);
    const unsigned shortState = (s + 4) % 16;
    for (std::size_t len = 2; len <= r_.NearLength(i); ++len) {
      best = std::min(best, 1 + Words(s, 4) + At(i + len, shortState));
    }
    const std::size_t far = r_.FarLength(i);
    const unsigned longState = (s + 2) % 16;
    for (std::size_t len = 3; len <= std::min(far, kNearMax); ++len) {
      best = std::min(best, 2 + Words(s, 2) + At(i + len, longState));
    }
    if (far >= kFarMin) {
      std::size_t at = 0;
      if (far_[longState].Min(i + far, at))
        best = std::min(best, 3 + Words(s, 2) + At(at, longState));
    }
    return best;
  }

  std::size_t n_;
  TReach r_;
  std::vector<std::uint32_t> least_;
  std::vector<std::uint32_t> excess_;  // 2 bits a state
  std::array<TLeftMin, 16> far_{};
};

class TWriter {
public:
  TWriter() : out_(2, 0) {}
  void Bit(unsigned b) {
    if (b != 0) out_[word_ + used_ / 8] |= static_cast<std::uint8_t>(1u << (used_ % 8));
    if (++used_ == 16) {
      word_ = out_.size();
      out_.insert(out_.end(), {0, 0});
      used_ = 0;
    }
  }
  void Byte(std::size_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

private:
  std::vector<std::uint8_t> out_;
  std::size_t word_ = 0;
  unsigned used_ = 0;
};

void PutLong(TWriter& w, std::size_t len, std::size_t dist) {
  const std::size_t d = (kLongDistance - dist) & 0x1FFF;
  w.Bit(0);
  w.Bit(1);
  w.Byte(d);
  if (len <= kNearMax) {
    w.Byte((d >> 8) << 3 | (len - 2));
    return;
  }
  w.Byte((d >> 8) << 3);
  w.Byte(len - 1);
}

}  // namespace

std::vector<std::uint8_t> CompressLCLZ17(std::span<const std::uint8_t> data,
                                         const TCompressOptions& /*options*/) {
  if (data.size() > kDecodeBufferSize) {
    throw TError("LC_LZ17 data of " + std::to_string(data.size()) +
                 " bytes do not fit the working buffer (" + std::to_string(kDecodeBufferSize) +
                 " bytes)");
  }
  const TPath path(data);
  const TReach& r = path.Reach();
  TWriter w;
  unsigned state = 0;
  for (std::size_t i = 0; i < data.size();) {
    const TPath::TPick p = path.Pick(i, state);
    if (p.kind == 0) {
      w.Bit(1);
      w.Byte(data[i]);
      state = (state + 1) % 16;
    } else if (p.kind == 1) {
      const std::size_t code = p.length - 2;
      w.Bit(0);
      w.Bit(0);
      w.Bit(code >> 1);
      w.Bit(code & 1u);
      w.Byte(0x100 - r.NearDistance(i));
      state = (state + 4) % 16;
    } else {
      PutLong(w, p.length, r.FarDistance(i));
      state = (state + 2) % 16;
    }
    i += p.length;
  }
  // The end: distance bits as the usual encoder writes them.
  w.Bit(0);
  w.Bit(1);
  w.Byte(0x00);
  w.Byte(0xF0);
  w.Byte(0x00);
  return w.Take();
}

}  // namespace tegulo
