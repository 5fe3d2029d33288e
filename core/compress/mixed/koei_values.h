// "Koei": the compressor's costs per parse state and how every position's costs are kept for
// the writer (koei_path.h alone includes it). Costs are in eighths of a byte; a row
// holds a position's cost for each of the 16 states (the bits left in the current code word).
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace tegulo::koei {

inline constexpr unsigned kWordBits = 16;
inline constexpr std::size_t kClasses = 9;  // distance classes
inline constexpr std::uint32_t kNone = 0x3FFFFFFF;

inline std::uint32_t Add(std::uint32_t v, std::uint32_t cost) {
  return v >= kNone ? kNone : v + cost;
}

// The least cost of the rest, the corner ends counted as if their flag never opened a byte.
// Exact except for a stream whose best parse ends in a corner with the unlucky count; the
// compressor then parses for a plain end (TPlainOnly) and, where that is longer, with TSplit.
struct TLeast {
  std::uint32_t v = kNone;
  static TLeast Plain(std::uint32_t x) { return {x}; }
  static TLeast Corner(std::uint32_t x) { return {x}; }
  TLeast Plus(std::uint32_t cost) const { return {Add(v, cost)}; }
  static TLeast Min(TLeast a, TLeast b) { return {std::min(a.v, b.v)}; }
  bool Offers(bool /*corner*/, std::uint32_t t) const { return v == t; }
};

// The least cost of the rests that do not end in a corner: when the least of all ends in a
// corner with the unlucky flag count, a plain rest often costs no byte more than that least.
struct TPlainOnly {
  std::uint32_t v = kNone;
  static TPlainOnly Plain(std::uint32_t x) { return {x}; }
  static TPlainOnly Corner(std::uint32_t /*x*/) { return {kNone}; }
  TPlainOnly Plus(std::uint32_t cost) const { return {Add(v, cost)}; }
  static TPlainOnly Min(TPlainOnly a, TPlainOnly b) { return {std::min(a.v, b.v)}; }
  bool Offers(bool corner, std::uint32_t t) const { return !corner && v == t; }
};

// The least cost of the rests that do not end in a corner, and of those that do the least and
// the least of another residue modulo 8: enough to know the best corner end without the
// unlucky residue.
struct TSplit {
  std::uint32_t plain = kNone;
  std::uint32_t corner = kNone;
  std::uint32_t other = kNone;  // a residue mod 8 other than corner's
  static TSplit Plain(std::uint32_t x) { return {x, kNone, kNone}; }
  static TSplit Corner(std::uint32_t x) { return {kNone, x, kNone}; }
  TSplit Plus(std::uint32_t cost) const {
    return {Add(plain, cost), Add(corner, cost), Add(other, cost)};
  }
  static TSplit Min(TSplit a, TSplit b) {
    TSplit m{std::min(a.plain, b.plain), std::min(a.corner, b.corner), kNone};
    if (m.corner >= kNone) return m;
    const std::uint32_t r = m.corner & 7U;
    for (const std::uint32_t x : {a.corner, a.other, b.corner, b.other}) {
      if (x < m.other && (x & 7U) != r) m.other = x;
    }
    return m;
  }
  bool Offers(bool inCorner, std::uint32_t t) const {
    return inCorner ? (corner == t || other == t) : plain == t;
  }
};

// The longest copy of each distance class at every position.
using TLongest = std::array<std::uint8_t, kClasses>;

// The longest copy anywhere in the data (the last class's length is each position's longest).
inline std::size_t LongestCopy(std::span<const TLongest> longest) {
  std::size_t most = 0;
  for (const TLongest& l : longest) most = std::max<std::size_t>(most, l[kClasses - 1]);
  return most;
}

// The positions a value ring must hold: the one at hand and every one a copy reaches.
inline std::size_t RingFor(std::size_t positions, std::size_t longestCopy) {
  return std::bit_ceil(std::min(positions, longestCopy + 2));
}

// Every position's values, kept for the writer, in full: 64 or 192 bytes a position, only where
// the rows break the bounds TValues packs them by (never seen).
template <class V>
class TFullValues {
public:
  TFullValues(std::size_t positions, std::span<TLongest> /*spent*/, std::size_t /*longestCopy*/)
      : v_(positions * kWordBits) {}
  void Put(std::size_t i, const V* row) { std::copy(row, row + kWordBits, &v_[i * kWordBits]); }
  V At(std::size_t i, unsigned left) const { return v_[i * kWordBits + left]; }
  bool Fits() const { return true; }

private:
  std::vector<V> v_;
};

// Every position's values, kept for the writer, packed (below).
template <class V>
class TValues;

// Rows of least costs in 5 bytes a position, in the place of its longest copies once the
// solving has spent them (so the solving takes no memory beyond those). A rest never costs
// more with more bits left in the word (the same tokens open no more words), nor more than a
// word (16) more from state 0 than from state 15; so a row is state 15's value and how much
// each state's value falls to the next: for each state from 14 down to 0 as many ones as its
// value lies above the next state's, then a zero, 31 bits at most. State 15's value is kept as
// its difference from the next position's. The writer reads forward, so the rows it may ask
// for (its own and those the longest copy reaches) are unpacked in a ring as it goes. Rows of
// costs that leave out some rests (TPlainOnly) may break the form near the end: a few of them
// are kept whole beside it.
template <class V>
class TPackedValues {
public:
  TPackedValues(std::size_t positions, std::span<TLongest> spent, std::size_t longestCopy)
      : slot_(spent), mask_(RingFor(positions, longestCopy) - 1), most_(positions / 64 + 16) {
    assert(spent.size() == positions);
  }
  // Rows come from the last position down, each once its position's longest copies are spent.
  void Put(std::size_t i, const V* row) {
    const std::uint32_t last = row[kWordBits - 1].v;
    const std::int64_t delta = std::int64_t{last} - std::int64_t{lowest_};
    fits_ = fits_ && last < kNone &&
            (i + 1 == slot_.size() || (delta >= INT8_MIN && delta <= INT8_MAX));
    lowest_ = last;
    std::uint8_t* to = slot_[i].data();
    to[0] = static_cast<std::uint8_t>(static_cast<std::int8_t>(delta));
    const std::optional<std::uint32_t> fall = Falls(row);
    if (!fall) Keep(i, row);
    const std::uint32_t bits = fall.value_or(0);
    std::memcpy(to + 1, &bits, sizeof bits);
  }
  V At(std::size_t i, unsigned left) const {
    assert(i + mask_ + 1 >= next_);
    if (ring_.empty()) ring_.resize(mask_ + 1);
    while (next_ <= i) Unpack(next_++);
    const TRingRow& row = ring_[i & mask_];
    return {row.base + row.over[left]};
  }
  // False when the rows did not fit (the caller then parses otherwise).
  bool Fits() const { return fits_; }

private:
  // The falls of a row, or nothing when it does not fall so.
  static std::optional<std::uint32_t> Falls(const V* row) {
    std::uint32_t fall = 0;
    unsigned bit = 0;
    for (unsigned s = kWordBits - 1; s-- > 0;) {
      const std::uint32_t step = row[s].v - row[s + 1].v;  // wraps when not falling
      if (row[s].v < row[s + 1].v || bit + step >= 32) return std::nullopt;
      fall |= ((std::uint32_t{1} << step) - 1) << bit;
      bit += step + 1;
    }
    return fall;
  }

  void Keep(std::size_t i, const V* row) {
    fits_ = fits_ && whole_.size() < most_;
    if (!fits_) return;
    // As the ring holds it: its least value and each state's excess in a byte.
    TWholeRow whole{static_cast<std::uint32_t>(i), {row[0].v, {}}};
    std::uint32_t most = row[0].v;
    for (unsigned s = 1; s < kWordBits; ++s) {
      whole.row.base = std::min(whole.row.base, row[s].v);
      most = std::max(most, row[s].v);
    }
    fits_ = most < kNone && most - whole.row.base < 255;
    for (unsigned s = 0; s < kWordBits; ++s) {
      whole.row.over[s] = static_cast<std::uint8_t>(row[s].v - whole.row.base);
    }
    whole_.push_back(whole);
  }

  void Unpack(std::size_t i) const {
    if (i == 0) least_ = lowest_;
    // The difference of the row before, to this one.
    if (i > 0) least_ -= static_cast<std::uint32_t>(static_cast<std::int8_t>(slot_[i - 1][0]));
    TRingRow& row = ring_[i & mask_];
    if (!whole_.empty() && whole_.back().at == i) {
      row = whole_.back().row;
      whole_.pop_back();
      return;
    }
    // A falling row's least value is state 15's.
    row.base = least_;
    row.over[kWordBits - 1] = 0;
    unsigned over = 0;
    std::uint32_t fall = 0;
    std::memcpy(&fall, slot_[i].data() + 1, sizeof fall);
    for (unsigned s = kWordBits - 1; s-- > 0;) {
      const auto ones = static_cast<unsigned>(std::countr_one(fall));
      over += ones;
      fall >>= ones + 1;
      row.over[s] = static_cast<std::uint8_t>(over);
    }
  }

  // Per position: state 15's value less the next position's (int8), the states' falls.
  std::span<TLongest> slot_;
  std::uint32_t lowest_ = 0;  // state 15's value in the last row put
  bool fits_ = true;
  std::size_t mask_;  // the ring's positions less one
  std::size_t most_;  // the most rows kept whole
  // The rows the writer may ask for next, each as its least value and the states' excesses over
  // it (at most 31 in a falling row, 254 in a row kept whole): 20 bytes a row.
  struct TRingRow {
    std::uint32_t base = 0;
    std::array<std::uint8_t, kWordBits> over{};
  };
  struct TWholeRow {
    std::uint32_t at;
    TRingRow row;
  };
  // Rows kept whole, from the last position down; the writer takes them from the back.
  mutable std::vector<TWholeRow> whole_;
  mutable std::vector<TRingRow> ring_;
  mutable std::size_t next_ = 0;  // the next row to unpack
  mutable std::uint32_t least_ = 0;
};

template <>
class TValues<TLeast> : public TPackedValues<TLeast> {
  using TPackedValues::TPackedValues;
};
template <>
class TValues<TPlainOnly> : public TPackedValues<TPlainOnly> {
  using TPackedValues::TPackedValues;
};

// TSplit rows as their least values (kept as TLeast rows are) and each state's three values as
// excesses over its least in 5 bits each. The writer follows a goal that costs at most 23
// eighths more than the least cost of all (it is no more than two bytes above the stream of
// that cost), so along its path, and at every landing it tries, the value it asks for lies at
// most 23 above the least: a larger excess is kept as kFar, which matches nothing it asks.
template <>
class TValues<TSplit> {
public:
  TValues(std::size_t positions, std::span<TLongest> spent, std::size_t longestCopy)
      : least_(positions, spent, longestCopy), excess_(positions * kWordBits) {}
  void Put(std::size_t i, const TSplit* row) {
    std::array<TLeast, kWordBits> least;
    for (unsigned s = 0; s < kWordBits; ++s) least[s] = {std::min(row[s].plain, row[s].corner)};
    least_.Put(i, least.data());
    for (unsigned s = 0; s < kWordBits; ++s) {
      const std::uint32_t base = least[s].v;
      excess_[i * kWordBits + s] = static_cast<std::uint16_t>(
          Excess(row[s].plain, base) | Excess(row[s].corner, base) << kBits |
          Excess(row[s].other, base) << (2 * kBits));
    }
  }
  TSplit At(std::size_t i, unsigned left) const {
    const std::uint32_t base = least_.At(i, left).v;
    const unsigned e = excess_[i * kWordBits + left];
    return {Value(e, base), Value(e >> kBits, base), Value(e >> (2 * kBits), base)};
  }
  bool Fits() const { return least_.Fits(); }

private:
  static constexpr unsigned kBits = 5;
  static constexpr unsigned kFar = (1U << kBits) - 1;
  static unsigned Excess(std::uint32_t v, std::uint32_t base) {
    return v >= kNone ? kFar : std::min(v - base, kFar);
  }
  static std::uint32_t Value(unsigned e, std::uint32_t base) {
    e &= kFar;
    return e == kFar ? kNone : base + e;
  }

  TValues<TLeast> least_;
  std::vector<std::uint16_t> excess_;
};

}  // namespace tegulo::koei
