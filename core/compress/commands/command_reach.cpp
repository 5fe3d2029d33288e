// The reach of the repeats: absolute ones from binary search trees (one kind: LC_LZ2) or a
// suffix array (several kinds: HAL, LC_LZ5; a complemented, bit-reversed or backward repeat is
// a plain match of transformed data); relative ones over the 255 distances.
#include "compress/commands/command_reach.h"

#include <algorithm>

#include "compress/commands/command_walk.h"
#include "compress/search/source_tree.h"
#include "compress/search/suffix_array.h"

namespace tegulo::command {
namespace {

// Plain repeats: sources 0..i-1, which may overlap the output.
void PlainReach(std::span<const std::uint8_t> data, TAbsoluteReach& r) {
  TSourceTree tree(data, kMaxCount);
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::size_t at = 0;
    const std::size_t len = tree.Insert(i, at);  // what the tree held before: sources < i
    r.reach[i] = static_cast<std::uint16_t>(len);
    r.source[i] = static_cast<std::uint16_t>(at);
  }
}

void Release(std::vector<std::int32_t>& v) { std::vector<std::int32_t>().swap(v); }

// The byte a repeat of `kind` writes for source byte b.
std::uint8_t Transform(TKind kind, std::uint8_t b) {
  if (kind == kRepeatBits) return kReversedBits[b];
  return kind == kRepeatXor ? static_cast<std::uint8_t>(~b) : b;
}

// Absolute repeats whose kinds all cost the same (HAL's plain, bit-reversed and backward ones;
// LC_LZ5's plain and complemented ones), so only the furthest of them matters at each
// position. One suffix array over a text of n bytes per kind, each closed by a separator of
// its own: text k holds what a repeat of kinds[k] from address A writes, at k(n + 1) + A
// (read down from the end for backward repeats, at k(n + 1) + n - 1 - A). A source at address
// A is usable from position A + 1 on: its time is K·A + k, and the data at i (text 0, plain)
// looks for the longest match among smaller times. The kinds that lose stay at reach 0; a
// match of one byte is not kept.
void SharedRepeats(std::span<const std::uint8_t> data, std::size_t texts, TAbsoluteReach& r) {
  const std::size_t n = data.size();
  const std::size_t stride = n + 1;
  std::vector<std::int32_t> sa;
  std::vector<std::int32_t> plcp;  // by position
  {
    std::vector<std::uint16_t> text(texts * stride);
    for (std::size_t k = 0; k < texts; ++k) {
      const std::size_t start = k * stride;
      for (std::size_t a = 0; a < n; ++a) {
        text[start + (r.kinds[k] == kRepeatBack ? n - 1 - a : a)] = Transform(r.kinds[k], data[a]);
      }
      text[start + n] = static_cast<std::uint16_t>(256 + k);
    }
    sa = SuffixArray<std::uint16_t>(text, static_cast<std::int32_t>(256 + texts));
    plcp = CommonPrefixes<std::uint16_t>(text, sa);
  }
  const auto time = [&](std::size_t at) {
    std::size_t k = 0;
    for (; at >= stride; at -= stride) ++k;  // a few texts: no division
    const std::size_t a = at == n || r.kinds[k] != kRepeatBack ? at : n - 1 - at;
    return static_cast<std::int32_t>(texts * a + k);
  };
  const std::vector<TEarlierMatch> best = EarlierMatches(sa, plcp, time, n);
  Release(sa);
  Release(plcp);
  for (std::size_t i = 0; i < n; ++i) {
    const auto len = std::min(static_cast<std::size_t>(best[i].length), kMaxCount);
    if (len < 2) continue;
    const auto at = static_cast<std::size_t>(best[i].at);
    const std::size_t k = at / stride;
    const std::size_t offset = at % stride;
    r.reach[i] = static_cast<std::uint16_t>(len | k << TAbsoluteReach::kLengthBits);
    r.source[i] = static_cast<std::uint16_t>(r.kinds[k] == kRepeatBack ? n - 1 - offset : offset);
  }
}

}  // namespace

// With one absolute kind (plain), binary search trees; with more, one suffix array over a text
// per kind.
TAbsoluteReach AbsoluteReach(const TCommandFormat& format, std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  TAbsoluteReach r;
  r.reach.assign(n, 0);
  r.source.assign(n, 0);
  std::size_t kinds = 0;
  for (const TKind kind : {kRepeat, kRepeatXor, kRepeatBack, kRepeatBits}) {
    if (format.Has(kind)) r.kinds[kinds++] = kind;
  }
  if (kinds > 1) {
    SharedRepeats(data, kinds, r);
  } else if (kinds == 1) {
    PlainReach(data, r);
  }
  return r;
}

TRelativeReach::TRelativeReach(std::span<const std::uint8_t> data)
    : data_(data), rev_(data.size() + TRelativeLanes::kLanes, 0x100) {
  const std::size_t n = data.size();
  for (std::size_t j = 0; j < n; ++j) rev_[n - 1 - j] = data[j];
}

std::pair<std::size_t, std::size_t> TRelativeReach::Step(std::size_t i) {
  const std::size_t n = data_.size();
  const std::uint16_t* src = &rev_[n - 1 - i];  // src[d] = data[i - d], or 0x100
  p_ = plain_.Step(src, data_[i], kMaxCount);
  q_ = inverse_.Step(src, static_cast<std::uint8_t>(~data_[i]),
                     static_cast<std::int16_t>(kMaxXorCount));
  return {static_cast<std::size_t>(p_), static_cast<std::size_t>(q_)};
}

}  // namespace tegulo::command
