// Refusals shared along chains of flag-byte groups: the groups from a flag-byte position do
// not depend on where the stream started, only the output before them does, so a walk that
// meets a position of a walk refused by what lies ahead (the end of the ROM, a run of literal
// zeros) meets the same refusal, as much output further on.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tegulo {

// The flag-byte positions of refused walks, direct-mapped by position (a fixed amount of
// memory; a position written over is only a chance missed), each with the output before it
// and the refusal ahead.
class TChainRefusals {
public:
  // For positions below `size`: the table need not be larger.
  explicit TChainRefusals(std::size_t size)
      : steps_(std::min(kMaxSteps, std::bit_ceil(std::max<std::size_t>(size, 1)))) {}

  // Starts a walk; Meets() notes its positions until Refuse() keeps them.
  void Begin() { walk_.clear(); }

  // At flag-byte position `in` with `out` bytes written, for a walk that fails unless it
  // writes `needed` bytes: true when a walk refused before met `in` and its refusal comes
  // before this one writes them (`readEnd` then the end of the bytes that decided it; the
  // walk is refused and its positions kept). Else notes the position.
  bool Meets(std::size_t in, std::uint64_t out, std::uint64_t needed, std::size_t& readEnd) {
    if (table_.empty()) table_.resize(steps_);
    const TStep& step = table_[in % steps_];
    if (step.in == in) {
      const std::uint64_t limit = out + (step.limit - step.out);  // in this walk's count
      if (limit < needed) {
        readEnd = step.readEnd;
        Refuse(limit, readEnd);
        return true;
      }
    }
    if (walk_.size() < steps_) walk_.push_back({in, out});
    return false;
  }

  // The current walk cannot go on past writing `limit` bytes (in its own count), for what
  // lies before `readEnd`: its positions are kept for the walks to come.
  void Refuse(std::uint64_t limit, std::size_t readEnd) {
    for (const TNoted& n : walk_) table_[n.in % steps_] = {n.in, n.out, limit, readEnd};
    walk_.clear();
  }

private:
  static constexpr std::size_t kMaxSteps = 1U << 16U;
  struct TNoted {
    std::size_t in;
    std::uint64_t out;
  };
  struct TStep {
    std::size_t in = SIZE_MAX;
    std::uint64_t out = 0;
    std::uint64_t limit = 0;
    std::size_t readEnd = 0;
  };
  std::size_t steps_;  // the table's size, a power of two
  std::vector<TStep> table_;
  std::vector<TNoted> walk_;  // the current walk's positions
};

}  // namespace tegulo
