// The reach of every command kind: fills carried from the end, absolute repeats from binary
// search trees (a complemented or bit-reversed repeat is a plain match of the complemented
// or bit-reversed data), relative repeats over the 255 distances.
#include "compress/command_reach.h"

#include <algorithm>
#include <array>

#include "compress/source_tree.h"
#include "compress/suffix_array.h"

namespace tegulo::command {
namespace {

std::uint8_t ReverseBits(std::uint8_t b) {
  unsigned r = 0;
  for (int k = 0; k < 8; ++k) r |= ((b >> k) & 1u) << (7 - k);
  return static_cast<std::uint8_t>(r);
}

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

// HAL's three repeats cost the same, so only the furthest of them matters at each position.
// One suffix array over three texts of n bytes, each closed by a separator of its own: the
// data (plain repeats from A), its bytes read down from the end (backward repeats from A, at
// 2n - A) and its bit-reversed bytes (a plain match there is a bit-reversed repeat from A, at
// 2n + 2 + A). A source at address A is usable from position A + 1 on: its time is 3A, 3A + 1
// or 3A + 2 by text, and the data at i looks for the longest match among smaller times.
// The kinds that lose stay at reach 0; a match of one byte is not kept.
void HalRepeats(std::span<const std::uint8_t> data, TReach& r) {
  const std::size_t n = data.size();
  const std::size_t size = 3 * n + 3;
  std::vector<std::int32_t> text(size);
  std::vector<std::int32_t> time(size);
  for (std::size_t a = 0; a < n; ++a) {
    text[a] = data[a];
    text[2 * n - a] = data[a];
    text[2 * n + 2 + a] = ReverseBits(data[a]);
    time[a] = static_cast<std::int32_t>(3 * a);
    time[2 * n - a] = static_cast<std::int32_t>(3 * a + 1);
    time[2 * n + 2 + a] = static_cast<std::int32_t>(3 * a + 2);
  }
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t end = (k + 1) * (n + 1) - 1;
    text[end] = static_cast<std::int32_t>(256 + k);
    time[end] = static_cast<std::int32_t>(3 * n + k);
  }
  const std::vector<std::int32_t> sa = SuffixArray(text, 259);
  const std::vector<TEarlierMatch> best = EarlierMatches(sa, CommonPrefixes(text, sa), time);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t len =
        std::min<std::size_t>(static_cast<std::size_t>(best[i].length), kMaxCount);
    if (len < 2) continue;
    const auto at = static_cast<std::size_t>(best[i].at);
    const TKind kind = at < n ? kRepeat : at <= 2 * n ? kRepeatBack : kRepeatBits;
    const std::size_t address = at < n ? at : at <= 2 * n ? 2 * n - at : at - (2 * n + 2);
    r.length[kind][i] = static_cast<std::uint16_t>(len);
    r.source[kind][i] = static_cast<std::uint16_t>(address);
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

TReach Reach(TCommandFormat format, std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  TReach r;
  for (int k = 0; k < kKinds; ++k) {
    r.length[k].assign(n, 0);
    r.source[k].assign(n, 0);
  }
  Fills(data, r);
  std::vector<std::pair<TKind, std::vector<std::uint8_t>>> patterns;
  if (format == TCommandFormat::LCLZ5) {
    std::vector<std::uint8_t> inverse(data.begin(), data.end());
    for (auto& b : inverse) b = static_cast<std::uint8_t>(~b);
    patterns.emplace_back(kRepeatXor, std::move(inverse));
  }
  if (format == TCommandFormat::HAL) {
    HalRepeats(data, r);
  } else {
    AbsoluteReach(data, patterns, r);
  }
  if (format == TCommandFormat::LCLZ5) RelativeReach(data, r);
  return r;
}

}  // namespace tegulo::command
