// The smallest of the newest values, for the shortest parses that run from the end: values
// come in one position lower each time, and a query asks for the smallest of the `count`
// newest (a command of every length up to its reach at one cost). A stack of the values
// below every newer one, newest first, kept in a ring as long as the longest query: memory
// grows with that length, not with the data.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace tegulo {

class TFrontMin {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  // Queries of at most maxCount values (below 65536) over at most `values` values in all.
  TFrontMin(std::size_t maxCount, std::size_t values)
      : reach_(maxCount),
        mask_(std::bit_ceil(std::max<std::size_t>(std::min(maxCount, values), 1)) - 1),
        value_(mask_ + 1),
        time_(mask_ + 1) {}

  // Forgets every value.
  void Clear() { size_ = 0; }

  void Push(std::uint32_t value) {
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
    // Ages grow by at least one an entry, so no entry from `count` on is asked for; the oldest
    // entry answers the queries over all (a direct copy's mostly).
    if (Age(size_ - 1) < count) return value_[(front_ + size_ - 1) & mask_];
    std::size_t lo = 0;  // asked for: the front entry always is
    std::size_t hi = std::min(size_, count);
    while (hi - lo > 1) {
      const std::size_t mid = (lo + hi) / 2;
      if (Age(mid) < count) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    return value_[(front_ + lo) & mask_];
  }

private:
  std::size_t Age(std::size_t k) const {
    return static_cast<std::uint16_t>(now_ - 1 - time_[(front_ + k) & mask_]);
  }

  std::size_t reach_;
  std::size_t mask_;
  std::vector<std::uint32_t> value_;
  std::vector<std::uint16_t> time_;  // the push count when it came, modulo 65536
  std::size_t front_ = 0;            // grows down; slots modulo the ring
  std::size_t size_ = 0;
  std::uint16_t now_ = 0;
};

}  // namespace tegulo
