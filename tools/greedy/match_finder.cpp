// Hash-chain match search.
#include "match_finder.h"

#include <algorithm>
#include <bit>

namespace tegulo {

TMatchFinder::TMatchFinder(std::span<const std::uint8_t> buf, std::size_t maxDistance,
                           std::size_t maxLength)
    : buf_(buf),
      maxDistance_(maxDistance),
      maxLength_(maxLength),
      hashBits_(std::clamp(static_cast<int>(std::bit_width(buf.size())), 8, 16)),
      head_(std::size_t{1} << hashBits_, -1),
      prev_(buf.size(), -1) {}

std::uint32_t TMatchFinder::Hash(std::size_t pos) const {
  const std::uint32_t v = buf_[pos] | (buf_[pos + 1] << 8) | (buf_[pos + 2] << 16);
  return (v * 2654435761u) >> (32 - hashBits_);
}

void TMatchFinder::Insert(std::size_t pos) {
  if (pos + 3 > buf_.size()) return;
  const std::uint32_t h = Hash(pos);
  prev_[pos] = head_[h];
  head_[h] = static_cast<std::int32_t>(pos);
}

TMatch TMatchFinder::Find(std::size_t pos) const {
  TMatch best;
  if (pos + 3 > buf_.size()) return best;
  const std::size_t limit = std::min(maxLength_, buf_.size() - pos);
  std::int32_t cand = head_[Hash(pos)];
  for (int chain = 0; cand >= 0 && chain < kMaxChain; ++chain, cand = prev_[cand]) {
    const auto c = static_cast<std::size_t>(cand);
    if (c >= pos) continue;
    const std::size_t dist = pos - c;
    if (dist > maxDistance_) break;  // chains run from near to far
    std::size_t len = 0;
    while (len < limit && buf_[c + len] == buf_[pos + len]) ++len;
    if (len >= 3 && len > best.length) {
      best = {len, dist};
      if (len == limit) break;
    }
  }
  return best;
}

}  // namespace tegulo
