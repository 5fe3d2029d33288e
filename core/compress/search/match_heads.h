// The heads of the match finders' search trees, one tree per first two bytes of a position.
// Small data get fewer heads, each tree then holding several two-byte prefixes (hashed), so
// that the table grows with the data instead of taking 256 KiB for any input.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tegulo {

class TMatchHeads {
public:
  // Heads for `size` positions: about one per four of them, from 256 up to one per prefix.
  explicit TMatchHeads(std::size_t size)
      : bits_(std::clamp(static_cast<unsigned>(std::bit_width(size)), 10U, 18U) - 2),
        head_(std::size_t{1} << bits_, -1) {}

  // The tree of the position whose first two bytes are at p.
  std::int32_t& operator[](const std::uint8_t* p) { return head_[Key(p)]; }
  std::int32_t operator[](const std::uint8_t* p) const { return head_[Key(p)]; }

  // The bytes every position of a tree shares with its root's: 2 with one tree per prefix,
  // else none known.
  std::size_t Shared() const { return bits_ == 16 ? 2 : 0; }

private:
  std::size_t Key(const std::uint8_t* p) const {
    const std::uint32_t pair = p[0] | std::uint32_t{p[1]} << 8U;
    if (bits_ == 16) return pair;
    return (pair * 0x9E3779B1U) >> (32U - bits_);
  }

  unsigned bits_;
  std::vector<std::int32_t> head_;
};

}  // namespace tegulo
