// The reach of the repeats: absolute ones from a suffix array over the data and what the
// format's other repeats write (a complemented, bit-reversed or backward repeat is a plain
// match of transformed data); relative ones over the 255 distances.
#include "compress/commands/command_reach.h"

#include <algorithm>

#include "compress/commands/command_walk.h"
#include "compress/search/suffix_array.h"

namespace tegulo::command {
namespace {

// The byte a repeat of `kind` writes for source byte b.
std::uint8_t Transform(TKind kind, std::uint8_t b) {
  if (kind == kRepeatBits) return kReversedBits[b];
  return kind == kRepeatXor ? static_cast<std::uint8_t>(~b) : b;
}

// Absolute repeats of the plain kind (kinds[0]) and of kinds[other] when other > 0 (kinds
// that cost the same, so only the furthest matters at each position). One suffix array over
// the data (the positions asked about, and the plain sources), then, for the other kind, what
// its repeat from address A writes, at n + 1 + A (read down from the end for backward
// repeats, at 2n - A). A source at address A is usable from position A + 1 on: its time is 2A
// (plain) or 2A + 1, and the data at i looks for the longest match among smaller times. A
// match of one byte is not kept; a match no longer than the one kept stays out.
void Repeats(std::span<const std::uint8_t> data, TAbsoluteReach& r, std::size_t other) {
  const std::size_t n = data.size();
  const TKind kind = r.kinds[other];
  const bool backward = kind == kRepeatBack;
  std::vector<std::uint8_t> written(other > 0 ? n : 0);  // what the other kind writes
  for (std::size_t a = 0; a < written.size(); ++a) {
    written[backward ? n - 1 - a : a] = Transform(kind, data[a]);
  }
  const TTwoPartText text{data, written};
  std::vector<std::int32_t> sa = SuffixArray(text);
  // A text position's time: 2 * its source address, + 1 for the other kind's text.
  const auto time = [n, backward](std::int32_t at) {
    const auto p = static_cast<std::size_t>(at);
    if (p < n) return static_cast<std::int32_t>(2 * p);
    return static_cast<std::int32_t>(2 * (backward ? 2 * n - p : p - n - 1) + 1);
  };
  PackCommonPrefixes(text, sa, kMaxCount, time);
  std::vector<std::uint8_t>().swap(written);
  if (r.reach.empty()) {  // made after the text is gone
    r.reach.assign(n, 0);
    r.source.assign(n, 0);
  }
  const auto keep = [&r, other](std::int32_t now, std::int32_t length, std::int32_t then) {
    const auto i = static_cast<std::size_t>(now >> 1);
    const auto len = static_cast<std::size_t>(length);
    if ((now & 1) != 0 || len < 2 || len <= r.Length(i)) return;
    const std::size_t k = (then & 1) != 0 ? other : 0;
    r.reach[i] = static_cast<std::uint16_t>(len | k << TAbsoluteReach::kLengthBits);
    r.source[i] = static_cast<std::uint16_t>(then >> 1);
  };
  EarlierMatches(sa, keep);
}

}  // namespace

// The plain kind first. With more kinds, one array per other kind (each with the plain one:
// HAL takes two), so that none holds more than twice the data.
TAbsoluteReach AbsoluteReach(const TCommandFormat& format, std::span<const std::uint8_t> data) {
  TAbsoluteReach r;
  std::size_t kinds = 0;
  for (const TKind kind : {kRepeat, kRepeatXor, kRepeatBack, kRepeatBits}) {
    if (format.Has(kind)) r.kinds[kinds++] = kind;
  }
  if (kinds == 0 || data.empty()) {
    r.reach.assign(data.size(), 0);
    r.source.assign(data.size(), 0);
    return r;
  }
  if (kinds == 1) Repeats(data, r, 0);
  for (std::size_t k = 1; k < kinds; ++k) Repeats(data, r, k);
  return r;
}

// A window of 256 steps (fewer for less data) beyond the lanes': refilled every 256 steps.
TRelativeReach::TRelativeReach(std::span<const std::uint8_t> data)
    : data_(data), window_(TRelativeLanes::kLanes + std::min<std::size_t>(data.size(), 256)) {
  if (!data.empty()) Refill(data.size() - 1);
}

void TRelativeReach::Refill(std::size_t i) {
  base_ = i;
  for (std::size_t k = 0; k < window_.size(); ++k) window_[k] = k <= i ? data_[i - k] : 0x100;
}

std::pair<std::size_t, std::size_t> TRelativeReach::Step(std::size_t i) {
  if (base_ - i + TRelativeLanes::kLanes > window_.size()) Refill(i);
  const std::uint16_t* src = &window_[base_ - i];  // src[d] = data[i - d], or 0x100
  p_ = plain_.Step(src, data_[i], kMaxCount);
  q_ = inverse_.Step(src, static_cast<std::uint8_t>(~data_[i]),
                     static_cast<std::int16_t>(kMaxXorCount));
  return {static_cast<std::size_t>(p_), static_cast<std::size_t>(q_)};
}

}  // namespace tegulo::command
