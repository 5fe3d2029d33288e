// The reach of the repeats: absolute ones from binary search trees, one kind at a time (a
// complemented, bit-reversed or backward repeat is a match of the data in a transformed text),
// so that only one tree and its text are held at once; relative ones over the 255 distances.
#include "compress/commands/command_reach.h"

#include <algorithm>

#include "compress/commands/command_walk.h"
#include "compress/search/source_tree.h"

namespace tegulo::command {
namespace {

// The byte a repeat of `kind` writes for source byte b (both ways: the transforms are their own
// inverses).
std::uint8_t Transform(TKind kind, std::uint8_t b) {
  if (kind == kRepeatBits) return kReversedBits[b];
  return kind == kRepeatXor ? static_cast<std::uint8_t>(~b) : b;
}

// Keeps a repeat of kinds[k] at i where it reaches further than the kinds before it, so that on
// a tie the first kind stays.
void Keep(TAbsoluteReach& r, std::size_t i, std::size_t k, std::size_t len, std::size_t source) {
  if (len <= r.Length(i)) return;
  r.reach[i] = static_cast<std::uint16_t>(len | k << TAbsoluteReach::kLengthBits);
  r.source[i] = static_cast<std::uint16_t>(source);
}

// Repeats that read forward: sources 0..i-1, which may overlap the output. One tree over the
// data: a plain repeat is a match of the data at i, a complemented or bit-reversed one a match
// of the data transformed back (the repeat writes T(source), so T(data) must equal the source).
void ForwardRepeats(std::span<const std::uint8_t> data, TAbsoluteReach& r, std::size_t kinds) {
  const std::size_t n = data.size();
  std::size_t plain = kinds;
  std::size_t other = kinds;  // the one transformed forward kind a format has at most
  for (std::size_t k = 0; k < kinds; ++k) {
    if (r.kinds[k] == kRepeat) plain = k;
    if (r.kinds[k] == kRepeatXor || r.kinds[k] == kRepeatBits) other = k;
  }
  std::vector<std::uint8_t> pattern;
  if (other < kinds) {
    pattern.resize(n);
    for (std::size_t a = 0; a < n; ++a) pattern[a] = Transform(r.kinds[other], data[a]);
  }
  TSourceTree tree(data, kMaxCount);
  const std::span<const std::uint8_t> transformed(pattern);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t at = 0;
    if (other < kinds && i > 0) {
      const std::size_t len = tree.Find(transformed.subspan(i), at);
      Keep(r, i, other, len, at);
    }
    const std::size_t len = tree.Insert(i, at);  // what the tree held before: sources < i
    if (plain < kinds) Keep(r, i, plain, len, at);
  }
}

// HAL's backward repeats: a tree over the data read down from the end (address A at n - 1 - A)
// searched for the data at each position; a source at A is usable from position A + 1 on.
void BackwardRepeats(std::span<const std::uint8_t> data, std::size_t k, TAbsoluteReach& r) {
  const std::size_t n = data.size();
  std::vector<std::uint8_t> text(data.rbegin(), data.rend());
  TSourceTree tree(text, kMaxCount);
  std::size_t unused = 0;
  for (std::size_t i = 1; i < n; ++i) {
    tree.Insert(n - i, unused);  // address i - 1
    std::size_t at = 0;
    const std::size_t len = tree.Find(data.subspan(i), at);
    Keep(r, i, k, len, n - 1 - at);
  }
}

}  // namespace

// The kinds cost the same, so only the furthest of them matters at each position.
TAbsoluteReach AbsoluteReach(const TCommandFormat& format, std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  TAbsoluteReach r;
  r.reach.assign(n, 0);
  r.source.assign(n, 0);
  std::size_t kinds = 0;
  for (const TKind kind : {kRepeat, kRepeatXor, kRepeatBack, kRepeatBits}) {
    if (format.Has(kind)) r.kinds[kinds++] = kind;
  }
  if (kinds == 0) return r;
  ForwardRepeats(data, r, kinds);
  for (std::size_t k = 0; k < kinds; ++k) {
    if (r.kinds[k] == kRepeatBack) BackwardRepeats(data, k, r);
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
