// RNC1's compressor: the matches of each position of a chunk, kKeptMatches of them (the
// nearest and the two longest, long ones followed past the match finder's reach), or for
// small data the longest of every distance class.
#include <algorithm>
#include <array>
#include <deque>

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

void TMatchFinder::ChunkExact(std::size_t begin, std::size_t end, TChunkMatches& out,
                              std::deque<TMatch>& found) const {
  for (std::size_t p = begin; p < end; ++p) {
    std::array<TMatch, kMaxSymbols> kept{};
    for (std::size_t d = 1; d <= p; ++d) {
      std::size_t l = 0;
      while (p + l < end && data_[p + l] == data_[p + l - d]) ++l;
      TMatch& m = kept[SymbolOf(static_cast<std::uint32_t>(d - 1))];
      if (l >= 2 && l > m.length) {
        m = {static_cast<std::uint16_t>(l), static_cast<std::uint16_t>(d - 1)};
      }
    }
    std::stable_sort(kept.begin(), kept.end(), [](TMatch a, TMatch b) {
      return (a.length == 0 ? 0x10000 : a.length) < (b.length == 0 ? 0x10000 : b.length);
    });
    const auto count = static_cast<std::size_t>(
        std::find_if(kept.begin(), kept.end(), [](TMatch m) { return m.length == 0; }) -
        kept.begin());
    out.count.push_back(static_cast<std::uint8_t>(count));
    found.insert(found.end(), kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(count));
  }
}

void TMatchFinder::ChunkTree(std::size_t begin, std::size_t end, TChunkMatches& out,
                             std::deque<TMatch>& found) {
  for (std::size_t p = begin; p < end; ++p) {
    const std::size_t count = tree_->Matches(p, pairs_.data());
    const auto keep = [&](TMatchPair m, std::size_t length) {
      found.push_back({static_cast<std::uint16_t>(std::min<std::size_t>(length, end - p)),
                       static_cast<std::uint16_t>(m.distance - 1)});
    };
    const std::size_t first = count > kKeptMatches ? count - (kKeptMatches - 1) : 0;
    if (first > 0) keep(pairs_[0], pairs_[0].length);
    for (std::size_t j = first; j < count; ++j) keep(pairs_[j], Extend(p, pairs_[j]));
    out.count.push_back(static_cast<std::uint8_t>(std::min(count, kKeptMatches)));
  }
}

void TMatchFinder::Chunk(std::size_t begin, std::size_t end, TChunkMatches& out) {
  // The last chunk's matches go first. The new ones gather in blocks, without the room a
  // growing array leaves over, and then move to an array of their exact size.
  out.count.clear();
  out.count.reserve(end - begin);
  out.match = std::vector<TMatch>();
  std::deque<TMatch> found;
  if (data_.size() <= kExactSize) {
    ChunkExact(begin, end, out, found);
  } else {
    ChunkTree(begin, end, out, found);
  }
  out.match.assign(found.begin(), found.end());
}

}  // namespace tegulo::rnc1
