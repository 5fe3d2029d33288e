// How far the repeats of the SNES command formats reach: the longest absolute repeat at every
// position and its address, found before the shortest-stream search; the relative repeats
// carried down from the end as that search goes. Fills the search counts itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "compress/commands/command_formats.h"

namespace tegulo::command {

// The longest absolute repeat at each position, of the kind that reaches furthest (the
// format's absolute kinds cost the same, so one stands for all), and its address.
struct TAbsoluteReach {
  static constexpr unsigned kLengthBits = 11;  // lengths up to kMaxCount
  std::array<TKind, 4> kinds{};                // the format's absolute kinds
  std::vector<std::uint16_t> reach;            // length (0: none) | index in kinds << kLengthBits
  std::vector<std::uint16_t> source;           // the address

  std::size_t Length(std::size_t i) const { return reach[i] & ((1U << kLengthBits) - 1); }
  TKind Kind(std::size_t i) const { return kinds[reach[i] >> kLengthBits]; }
};

TAbsoluteReach AbsoluteReach(const TCommandFormat& format, std::span<const std::uint8_t> data);

// LC_LZ5's relative repeats, plain and complemented: for every distance 1..255 the match
// length carried from the end, in lanes of 16 bits that the compiler can treat together.
struct TRelativeLanes {
  static constexpr std::size_t kLanes = 256;  // lane d: distance d; lane 0 never matches
  alignas(32) std::array<std::int16_t, kLanes> length{};
  alignas(32) static constexpr std::array<std::int16_t, kLanes> valid = [] {
    std::array<std::int16_t, kLanes> v{};
    v.fill(-1);
    v[0] = 0;
    return v;
  }();

  // Lane d continues where src[d] equals `want`; returns the longest. `src` lies outside the
  // lanes (said, so that the loop vectorizes).
  std::int16_t Step(const std::uint16_t* __restrict src, std::uint16_t want, std::int16_t cap) {
    std::int16_t best = 0;
    for (std::size_t d = 0; d < kLanes; ++d) {  // no branches, so that it vectorizes
      const int grown = length[d] + 1 - static_cast<int>(length[d] >= cap);
      const int match = -static_cast<int>(src[d] == want);
      const auto v = static_cast<std::int16_t>(grown & match & valid[d]);
      length[d] = v;
      best = v > best ? v : best;
    }
    return best;
  }

  // The nearest distance whose length is `value` (> 0).
  std::uint16_t Lane(std::int16_t value) const {
    std::size_t d = 1;
    while (length[d] != value) ++d;
    return static_cast<std::uint16_t>(d);
  }
};

// The relative repeats at each position, from the last down.
class TRelativeReach {
public:
  explicit TRelativeReach(std::span<const std::uint8_t> data);

  // The longest plain and complemented relative repeats at i, the position below the last
  // call's (the last position first).
  std::pair<std::size_t, std::size_t> Step(std::size_t i);

  // The distance of the last step's plain (or complemented) repeat, of the length it gave.
  std::uint16_t Distance(bool complemented) const {
    return complemented ? inverse_.Lane(q_) : plain_.Lane(p_);
  }

private:
  void Refill(std::size_t i);

  std::span<const std::uint8_t> data_;
  // The data read down from base_: window_[k] = data[base_ - k]; before the start a value
  // no byte equals. Refilled from i each time the lanes of i would run past its end.
  std::vector<std::uint16_t> window_;
  std::size_t base_ = 0;
  TRelativeLanes plain_;
  TRelativeLanes inverse_;
  std::int16_t p_ = 0;
  std::int16_t q_ = 0;
};

}  // namespace tegulo::command
