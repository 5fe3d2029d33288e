// The reach of every command kind: fills carried from the end, absolute repeats from a suffix
// array (HAL, LC_LZ5) or binary search trees (LC_LZ2); a complemented or bit-reversed repeat
// is a plain match of the complemented or bit-reversed data. Relative repeats over the 255
// distances.
#include "compress/commands/command_reach.h"

#include <algorithm>
#include <array>

#include "compress/commands/command_walk.h"
#include "compress/search/source_tree.h"
#include "compress/search/suffix_array.h"

namespace tegulo::command {
namespace {

void Fills(std::span<const std::uint8_t> data, TReach& r) {
  const std::size_t n = data.size();
  for (std::size_t i = n; i-- > 0;) {
    const auto next = [&](int k) { return i + 1 < n ? r.length[k][i + 1] : 0u; };
    r.length[kDirect][i] = static_cast<std::uint16_t>(std::min(n - i, kMaxCount));
    r.length[kByteFill][i] = static_cast<std::uint16_t>(std::min<std::size_t>(
        i + 1 < n && data[i + 1] == data[i] ? next(kByteFill) + 1 : 1, kMaxCount));
    r.length[kIncFill][i] = static_cast<std::uint16_t>(std::min<std::size_t>(
        i + 1 < n && data[i + 1] == static_cast<std::uint8_t>(data[i] + 1) ? next(kIncFill) + 1 : 1,
        kMaxCount));
    // Word fill: bytes that repeat the one two before, counted in bytes here.
    std::size_t w = 1;
    if (i + 1 < n) w = i + 2 < n && data[i + 2] == data[i] ? next(kWordFill) + 1 : 2;
    r.length[kWordFill][i] = static_cast<std::uint16_t>(std::min<std::size_t>(w, 2 * kMaxCount));
  }
}

// Plain repeats and the kinds that are plain matches of transformed data (`patterns`, one
// per kind): sources 0..i-1, which may overlap the output. Such a kind costs what a plain
// repeat costs, so where its pattern equals the data as far as a command reaches (runs of
// 00 and FF for bit reversal) its search is skipped: reach 0, the plain repeat stands for it.
void AbsoluteReach(std::span<const std::uint8_t> data,
                   std::span<const std::pair<TKind, std::vector<std::uint8_t>>> patterns,
                   TReach& r) {
  const std::size_t n = data.size();
  std::vector<std::vector<std::uint16_t>> agree;
  for (const auto& entry : patterns) {
    auto& a = agree.emplace_back(n + 1, 0);
    for (std::size_t i = n; i-- > 0;) {
      a[i] = entry.second[i] == data[i] ? static_cast<std::uint16_t>(a[i + 1] + 1) : 0;
    }
  }
  TSourceTree tree(data, kMaxCount);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t at = 0;
    for (std::size_t k = 0; k < patterns.size(); ++k) {
      if (agree[k][i] >= std::min(kMaxCount, n - i)) continue;
      const std::size_t len = tree.Find(std::span(patterns[k].second).subspan(i), at);
      r.length[patterns[k].first][i] = static_cast<std::uint16_t>(len);
      r.source[patterns[k].first][i] = static_cast<std::uint16_t>(at);
    }
    const std::size_t len = tree.Insert(i, at);  // what the tree held before: sources < i
    r.length[kRepeat][i] = static_cast<std::uint16_t>(len);
    r.source[kRepeat][i] = static_cast<std::uint16_t>(at);
  }
}

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
void SharedRepeats(std::span<const std::uint8_t> data, std::span<const TKind> kinds, TReach& r) {
  const std::size_t n = data.size();
  const std::size_t texts = kinds.size();
  std::vector<std::int32_t> text(texts * (n + 1));
  std::vector<std::int32_t> time(text.size());
  for (std::size_t k = 0; k < texts; ++k) {
    const std::size_t start = k * (n + 1);
    for (std::size_t a = 0; a < n; ++a) {
      const std::size_t at = start + (kinds[k] == kRepeatBack ? n - 1 - a : a);
      text[at] = Transform(kinds[k], data[a]);
      time[at] = static_cast<std::int32_t>(texts * a + k);
    }
    text[start + n] = static_cast<std::int32_t>(256 + k);
    time[start + n] = static_cast<std::int32_t>(texts * n + k);
  }
  const std::vector<std::int32_t> sa = SuffixArray(text, static_cast<std::int32_t>(256 + texts));
  const std::vector<TEarlierMatch> best = EarlierMatches(sa, CommonPrefixes(text, sa), time);
  for (std::size_t i = 0; i < n; ++i) {
    const auto len = std::min(static_cast<std::size_t>(best[i].length), kMaxCount);
    if (len < 2) continue;
    const auto at = static_cast<std::size_t>(best[i].at);
    const TKind kind = kinds[at / (n + 1)];
    const std::size_t offset = at % (n + 1);
    r.length[kind][i] = static_cast<std::uint16_t>(len);
    r.source[kind][i] = static_cast<std::uint16_t>(kind == kRepeatBack ? n - 1 - offset : offset);
  }
}

// LC_LZ5's relative repeats, plain and complemented: for every distance 1..255 the match
// length carried from the end, in lanes of 16 bits that the compiler can treat together.
struct TRelativeLanes {
  static constexpr std::size_t kLanes = 256;  // lane d: distance d; lane 0 never matches
  alignas(32) std::array<std::int16_t, kLanes> length{};
  alignas(32) std::array<std::int16_t, kLanes> valid{};

  TRelativeLanes() {
    valid.fill(-1);
    valid[0] = 0;
  }

  // Lane d continues where src[d] equals `want`; returns the longest.
  std::int16_t Step(const std::uint16_t* src, std::uint16_t want, std::int16_t cap) {
    std::int16_t best = 0;
    for (std::size_t d = 0; d < kLanes; ++d) {  // no branches, so that it vectorizes
      const int grown = length[d] + 1 - static_cast<int>(length[d] >= cap);
      const int match = -static_cast<int>(src[d] == want);
      const auto v = static_cast<std::int16_t>(grown & match & valid[d]);
      length[d] = v;
      best = v > best ? v : best;
    }
    return best;
  }

  std::uint16_t Lane(std::int16_t value) const {
    std::size_t d = 1;
    while (length[d] != value) ++d;
    return static_cast<std::uint16_t>(d);
  }
};

void RelativeReach(std::span<const std::uint8_t> data, TReach& r) {
  const std::size_t n = data.size();
  // rev[n - 1 - j] = data[j]; past the data's start a value no byte equals.
  std::vector<std::uint16_t> rev(n + TRelativeLanes::kLanes, 0x100);
  for (std::size_t j = 0; j < n; ++j) rev[n - 1 - j] = data[j];
  TRelativeLanes plain;
  TRelativeLanes inverse;
  for (std::size_t i = n; i-- > 0;) {
    const std::uint16_t* src = &rev[n - 1 - i];  // src[d] = data[i - d], or 0x100
    const std::int16_t p = plain.Step(src, data[i], kMaxCount);
    const std::int16_t q = inverse.Step(src, static_cast<std::uint8_t>(~data[i]),
                                        static_cast<std::int16_t>(kMaxXorCount));
    r.length[kRelative][i] = static_cast<std::uint16_t>(p);
    r.source[kRelative][i] = p > 0 ? plain.Lane(p) : 0;
    r.length[kRelativeXor][i] = static_cast<std::uint16_t>(q);
    r.source[kRelativeXor][i] = q > 0 ? inverse.Lane(q) : 0;
  }
}

}  // namespace

// The absolute repeats of the format: with one kind (plain), binary search trees; with more,
// one suffix array over a text per kind. Relative repeats where the format has them.
TReach Reach(const TCommandFormat& format, std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  TReach r;
  for (int k = 0; k < kKinds; ++k) {
    r.length[k].assign(n, 0);
    r.source[k].assign(n, 0);
  }
  Fills(data, r);
  std::vector<TKind> absolute;
  for (const TKind kind : {kRepeat, kRepeatXor, kRepeatBack, kRepeatBits}) {
    if (format.Has(kind)) absolute.push_back(kind);
  }
  if (absolute.size() > 1) {
    SharedRepeats(data, absolute, r);
  } else if (!absolute.empty()) {
    AbsoluteReach(data, {}, r);
  }
  if (format.Has(kRelative) || format.Has(kRelativeXor)) RelativeReach(data, r);
  return r;
}

}  // namespace tegulo::command
