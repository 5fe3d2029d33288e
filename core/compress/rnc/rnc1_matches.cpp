// RNC1's compressor: the matches of each position of a chunk, kKeptMatches of them (the
// nearest and the two longest, long ones followed past the match finder's reach), or for
// small data the longest of every distance class.
#include <algorithm>
#include <array>
#include <vector>

#include "compress/rnc/rnc1_search.h"
#include "compress/rnc/rnc_format.h"

namespace tegulo::rnc1 {
namespace {

// The match finder compares this far; longer matches are followed by plain comparison.
constexpr std::size_t kTreeLength = 256;
constexpr std::size_t kKeptMatches = 3;
// The most bytes a position's matches take, and the blocks they gather in.
constexpr std::size_t kMostBytes = 1 + kKeptMatches * 5;
constexpr std::size_t kBlock = 1024;
constexpr std::size_t kSlack = 4;

}  // namespace

TMatchFinder::TMatchFinder(std::span<const std::uint8_t> d) : data_(d) {
  if (d.size() <= kExactSize) return;
  tree_.emplace(d, rnc::kRnc1MaxDistance, kTreeLength);
  pairs_.resize(kTreeLength + 1);
}

std::size_t TMatchFinder::Extend(std::size_t p, TMatchPair m) {
  if (m.length < kTreeLength) return m.length;
  if (longDistance_ != m.distance || longEnd_ < p + m.length) {
    longDistance_ = m.distance;
    longEnd_ = p + m.length;
    while (longEnd_ < data_.size() && longEnd_ - p < rnc::kRnc1MaxLength &&
           data_[longEnd_] == data_[longEnd_ - longDistance_]) {
      ++longEnd_;
    }
  }
  return std::min<std::size_t>(longEnd_ - p, rnc::kRnc1MaxLength);
}

std::span<const TMatch> TMatchCursor::Next() {
  if (m_.exact) return NextExact();
  if (at_ == end_) {
    const std::vector<std::uint8_t>& b = m_.blocks[block_++];
    at_ = b.data();
    end_ = at_ + b.size() - kSlack;
  }
  const std::uint8_t* at = at_;
  const std::uint32_t head = *at++;
  // The position before's matches, and this one's in the other half.
  const TMatch* before = &kept_[side_];
  side_ ^= kKeptMatches;
  TMatch* now = &kept_[side_];
  const std::size_t count = head & 3U;
  for (std::size_t j = 0; j < count; ++j) {
    // Both readings, without a branch: which one holds is not foreseeable. A block ends in
    // kSlack bytes that no position owns, so the bytes of the explicit reading are there.
    const std::uint32_t from = (head >> (2 + 2 * j)) & 3U;
    const TMatch last = before[(from - 1) & 3U];
    const bool wide = at[0] == 255;
    const std::uint32_t length = wide ? at[1] | std::uint32_t{at[2]} << 8U : at[0];
    const std::uint8_t* const d = at + (wide ? 3 : 1);
    const TMatch found = {static_cast<std::uint16_t>(length),
                          static_cast<std::uint16_t>(d[0] | std::uint32_t{d[1]} << 8U)};
    const TMatch going = {static_cast<std::uint16_t>(last.length - 1), last.distance};
    now[j] = from == 0 ? found : going;
    at += from == 0 ? (wide ? 5 : 3) : 0;
  }
  at_ = at;
  return {now, count};
}

std::span<const TMatch> TMatchCursor::NextExact() {
  const std::size_t p = position_++;
  std::size_t count = 0;
  for (std::size_t s = 0; s < kMaxSymbols && FirstDistance(s) <= p; ++s) {
    auto length = static_cast<std::uint16_t>(longest_[s] > 0 ? longest_[s] - 1 : 0);
    while (((m_.growth[bit_ / 64] >> (bit_ % 64)) & 1U) != 0) {
      ++length;
      ++bit_;
    }
    ++bit_;
    longest_[s] = length;
    if (length < 2) continue;
    // By length; a class after the nearer ones of its length.
    std::size_t j = count++;
    for (; j > 0 && kept_[j - 1].length > length; --j) kept_[j] = kept_[j - 1];
    kept_[j] = {length, static_cast<std::uint16_t>(FirstDistance(s) - 1)};
  }
  return {kept_.data(), count};
}

void TMatchFinder::ChunkExact(std::size_t end, TChunkMatches& out) const {
  out.exact = true;
  // Where the match of each distance from the position at hand stops (the first byte that
  // differs, or the end); found again only once the position has passed it.
  std::vector<std::uint16_t> stop(end + 1, 0);
  std::size_t used = 0;
  const auto put = [&out, &used](bool one) {
    if (used % 64 == 0) out.growth.push_back(0);
    if (one) out.growth.back() |= std::uint64_t{1} << (used % 64);
    ++used;
  };
  // The longest match from p of the distances of class s.
  const auto longestOf = [this, &stop, end](std::size_t p, std::size_t s) {
    std::size_t longest = 0;
    for (std::size_t d = FirstDistance(s); d <= std::min(LastDistance(s), p); ++d) {
      if (stop[d] < p) {
        std::size_t e = p;
        while (e < end && data_[e] == data_[e - d]) ++e;
        stop[d] = static_cast<std::uint16_t>(e);
      }
      longest = std::max<std::size_t>(longest, stop[d] - p);
    }
    return longest;
  };
  std::array<std::size_t, kMaxSymbols> last{};
  for (std::size_t p = 0; p < end; ++p) {
    for (std::size_t s = 0; s < kMaxSymbols && FirstDistance(s) <= p; ++s) {
      const std::size_t longest = longestOf(p, s);
      for (std::size_t l = last[s] > 0 ? last[s] - 1 : 0; l < longest; ++l) put(true);
      put(false);
      last[s] = longest;
    }
  }
  out.growth.shrink_to_fit();
}

void TMatchFinder::Distances(std::size_t begin, const TChunkMatches& matches,
                             std::span<TCommand> commands) const {
  if (!matches.exact) {
    TMatchCursor cursor(matches);
    std::span<const TMatch> kept;
    std::size_t next = 0;  // the position the cursor gives next
    std::size_t at = 0;
    for (TCommand& c : commands) {
      at += c.run;
      if (c.length == 0) break;
      for (; next <= at; ++next) kept = cursor.Next();
      const int s = SymbolOf(c.distance - 1U);
      std::size_t j = 0;
      while (kept[j].length < c.length || SymbolOf(kept[j].distance) != s) ++j;
      c.distance = static_cast<std::uint16_t>(kept[j].distance + 1U);
      at += c.length;
    }
    return;
  }
  std::size_t at = begin;
  for (TCommand& c : commands) {
    at += c.run;
    if (c.length == 0) break;
    // The nearest of the longest matches of the class.
    const auto s = static_cast<std::size_t>(SymbolOf(c.distance - 1U));
    std::size_t longest = 0;
    for (std::size_t d = FirstDistance(s); d <= std::min(LastDistance(s), at); ++d) {
      std::size_t l = 0;
      while (at + l < data_.size() && data_[at + l] == data_[at + l - d]) ++l;
      if (l > longest) {
        longest = l;
        c.distance = static_cast<std::uint16_t>(d);
      }
    }
    at += c.length;
  }
}

namespace {

// Fits the last block to the bytes it holds and its slack.
void Finish(TChunkMatches& out, std::size_t used) {
  if (out.blocks.empty()) return;
  out.blocks.back().resize(used + kSlack);
  out.blocks.back().shrink_to_fit();
}

// Writes a position's matches after those of the position before; returns the bytes written.
std::size_t Put(std::span<const TMatch> kept, std::span<const TMatch> before, std::uint8_t* to) {
  // Most matches go on from the position before.
  auto head = static_cast<std::uint32_t>(kept.size());
  for (std::size_t j = 0; j < kept.size(); ++j) {
    for (std::size_t k = 0; k < before.size(); ++k) {
      if (before[k].distance == kept[j].distance && before[k].length == kept[j].length + 1) {
        head |= static_cast<std::uint32_t>(k + 1) << (2 + 2 * j);
        break;
      }
    }
  }
  const std::uint8_t* const start = to;
  *to++ = static_cast<std::uint8_t>(head);
  for (std::size_t j = 0; j < kept.size(); ++j) {
    if (((head >> (2 + 2 * j)) & 3U) != 0) continue;
    if (kept[j].length >= 255) *to++ = 255;
    *to++ = static_cast<std::uint8_t>(kept[j].length);
    if (kept[j].length >= 255) *to++ = static_cast<std::uint8_t>(kept[j].length >> 8U);
    *to++ = static_cast<std::uint8_t>(kept[j].distance);
    *to++ = static_cast<std::uint8_t>(kept[j].distance >> 8U);
  }
  return static_cast<std::size_t>(to - start);
}

}  // namespace

void TMatchFinder::ChunkTree(std::size_t begin, std::size_t end, TChunkMatches& out) {
  std::array<TMatch, kKeptMatches> before{};
  std::size_t beforeCount = 0;
  std::size_t used = 0;  // of the last block
  for (std::size_t p = begin; p < end; ++p) {
    const std::size_t count = tree_->Matches(p, pairs_.data());
    std::array<TMatch, kKeptMatches> kept{};
    std::size_t n = 0;
    const auto keep = [&](TMatchPair m, std::size_t length) {
      kept[n++] = {static_cast<std::uint16_t>(std::min<std::size_t>(length, end - p)),
                   static_cast<std::uint16_t>(m.distance - 1)};
    };
    const std::size_t first = count > kKeptMatches ? count - (kKeptMatches - 1) : 0;
    if (first > 0) keep(pairs_[0], pairs_[0].length);
    for (std::size_t j = first; j < count; ++j) keep(pairs_[j], Extend(p, pairs_[j]));
    if (out.blocks.empty() || out.blocks.back().size() - used < kMostBytes + kSlack) {
      Finish(out, used);
      out.blocks.emplace_back(std::min(kBlock, kMostBytes * (end - p)) + kSlack);
      used = 0;
    }
    used += Put({kept.data(), n}, {before.data(), beforeCount}, out.blocks.back().data() + used);
    before = kept;
    beforeCount = n;
  }
  Finish(out, used);
}

void TMatchFinder::Chunk(std::size_t begin, std::size_t end, TChunkMatches& out) {
  // The last chunk's matches go first.
  out.blocks = std::vector<std::vector<std::uint8_t>>();
  out.growth = std::vector<std::uint64_t>();
  if (!tree_) {
    ChunkExact(end, out);
    return;
  }
  ChunkTree(begin, end, out);
  // After the last chunk the tree has served.
  if (end == data_.size()) {
    tree_.reset();
    pairs_ = std::vector<TMatchPair>();
  }
}

}  // namespace tegulo::rnc1
