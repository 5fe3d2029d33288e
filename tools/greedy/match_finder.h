// Longest-match search over hash chains of three-byte prefixes, shared by the encoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

struct TMatch {
  std::size_t length = 0;    // 0 when nothing of at least 3 bytes was found
  std::size_t distance = 0;  // back from the position, >= 1
};

class TMatchFinder {
public:
  // Searches `buf` (below 2 GiB) for sources 1..maxDistance back, at most maxLength long.
  TMatchFinder(std::span<const std::uint8_t> buf, std::size_t maxDistance, std::size_t maxLength);

  // Makes position pos a candidate source for later positions. Insert in increasing order.
  void Insert(std::size_t pos);

  // The longest match for the bytes at pos (ties: the nearest source). Sources may overlap
  // pos, as the decoders copy a byte at a time.
  TMatch Find(std::size_t pos) const;

private:
  static constexpr int kMaxChain = 96;
  std::uint32_t Hash(std::size_t pos) const;

  std::span<const std::uint8_t> buf_;
  std::size_t maxDistance_;
  std::size_t maxLength_;
  int hashBits_;                    // grows with the input, so that small inputs stay cheap
  std::vector<std::int32_t> head_;  // -1: no position
  std::vector<std::int32_t> prev_;
};

}  // namespace tegulo
