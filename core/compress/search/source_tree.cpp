// Binary search trees over source positions: insertion at the root and exact longest match.
#include "compress/search/source_tree.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tegulo {
namespace {

// The common prefix of a and b up to `limit` bytes, knowing `from` match.
inline std::size_t Common(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                          std::size_t limit) {
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

}  // namespace

TSourceTree::TSourceTree(std::span<const std::uint8_t> source, std::size_t cap)
    : s_(source), cap_(cap), head_(source.size()), child_(2 * source.size(), kNone) {
  if (source.size() > kMaxSource) throw std::length_error("source tree: source too large");
}

std::size_t TSourceTree::Insert(std::size_t p, std::size_t& at) {
  const std::uint8_t* key = s_.data() + p;
  const std::size_t keyLen = KeyLength(p);
  if (keyLen < 2) return 0;
  std::int32_t& head = head_[key];
  std::uint32_t cur = Link(head);
  head = static_cast<std::int32_t>(p);
  std::uint16_t* smaller = &child_[2 * p];
  std::uint16_t* larger = &child_[2 * p + 1];
  std::size_t lenSmaller = 0;
  std::size_t lenLarger = 0;
  std::size_t best = 0;
  while (cur != kNone) {
    const auto c = static_cast<std::size_t>(cur);
    const std::size_t curLen = KeyLength(c);
    const std::uint8_t* other = s_.data() + c;
    const std::size_t len =
        Common(key, other, std::min(lenSmaller, lenLarger), std::min(keyLen, curLen));
    if (len > best) {
      best = len;
      at = c;
    }
    if (len == keyLen && len == curLen) {  // equal keys: p takes cur's place
      *smaller = child_[2 * c];
      *larger = child_[2 * c + 1];
      return best >= 2 ? best : 0;  // a tree may hold other prefixes
    }
    // A key that ends first is the smaller.
    if (len == curLen || (len < keyLen && other[len] < key[len])) {
      *smaller = static_cast<std::uint16_t>(cur);
      smaller = &child_[2 * c + 1];
      cur = *smaller;
      lenSmaller = len;
    } else {
      *larger = static_cast<std::uint16_t>(cur);
      larger = &child_[2 * c];
      cur = *larger;
      lenLarger = len;
    }
  }
  *smaller = *larger = kNone;
  return best >= 2 ? best : 0;  // a tree may hold other prefixes
}

std::size_t TSourceTree::Find(std::span<const std::uint8_t> pattern, std::size_t& at) const {
  const std::size_t patLen = std::min(cap_, pattern.size());
  if (patLen < 2) return 0;
  std::uint32_t cur = Link(head_[pattern.data()]);
  std::size_t lenSmaller = 0;
  std::size_t lenLarger = 0;
  std::size_t best = 0;
  while (cur != kNone) {
    const auto c = static_cast<std::size_t>(cur);
    const std::size_t curLen = KeyLength(c);
    const std::uint8_t* other = s_.data() + c;
    const std::size_t len =
        Common(pattern.data(), other, std::min(lenSmaller, lenLarger), std::min(patLen, curLen));
    if (len > best) {
      best = len;
      at = c;
    }
    if (len == patLen) break;
    if (len == curLen || other[len] < pattern[len]) {
      cur = child_[2 * c + 1];
      lenSmaller = len;
    } else {
      cur = child_[2 * c];
      lenLarger = len;
    }
  }
  return best >= 2 ? best : 0;  // a tree may hold other prefixes
}

}  // namespace tegulo
