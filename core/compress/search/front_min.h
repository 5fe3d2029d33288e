// The smallest of the newest values, for the shortest parses that run from the end: values
// come in one position lower each time (or `step` lower), and a query asks for the smallest of
// the `count` newest (a command of every length up to its reach at one cost). A stack of the
// values below every newer one, newest first, kept in a ring as long as the longest query:
// memory grows with that length, not with the data. Values are read from the caller's array
// through `TValueAt` (a position's value) as they come. Two forms with one interface:
// TFrontMin keeps each entry's value and push time (6 bytes a slot, the faster);
// TFrontMinByPosition keeps only its 16-bit position (the parses' data are at most 64 KiB)
// and reads the value again when asked, for small data, beside which a ring of the longest
// query's length is large.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace tegulo {

namespace front_min {

// The stack entry that answers a query of the `count` newest values: the oldest of those it
// holds (entry 0 the newest; `age(k)` grows by at least one an entry, so none from `count` on
// is asked for). The oldest entry answers the queries over all (a direct copy's mostly).
template <class TAge>
std::size_t OldestAskedFor(std::size_t size, std::size_t count, TAge age) {
  if (age(size - 1) < count) return size - 1;
  // The last entry asked for lies in [base, base + span): the front entry always is asked for.
  // Halved with no branch (the entries asked for follow no pattern a predictor learns).
  std::size_t base = 0;
  std::size_t span = std::min(size, count);
  while (span > 1) {
    const std::size_t half = span / 2;
    base = age(base + half) < count ? base + half : base;
    span -= half;
  }
  return base;
}

}  // namespace front_min

template <class TValueAt>
class TFrontMin {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  // Queries of at most maxCount values (below 65536) over at most `values` values in all;
  // `step` is not needed (ages count pushes).
  TFrontMin(std::size_t maxCount, std::size_t values, TValueAt valueAt, std::size_t /*step*/ = 1)
      : valueAt_(valueAt),
        reach_(maxCount),
        mask_(std::bit_ceil(std::max<std::size_t>(std::min(maxCount, values), 1)) - 1),
        value_(mask_ + 1),
        time_(mask_ + 1) {}

  // Forgets every value.
  void Clear() { size_ = 0; }

  // Brings in the value at `pos`, below the last one pushed.
  void Push(std::size_t pos) {
    const std::uint32_t value = valueAt_(pos);
    // Entries the new value beats or equals leave; so does the oldest once no query reaches
    // it (ages grow by one a push, so one at most).
    while (size_ > 0 && value_[front_ & mask_] >= value) {
      ++front_;
      --size_;
    }
    if (size_ > 0 &&
        static_cast<std::uint16_t>(now_ - time_[(front_ + size_ - 1) & mask_]) >= reach_) {
      --size_;
    }
    --front_;
    ++size_;
    value_[front_ & mask_] = value;
    time_[front_ & mask_] = now_++;
  }

  // The smallest of the `count` newest values (1 <= count <= maxCount, no more than were
  // pushed): the oldest stack entry among them, found by its age (the newest's is 0).
  std::uint32_t Min(std::size_t count) const {
    const auto age = [this](std::size_t k) { return Age(k); };
    return value_[(front_ + front_min::OldestAskedFor(size_, count, age)) & mask_];
  }

private:
  std::size_t Age(std::size_t k) const {
    return static_cast<std::uint16_t>(now_ - 1 - time_[(front_ + k) & mask_]);
  }

  TValueAt valueAt_;
  std::size_t reach_;
  std::size_t mask_;
  std::vector<std::uint32_t> value_;
  std::vector<std::uint16_t> time_;  // the push count when it came, modulo 65536
  std::size_t front_ = 0;            // grows down; slots modulo the ring
  std::size_t size_ = 0;
  std::uint16_t now_ = 0;
};

template <class TValueAt>
class TFrontMinByPosition {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  // Queries of at most maxCount values (below 32768) over at most `values` values in all,
  // pushed 1 or 2 positions apart (`step`).
  TFrontMinByPosition(std::size_t maxCount, std::size_t values, TValueAt valueAt,
                      std::size_t step = 1)
      : valueAt_(valueAt),
        reach_(maxCount),
        shift_(step == 2 ? 1 : 0),
        mask_(std::bit_ceil(std::max<std::size_t>(std::min(maxCount, values), 1)) - 1),
        slot_(mask_ + 1) {}

  // Forgets every value.
  void Clear() { size_ = 0; }

  // Brings in the value at `pos`, `step` below the last one pushed (since the last Clear).
  void Push(std::size_t pos) {
    const std::uint32_t value = valueAt_(pos);
    newest_ = pos;
    // Entries the new value beats or equals leave; so does the oldest once no query reaches
    // it (ages grow by one a push, so one at most).
    while (size_ > 0 && Value(0) >= value) {
      ++front_;
      --size_;
    }
    if (size_ > 0 && Age(size_ - 1) >= reach_) --size_;
    --front_;
    ++size_;
    slot_[front_ & mask_] = static_cast<std::uint16_t>(pos);
  }

  // The smallest of the `count` newest values (1 <= count <= maxCount, no more than were
  // pushed): the oldest stack entry among them, found by its age (the newest's is 0).
  std::uint32_t Min(std::size_t count) const {
    const auto age = [this](std::size_t k) { return Age(k); };
    return Value(front_min::OldestAskedFor(size_, count, age));
  }

private:
  // Positions are kept modulo 65536; the entries lie less than that above the newest.
  std::size_t Above(std::size_t k) const {
    return static_cast<std::uint16_t>(slot_[(front_ + k) & mask_] -
                                      static_cast<std::uint16_t>(newest_));
  }
  std::size_t PositionOf(std::size_t k) const { return newest_ + Above(k); }
  std::size_t Age(std::size_t k) const { return Above(k) >> shift_; }
  std::uint32_t Value(std::size_t k) const { return valueAt_(PositionOf(k)); }

  TValueAt valueAt_;
  std::size_t reach_;
  unsigned shift_;
  std::size_t mask_;
  std::vector<std::uint16_t> slot_;  // entry k (0: the newest) at slot (front_ + k) & mask_
  std::size_t front_ = 0;            // grows down
  std::size_t size_ = 0;
  std::size_t newest_ = 0;
};

}  // namespace tegulo
