// Binary search trees over source positions: insertion at the root and exact longest match.
#include "compress/source_tree.h"

#include <algorithm>
#include <cstring>

namespace tegulo {

TSourceTree::TSourceTree(std::span<const std::uint8_t> source, std::size_t cap)
    : s_(source),
      cap_(cap),
      head_(65536, -1),
      left_(source.size(), -1),
      right_(source.size(), -1) {}

// The common prefix of a[0..aLen) and the source at bPos (bLen bytes), knowing `from` match.
std::size_t TSourceTree::Common(const std::uint8_t* a, std::size_t aLen, std::size_t from,
                                std::size_t bPos, std::size_t bLen) const {
  const std::size_t limit = std::min(aLen, bLen);
  const std::uint8_t* b = s_.data() + bPos;
  std::size_t len = from;
  while (len + 8 <= limit) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a + len, 8);
    std::memcpy(&y, b + len, 8);
    if (x != y) return len + static_cast<std::size_t>(__builtin_ctzll(x ^ y) / 8);
    len += 8;
  }
  while (len < limit && a[len] == b[len]) ++len;
  return len;
}

std::size_t TSourceTree::Insert(std::size_t p, std::size_t& at) {
  const std::uint8_t* key = s_.data() + p;
  std::size_t best = 0;
  const std::size_t keyLen = std::min(cap_, s_.size() - p);
  if (keyLen < 2) return 0;
  std::int32_t& head = head_[Head(key)];
  std::int32_t cur = head;
  head = static_cast<std::int32_t>(p);
  std::int32_t* smaller = &left_[p];
  std::int32_t* larger = &right_[p];
  std::size_t lenSmaller = 0;
  std::size_t lenLarger = 0;
  while (cur >= 0) {
    const auto c = static_cast<std::size_t>(cur);
    const std::size_t curLen = std::min(cap_, s_.size() - c);
    const std::size_t len = Common(key, keyLen, std::min(lenSmaller, lenLarger), c, curLen);
    if (len > best) {
      best = len;
      at = c;
    }
    if (len == keyLen && len == curLen) {  // equal keys: p takes cur's place
      *smaller = left_[c];
      *larger = right_[c];
      return best;
    }
    // A key that ends first is the smaller.
    const bool curSmaller = len == curLen || (len < keyLen && s_[c + len] < key[len]);
    if (curSmaller) {
      *smaller = cur;
      smaller = &right_[c];
      cur = right_[c];
      lenSmaller = len;
    } else {
      *larger = cur;
      larger = &left_[c];
      cur = left_[c];
      lenLarger = len;
    }
  }
  *smaller = *larger = -1;
  return best;
}

std::size_t TSourceTree::Find(std::span<const std::uint8_t> pattern, std::size_t& at) const {
  const std::size_t patLen = std::min(cap_, pattern.size());
  if (patLen < 2) return 0;
  std::int32_t cur = head_[Head(pattern.data())];
  std::size_t lenSmaller = 0;
  std::size_t lenLarger = 0;
  std::size_t best = 0;
  while (cur >= 0) {
    const auto c = static_cast<std::size_t>(cur);
    const std::size_t curLen = std::min(cap_, s_.size() - c);
    const std::size_t len =
        Common(pattern.data(), patLen, std::min(lenSmaller, lenLarger), c, curLen);
    if (len > best) {
      best = len;
      at = c;
    }
    if (len == patLen) break;
    if (len == curLen || s_[c + len] < pattern[len]) {
      cur = right_[c];
      lenSmaller = len;
    } else {
      cur = left_[c];
      lenLarger = len;
    }
  }
  return best;
}

}  // namespace tegulo
