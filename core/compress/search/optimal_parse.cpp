// Binary-tree match finder and the cheapest-path parse over its matches.
//
// The finder keeps, per two-byte prefix, a search tree of the earlier positions ordered by
// the bytes that follow them (compared up to maxLength). The newest position is always the
// root, so a node is older than its ancestors and the first node found outside the window
// ends the search with nothing inside the window lost. The longest match of a new position
// is its closest neighbour in that order, which lies on the search path.
#include "compress/search/optimal_parse.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <limits>

#include "compress/search/match_heads.h"

namespace tegulo {
namespace {

constexpr std::uint32_t kLiteralCost = 9;
constexpr std::uint32_t kReferenceCost = 17;

// How the finder's nodes link to their children. Positions: the fastest walk. Distances back
// from the linking node in 16 bits: half the memory, for data small beside the window.
struct TPositionLinks {
  using T = std::int32_t;
  static T Link(std::size_t /*owner*/, std::size_t to) { return static_cast<T>(to); }
  static std::int64_t Follow(std::size_t /*owner*/, T link) { return link; }
  // A child link kept as it is when its node moves (stale links lead out of every window).
  static T Moved(std::size_t /*p*/, std::size_t /*window*/, std::size_t /*owner*/,
                 std::size_t /*from*/, T link) {
    return link;
  }
  static constexpr T kNone = -1;
};

struct TDistanceLinks {
  using T = std::uint16_t;
  // Both nodes lie in the window (below 65535): the distance fits.
  static T Link(std::size_t owner, std::size_t to) { return static_cast<T>(owner - to); }
  static std::int64_t Follow(std::size_t owner, T link) {
    return link == 0 ? -1 : static_cast<std::int64_t>(owner) - link;
  }
  // A child link of node `from` made again from `owner`; none where it leads out of p's window.
  static T Moved(std::size_t p, std::size_t window, std::size_t owner, std::size_t from, T link) {
    const std::int64_t to = Follow(from, link);
    if (to < 0 || p - static_cast<std::size_t>(to) > window) return 0;
    return Link(owner, static_cast<std::size_t>(to));
  }
  static constexpr T kNone = 0;
};

template <class L>
class TTreeFinder {
public:
  TTreeFinder(std::span<const std::uint8_t> data, const TParseLimits& limits)
      : d_(data.data()),
        n_(data.size()),
        maxDistance_(limits.maxDistance),
        maxLength_(limits.maxLength),
        treeEnd_(data.size() >= limits.maxLength ? data.size() - limits.maxLength + 1 : 0),
        ring_(RingFor(data.size(), limits)),
        head_(data.size()),
        left_(ring_, L::kNone),
        right_(ring_, L::kNone) {}

  // Nodes kept (a power of two): the window's, which the walks never leave.
  static std::size_t RingFor(std::size_t n, const TParseLimits& limits) {
    const std::size_t treeEnd = n >= limits.maxLength ? n - limits.maxLength + 1 : 0;
    return std::bit_ceil(std::max<std::size_t>(std::min(treeEnd, limits.maxDistance + 1), 1));
  }

  // Positions whose full maxLength bytes exist go into the trees; the last few do not.
  std::size_t TreeEnd() const { return treeEnd_; }

  // Puts p into its tree. The walk passes p's closest neighbours in the tree's order, so it
  // also finds the longest match for p among the positions already there.
  void Insert(std::size_t p) {
    std::size_t len = 0;
    std::size_t dist = 0;
    InsertAndFind(p, len, dist);
  }

  void InsertAndFind(std::size_t p, std::size_t& bestLen, std::size_t& bestDist) {
    std::int32_t& head = head_[d_ + p];
    std::int64_t cur = head;
    head = static_cast<std::int32_t>(p);
    // Where the next nodes below and above p go, and the nodes that hold those links.
    typename L::T* smaller = &left_[p & (ring_ - 1)];
    typename L::T* larger = &right_[p & (ring_ - 1)];
    std::size_t smallerOwner = p;
    std::size_t largerOwner = p;
    std::size_t lenSmaller = 0;
    std::size_t lenLarger = 0;
    const std::uint8_t* cp = d_ + p;
    for (;;) {
      if (cur < 0 || p - static_cast<std::size_t>(cur) > maxDistance_) {
        *smaller = *larger = L::kNone;
        return;
      }
      const auto c = static_cast<std::size_t>(cur);
      const std::uint8_t* cc = d_ + c;
      std::size_t len = std::min(lenSmaller, lenLarger);
      while (len < maxLength_ && cc[len] == cp[len]) ++len;
      if (len > bestLen) {
        bestLen = len;
        bestDist = p - c;
      }
      const std::size_t slot = c & (ring_ - 1);
      if (len == maxLength_) {
        // Equal as far as the finder looks: p takes cur's place, cur leaves the tree.
        *smaller = L::Moved(p, maxDistance_, smallerOwner, c, left_[slot]);
        *larger = L::Moved(p, maxDistance_, largerOwner, c, right_[slot]);
        return;
      }
      if (cc[len] < cp[len]) {
        *smaller = L::Link(smallerOwner, c);
        smaller = &right_[slot];
        smallerOwner = c;
        cur = L::Follow(c, right_[slot]);
        lenSmaller = len;
      } else {
        *larger = L::Link(largerOwner, c);
        larger = &left_[slot];
        largerOwner = c;
        cur = L::Follow(c, left_[slot]);
        lenLarger = len;
      }
    }
  }

  // The longest match for pos among the positions in the trees, limited to `limit` bytes.
  void Find(std::size_t pos, std::size_t limit, std::size_t& bestLen, std::size_t& bestDist) const {
    std::int64_t cur = head_[d_ + pos];
    std::size_t lenSmaller = 0;
    std::size_t lenLarger = 0;
    const std::uint8_t* cp = d_ + pos;
    while (cur >= 0 && pos - static_cast<std::size_t>(cur) <= maxDistance_) {
      const auto c = static_cast<std::size_t>(cur);
      const std::uint8_t* cc = d_ + c;
      std::size_t len = std::min(lenSmaller, lenLarger);
      while (len < limit && cc[len] == cp[len]) ++len;
      if (len > bestLen) {
        bestLen = len;
        bestDist = pos - c;
      }
      if (len == limit) return;
      const std::size_t slot = c & (ring_ - 1);
      if (cc[len] < cp[len]) {
        cur = L::Follow(c, right_[slot]);
        lenSmaller = len;
      } else {
        cur = L::Follow(c, left_[slot]);
        lenLarger = len;
      }
    }
  }

private:
  const std::uint8_t* d_;
  std::size_t n_;
  std::size_t maxDistance_;
  std::size_t maxLength_;
  std::size_t treeEnd_;
  std::size_t ring_;
  TMatchHeads head_;
  std::vector<typename L::T> left_;
  std::vector<typename L::T> right_;
};

// The longest match of data[pos..pos+limit) from the sources first..last, nearest first on
// a tie, where it is longer than bestLen.
void LongestFromEach(std::span<const std::uint8_t> data, std::size_t pos, std::size_t limit,
                     std::size_t first, std::size_t last, std::size_t& bestLen,
                     std::size_t& bestDist) {
  for (std::size_t c = last + 1; c-- > first;) {
    std::size_t len = 0;
    while (len < limit && data[c + len] == data[pos + len]) ++len;
    if (len > bestLen) {
      bestLen = len;
      bestDist = pos - c;
    }
  }
}

template <class L>
TLongestMatches LongestMatches(std::span<const std::uint8_t> data, const TParseLimits& limits,
                               std::size_t start) {
  const std::size_t n = data.size();
  TLongestMatches m{std::vector<std::uint8_t>(n - start, 0),
                    std::vector<std::uint16_t>(n - start, 0)};
  TTreeFinder<L> finder(data, limits);
  const std::size_t treeEnd = finder.TreeEnd();
  const std::size_t minD = limits.minDistance;
  for (std::size_t pos = 0; pos < n; ++pos) {
    const std::size_t limit = std::min(limits.maxLength, n - pos);
    std::size_t bestLen = 0;
    std::size_t bestDist = 0;
    if (minD == 1 && pos < treeEnd) {
      // One walk both searches and inserts: the trees hold every earlier position.
      finder.InsertAndFind(pos, bestLen, bestDist);
    } else {
      // The trees hold exactly the positions minDistance or more back.
      if (minD > 1 && pos >= minD && pos - minD < treeEnd) finder.Insert(pos - minD);
      if (limit < 3 || pos < start) continue;
      finder.Find(pos, limit, bestLen, bestDist);
    }
    if (limit < 3 || pos < start) continue;
    // Sources among the last positions, which are not in the trees: at most maxLength of them.
    if (bestLen < limit && pos >= minD) {
      const std::size_t first =
          std::max(treeEnd, pos > limits.maxDistance ? pos - limits.maxDistance : 0);
      LongestFromEach(data, pos, limit, first, pos - minD, bestLen, bestDist);
    }
    if (bestLen >= 3) {
      m.length[pos - start] = static_cast<std::uint8_t>(bestLen);
      m.distance[pos - start] = static_cast<std::uint16_t>(bestDist);
    }
  }
  return m;
}

}  // namespace

// Data small beside the window (below 4 bytes of positions per byte searched) links by
// distance: the window's nodes then weigh as much as the data's.
TLongestMatches FindLongestMatches(std::span<const std::uint8_t> data, const TParseLimits& limits,
                                   std::size_t start) {
  assert(limits.minDistance >= 1 && limits.maxDistance <= 65535 && limits.maxLength >= 3 &&
         limits.maxLength <= 255 && start <= data.size());
  const std::size_t nodes = TTreeFinder<TPositionLinks>::RingFor(data.size(), limits);
  if (2 * sizeof(std::int32_t) * nodes > 4 * (data.size() - start)) {
    return LongestMatches<TDistanceLinks>(data, limits, start);
  }
  return LongestMatches<TPositionLinks>(data, limits, start);
}

std::vector<TParseToken> ShortestParse(std::span<const std::uint8_t> data,
                                       const TParseLimits& limits, std::size_t start) {
  const std::size_t n = data.size();
  const TLongestMatches m = FindLongestMatches(data, limits, start);
  // Indices count from `start`. cost[i]: the cheapest way to code the data from i on;
  // step[i]: the length of its first token.
  const std::size_t parsed = n - start;
  std::vector<std::uint32_t> cost(parsed + 1, 0);
  std::vector<std::uint8_t> step(parsed, 1);
  for (std::size_t i = parsed; i-- > 0;) {
    std::uint32_t best = kLiteralCost + cost[i + 1];
    std::uint8_t choice = 1;
    const std::size_t longest = m.length[i];
    for (std::size_t len = 3; len <= longest; ++len) {
      const std::uint32_t c = kReferenceCost + cost[i + len];
      if (c <= best) {  // on a tie the longer reference, which leaves fewer tokens to code
        best = c;
        choice = static_cast<std::uint8_t>(len);
      }
    }
    cost[i] = best;
    step[i] = choice;
  }
  std::vector<TParseToken> tokens;
  for (std::size_t i = 0; i < parsed; i += step[i]) {
    if (step[i] == 1) {
      tokens.push_back({0, 0});
    } else {
      tokens.push_back({step[i], m.distance[i]});
    }
  }
  return tokens;
}

}  // namespace tegulo
