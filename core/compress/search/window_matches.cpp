// The sliding-window binary-tree match finder (window_matches.h).
#include "compress/search/window_matches.h"

#include <algorithm>
#include <bit>
#include <cassert>

namespace tegulo {

namespace {

// A link from the node at `owner` to the node at `to`: how far back it lies, 0 for none (a
// node further back than a link holds lies outside every window the finder takes).
std::uint16_t Link(std::size_t owner, std::size_t to) {
  return owner - to <= 0xFFFF ? static_cast<std::uint16_t>(owner - to) : 0;
}

// The node a link of the node at `owner` leads to; -1 for none.
std::int64_t Follow(std::size_t owner, std::uint16_t link) {
  return link == 0 ? -1 : static_cast<std::int64_t>(owner - link);
}

// A link from `owner` to the node `to` (-1: none).
std::uint16_t LinkTo(std::size_t owner, std::int64_t to) {
  return to < 0 ? 0 : Link(owner, static_cast<std::size_t>(to));
}

// Small data (up to 8 KiB) take a tree head per eight positions instead of four: their
// tables are what they pay beyond a few bytes a position, and their trees stay shallow.
std::size_t HeadsFor(std::size_t size) { return size <= 8192 ? size / 2 : size; }

}  // namespace

TWindowMatcher::TWindowMatcher(std::span<const std::uint8_t> data, std::size_t maxDistance,
                               std::size_t maxLength)
    : data_(data),
      maxDistance_(maxDistance),
      maxLength_(maxLength),
      ring_(std::max<std::size_t>(std::min(maxDistance + 1, data.size()), 1)),
      head_(HeadsFor(data.size())),
      child_(2 * ring_, 0) {
  assert(maxDistance < 0xFFFF);
}

std::size_t TWindowMatcher::Matches(std::size_t p, TMatchPair* out) { return Walk(p, out); }

std::size_t TWindowMatcher::Walk(std::size_t p, TMatchPair* out) {
  const std::size_t limit = std::min(maxLength_, data_.size() - p);
  const std::size_t slot = p == next_ ? slot_ : p % ring_;  // p follows the last call's
  next_ = p + 1;
  slot_ = slot + 1 == ring_ ? 0 : slot + 1;
  if (limit < 2) {
    child_[2 * slot] = child_[2 * slot + 1] = 0;
    return 0;
  }
  const std::uint8_t* cur = data_.data() + p;
  std::int32_t& head = head_[cur];
  std::int64_t next = head;
  head = static_cast<std::int32_t>(p);
  // Where the smaller and the larger subtrees of p are linked in as the walk goes down, and
  // the nodes that hold those links.
  std::uint16_t* smaller = &child_[2 * slot];
  std::uint16_t* larger = &child_[2 * slot + 1];
  std::size_t smallerOwner = p;
  std::size_t largerOwner = p;
  std::size_t lenSmaller = head_.Shared();
  std::size_t lenLarger = head_.Shared();
  std::size_t best = 1;
  std::size_t count = 0;
  while (true) {
    if (next < 0 || p - static_cast<std::size_t>(next) > maxDistance_) {
      *smaller = *larger = 0;
      return count;
    }
    const auto q = static_cast<std::size_t>(next);
    // q's slot: p's, less the distance within the ring (the window is shorter than the ring).
    const std::size_t back = p - q;
    std::uint16_t* pair = &child_[2 * (slot >= back ? slot - back : slot + ring_ - back)];
    const std::uint8_t* src = data_.data() + q;
    std::size_t len = std::min(lenSmaller, lenLarger);
    while (len < limit && src[len] == cur[len]) ++len;
    if (len > best) {
      best = len;
      if (out != nullptr)
        out[count++] = {static_cast<std::uint32_t>(len), static_cast<std::uint32_t>(p - q)};
      if (len == limit) {
        // q's text equals p's as far as it is compared: p takes q's place and subtrees.
        *smaller = LinkTo(smallerOwner, Follow(q, pair[0]));
        *larger = LinkTo(largerOwner, Follow(q, pair[1]));
        return count;
      }
    }
    if (src[len] < cur[len]) {
      *smaller = Link(smallerOwner, q);
      smaller = pair + 1;
      smallerOwner = q;
      next = Follow(q, *smaller);
      lenSmaller = len;
    } else {
      *larger = Link(largerOwner, q);
      larger = pair;
      largerOwner = q;
      next = Follow(q, *larger);
      lenLarger = len;
    }
  }
}

}  // namespace tegulo
