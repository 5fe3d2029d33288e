// RNC1's compressor: the matches of each position of a chunk, kKeptMatches of them (the
// nearest and the two longest, long ones followed past the match finder's reach), or for
// small data the longest of every distance class.
#include <algorithm>
#include <array>
#include <deque>
#include <vector>

#include "compress/rnc/rnc1_search.h"
#include "compress/rnc/rnc_format.h"

namespace tegulo::rnc1 {
namespace {

// The match finder compares this far; longer matches are followed by plain comparison.
constexpr std::size_t kTreeLength = 256;
constexpr std::size_t kKeptMatches = 3;

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

namespace {

// A distance class's nearest and farthest distance (d - 1 of class s is 2^(s-1) .. 2^s - 1 from
// s = 2 on).
std::size_t FirstDistance(std::size_t s) { return s < 2 ? s + 1 : (std::size_t{1} << (s - 1)) + 1; }
std::size_t LastDistance(std::size_t s) { return s < 2 ? s + 1 : std::size_t{1} << s; }

}  // namespace

std::span<const TMatch> TMatchCursor::Next() {
  if (m_.exact) return NextExact();
  const std::uint32_t head = Byte();
  const std::array<TMatch, kKeptMatches> before = {kept_[0], kept_[1], kept_[2]};
  count_ = head & 3U;
  for (std::size_t j = 0; j < count_; ++j) {
    const std::uint32_t from = (head >> (2 + 2 * j)) & 3U;
    if (from != 0) {
      kept_[j] = {static_cast<std::uint16_t>(before[from - 1].length - 1),
                  before[from - 1].distance};
      continue;
    }
    std::uint32_t length = Byte();
    if (length == 255) length = Byte() | Byte() << 8U;
    const std::uint32_t distance = Byte() | Byte() << 8U;
    kept_[j] = {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)};
  }
  return {kept_.data(), count_};
}

std::span<const TMatch> TMatchCursor::NextExact() {
  const std::size_t p = at_++;
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
  std::array<std::size_t, kMaxSymbols> last{};
  for (std::size_t p = 0; p < end; ++p) {
    for (std::size_t s = 0; s < kMaxSymbols && FirstDistance(s) <= p; ++s) {
      std::size_t longest = 0;
      const std::size_t top = std::min(LastDistance(s), p);
      for (std::size_t d = FirstDistance(s); d <= top; ++d) {
        if (stop[d] < p) {
          std::size_t e = p;
          while (e < end && data_[e] == data_[e - d]) ++e;
          stop[d] = static_cast<std::uint16_t>(e);
        }
        longest = std::max<std::size_t>(longest, stop[d] - p);
      }
      for (std::size_t l = last[s] > 0 ? last[s] - 1 : 0; l < longest; ++l) put(true);
      put(false);
      last[s] = longest;
    }
  }
  out.growth.shrink_to_fit();
}

void TMatchFinder::Distances(std::size_t begin, std::span<TCommand> commands) const {
  if (data_.size() > kExactSize) return;
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

void TMatchFinder::ChunkTree(std::size_t begin, std::size_t end, TChunkMatches& out) {
  std::array<TMatch, kKeptMatches> before{};
  std::size_t beforeCount = 0;
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
    // Most matches go on from the position before.
    std::uint32_t head = static_cast<std::uint32_t>(n);
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t k = 0; k < beforeCount; ++k) {
        if (before[k].distance == kept[j].distance && before[k].length == kept[j].length + 1) {
          head |= static_cast<std::uint32_t>(k + 1) << (2 + 2 * j);
          break;
        }
      }
    }
    out.bytes.push_back(static_cast<std::uint8_t>(head));
    for (std::size_t j = 0; j < n; ++j) {
      if (((head >> (2 + 2 * j)) & 3U) != 0) continue;
      if (kept[j].length >= 255) {
        out.bytes.insert(out.bytes.end(), {255, static_cast<std::uint8_t>(kept[j].length),
                                           static_cast<std::uint8_t>(kept[j].length >> 8)});
      } else {
        out.bytes.push_back(static_cast<std::uint8_t>(kept[j].length));
      }
      out.bytes.insert(out.bytes.end(), {static_cast<std::uint8_t>(kept[j].distance),
                                         static_cast<std::uint8_t>(kept[j].distance >> 8)});
    }
    before = kept;
    beforeCount = n;
  }
}

void TMatchFinder::Chunk(std::size_t begin, std::size_t end, TChunkMatches& out) {
  // The last chunk's matches go first.
  out.bytes.clear();
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
