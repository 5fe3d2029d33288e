// RNC1's compressor: the exact cheapest parse of a chunk for given costs. P[k], the cheapest
// with a copy ending at k, and the cheapest run ending at k from the sliding minima of
// P[i] - 8 i over the starts a run of each length class may have.
#include <algorithm>
#include <bit>
#include <limits>

#include "compress/rnc/rnc1_search.h"

namespace tegulo::rnc1 {
namespace {

// Lengths up to this are all tried; longer ones only at the ends of their length classes.
constexpr std::uint32_t kAllLengths = 32;
constexpr std::int32_t kUnreached = std::numeric_limits<std::int32_t>::max();

}  // namespace

void TWindowMin::Clear(std::size_t capacity) {
  if (ring.size() != capacity + 1) ring.assign(capacity + 1, 0);
  head = size = 0;
}

std::int64_t TChunkParser::RunMin(std::size_t k, const TCosts& runs, std::uint16_t& runLength) {
  std::int64_t best = kInf;
  for (std::size_t s = 0; s < kMaxSymbols; ++s) {
    const std::size_t lo = s < 2 ? s : std::size_t{1} << (s - 1);
    const std::size_t hi = s < 2 ? s : (std::size_t{1} << s) - 1;
    if (k < lo) break;  // so are the longer classes
    TWindowMin& w = windows_[s];
    {
      const auto i = static_cast<std::uint32_t>(k - lo);
      const auto value = [this](std::uint32_t at) {
        return std::int64_t{p_[at]} - 8 * static_cast<std::int64_t>(at);
      };
      if (p_[i] < kUnreached) {
        while (w.size > 0 && value(w.Back()) >= value(i)) --w.size;
        w.PushBack(i);
      }
    }
    while (w.size > 0 && k - w.Front() > hi) w.PopFront();
    if (w.size == 0) continue;
    const std::uint32_t at = w.Front();
    const std::int64_t c =
        std::int64_t{p_[at]} + 8 * static_cast<std::int64_t>(k - at) + runs.bits[s];
    if (c < best) {
      best = c;
      runLength = static_cast<std::uint16_t>(k - at);
    }
  }
  return best;
}

namespace {

// The lengths a parse tries: all up to kAllLengths, then the last of each length class (its
// value 2^s - 1) and the longest.
// The cheapest distance among kept[j] and the longer matches after it (the first on a tie).
TMatch CheapestFrom(std::span<const TMatch> kept, std::size_t j, const TCosts& dist) {
  TMatch best = kept[j];
  std::int64_t bits = dist.Of(best.distance);
  for (std::size_t later = j + 1; later < kept.size(); ++later) {
    if (dist.Of(kept[later].distance) < bits) {
      bits = dist.Of(kept[later].distance);
      best = kept[later];
    }
  }
  return best;
}

std::uint32_t NextLength(std::uint32_t length, std::uint32_t top) {
  if (length < kAllLengths) return length + 1;
  if (length >= top) return top + 1;
  return std::min(std::bit_ceil(length) + 1, top);
}

}  // namespace

void TChunkParser::RelaxCopies(std::size_t k, std::span<const TMatch> kept, std::int64_t q,
                               const TCosts& dist, const TCosts& len) {
  std::uint32_t length = 2;
  const std::uint32_t room = static_cast<std::uint32_t>(m_ - k);
  for (std::size_t j = 0; j < kept.size(); ++j) {
    const std::int64_t dBits = dist.Of(CheapestFrom(kept, j, dist).distance);
    const std::uint32_t top = std::min<std::uint32_t>(kept[j].length, room);
    for (; length <= top; length = NextLength(length, top)) {
      const std::int64_t c = q + dBits + len.Of(length - 2);
      if (c < p_[k + length]) {
        p_[k + length] = static_cast<std::int32_t>(c);
        backP_[k + length] = static_cast<std::uint16_t>(length);
      }
    }
  }
}

void TChunkParser::Walk(const TCosts& dist, std::vector<TCommand>& commands,
                        std::span<const std::uint16_t> backQ) {
  commands.clear();
  std::size_t at = m_;
  std::uint32_t length = 0;
  std::uint32_t distance = 0;
  // The matches of position `from` start at `first`; walked back from the end.
  std::size_t from = m_;
  std::size_t first = matches_.match.size();
  while (true) {
    const std::uint32_t run = backQ[at];
    commands.push_back({static_cast<std::uint16_t>(run), static_cast<std::uint16_t>(length),
                        static_cast<std::uint16_t>(distance)});
    at -= run;
    if (at == 0) break;
    length = backP_[at];
    at -= length;
    for (; from > at; first -= matches_.count[from]) --from;
    const std::span<const TMatch> kept(&matches_.match[first], matches_.count[at]);
    // The match whose lengths held this one: the first that reaches it.
    const auto room = static_cast<std::uint32_t>(m_ - at);
    std::size_t j = 0;
    while (std::min<std::uint32_t>(kept[j].length, room) < length) ++j;
    distance = CheapestFrom(kept, j, dist).distance + 1U;
  }
  // Walked from the end, each run was met just before the copy it precedes.
  std::reverse(commands.begin(), commands.end());
}

std::int64_t TChunkParser::Parse(const std::array<TCosts, 3>& costs,
                                 std::vector<TCommand>& commands) {
  p_.assign(m_ + 1, kUnreached);
  backP_.assign(m_ + 1, 0);
  std::vector<std::uint16_t> backQ(m_ + 1, 0);
  for (std::size_t s = 0; s < kMaxSymbols; ++s) {
    // The run starts a window can hold: its run lengths that fit the chunk.
    const std::size_t lo = s < 2 ? s : std::size_t{1} << (s - 1);
    const std::size_t hi = s < 2 ? s : (std::size_t{1} << s) - 1;
    windows_[s].Clear(lo > m_ ? 1 : std::min(hi, m_) - lo + 1);
  }
  p_[0] = 0;
  std::int64_t q = kInf;
  std::size_t first = 0;  // the first match of position k
  for (std::size_t k = 0; k <= m_; ++k) {
    q = RunMin(k, costs[0], backQ[k]);
    if (k == m_) break;
    const std::size_t count = matches_.count[k];
    if (q < kInf) RelaxCopies(k, {matches_.match.data() + first, count}, q, costs[1], costs[2]);
    first += count;
  }
  Walk(costs[1], commands, backQ);
  return q;
}

}  // namespace tegulo::rnc1
