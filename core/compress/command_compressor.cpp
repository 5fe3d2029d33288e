// The shortest streams of LC_LZ2, LC_LZ5 and HAL: the longest run of every command kind at
// each position, then a cheapest path from the end. A command takes any length up to its
// longest at one cost per header size, so each (kind, header size) is one range query.
#include <algorithm>
#include <array>
#include <string>

#include "base/uCommon.h"
#include "compress/range_min.h"
#include "compress/snes_schemes.h"
#include "compress/source_tree.h"

namespace tegulo {
namespace {

constexpr std::size_t kMaxCount = 1024;
constexpr std::size_t kShortCount = 32;

// What a command does at a position, as far as the compressor chooses it.
enum TKind : std::uint8_t {
  kDirect,
  kByteFill,
  kWordFill,
  kIncFill,
  kRepeat,       // absolute source, plain
  kRepeatXor,    // LC_LZ5 5: absolute, complemented
  kRepeatBits,   // HAL 5: absolute, bits reversed
  kRepeatBack,   // HAL 6: absolute, read backwards
  kRelative,     // LC_LZ5 6: one byte back-distance
  kRelativeXor,  // LC_LZ5 7: long form only
  kKinds
};

struct TKindRule {
  unsigned cmd;
  std::size_t argBytes;
  std::size_t maxCount;  // bytes, except HAL word fills (pairs)
  bool longOnly;
};

constexpr TKindRule kRules[kKinds] = {
    {0, 0, kMaxCount, false}, {1, 1, kMaxCount, false}, {2, 2, kMaxCount, false},
    {3, 1, kMaxCount, false}, {4, 2, kMaxCount, false}, {5, 2, kMaxCount, false},
    {5, 2, kMaxCount, false}, {6, 2, kMaxCount, false}, {6, 1, kMaxCount, false},
    {7, 1, 768, true},
};

std::uint8_t ReverseBits(std::uint8_t b) {
  unsigned r = 0;
  for (int k = 0; k < 8; ++k) r |= ((b >> k) & 1u) << (7 - k);
  return static_cast<std::uint8_t>(r);
}

// The longest use of each kind at each position, and where its source is.
struct TReach {
  std::vector<std::uint16_t> length[kKinds];
  std::vector<std::uint16_t> source[kKinds];  // absolute address, or back-distance
};

// Absolute repeats against a source text: sources 0..i-1 (backwards: A - n + 1 >= 0).
void AbsoluteReach(std::span<const std::uint8_t> data, const std::vector<std::uint8_t>& text,
                   bool backward, std::vector<std::uint16_t>& length,
                   std::vector<std::uint16_t>& source) {
  const std::size_t n = data.size();
  TSourceTree tree(text, kMaxCount);
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) tree.Insert(backward ? n - i : i - 1);  // source i - 1
    std::size_t at = 0;
    const std::size_t len = tree.Find(data.subspan(i), at);
    length[i] = static_cast<std::uint16_t>(len);
    source[i] = static_cast<std::uint16_t>(backward ? n - 1 - at : at);
  }
}

// LC_LZ5's relative repeats, plain and complemented: for every distance 1..255 the match
// length, carried from the end.
void RelativeReach(std::span<const std::uint8_t> data, TReach& r) {
  const std::size_t n = data.size();
  std::array<std::uint16_t, 256> plain{};
  std::array<std::uint16_t, 256> inverse{};
  for (std::size_t i = n; i-- > 0;) {
    const std::size_t top = std::min<std::size_t>(255, i);
    std::size_t bestPlain = 0;
    std::size_t bestInverse = 0;
    for (std::size_t d = 1; d <= top; ++d) {
      const std::uint8_t s = data[i - d];
      plain[d] = data[i] == s
                     ? static_cast<std::uint16_t>(std::min<std::size_t>(plain[d] + 1, kMaxCount))
                     : 0;
      inverse[d] = data[i] == static_cast<std::uint8_t>(~s)
                       ? static_cast<std::uint16_t>(std::min<std::size_t>(inverse[d] + 1, 768))
                       : 0;
      if (plain[d] > plain[bestPlain]) bestPlain = d;
      if (inverse[d] > inverse[bestInverse]) bestInverse = d;
    }
    for (std::size_t d = top + 1; d < 256; ++d) plain[d] = inverse[d] = 0;
    r.length[kRelative][i] = plain[bestPlain];
    r.source[kRelative][i] = static_cast<std::uint16_t>(bestPlain);
    r.length[kRelativeXor][i] = inverse[bestInverse];
    r.source[kRelativeXor][i] = static_cast<std::uint16_t>(bestInverse);
  }
}

TReach Reach(TCommandFormat f, std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  TReach r;
  for (int k = 0; k < kKinds; ++k) {
    r.length[k].assign(n, 0);
    r.source[k].assign(n, 0);
  }
  // The fills, carried from the end.
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
  std::vector<std::uint8_t> text(data.begin(), data.end());
  AbsoluteReach(data, text, false, r.length[kRepeat], r.source[kRepeat]);
  if (f == TCommandFormat::LCLZ5) {
    for (auto& b : text) b = static_cast<std::uint8_t>(~b);
    AbsoluteReach(data, text, false, r.length[kRepeatXor], r.source[kRepeatXor]);
    RelativeReach(data, r);
  }
  if (f == TCommandFormat::HAL) {
    for (std::size_t i = 0; i < n; ++i) text[i] = ReverseBits(data[i]);
    AbsoluteReach(data, text, false, r.length[kRepeatBits], r.source[kRepeatBits]);
    for (std::size_t i = 0; i < n; ++i) text[i] = data[n - 1 - i];
    AbsoluteReach(data, text, true, r.length[kRepeatBack], r.source[kRepeatBack]);
  }
  return r;
}

bool Uses(TCommandFormat f, int kind) {
  switch (kind) {
    case kRepeatXor:
    case kRelative:
    case kRelativeXor: return f == TCommandFormat::LCLZ5;
    case kRepeatBits:
    case kRepeatBack: return f == TCommandFormat::HAL;
    default: return true;
  }
}

struct TChoiceAt {
  std::uint8_t kind = kDirect;
  std::uint16_t bytes = 1;  // output bytes the command writes
};

void PutHeader(std::vector<std::uint8_t>& out, unsigned cmd, std::size_t count, bool longForm) {
  if (!longForm && count <= kShortCount) {
    out.push_back(static_cast<std::uint8_t>(cmd << 5 | (count - 1)));
    return;
  }
  out.push_back(static_cast<std::uint8_t>(0xE0u | cmd << 2 | (count - 1) >> 8));
  out.push_back(static_cast<std::uint8_t>(count - 1));
}

void PutCommand(TCommandFormat f, std::vector<std::uint8_t>& out,
                std::span<const std::uint8_t> data, std::size_t i, const TChoiceAt& c,
                const TReach& r) {
  const TKindRule& rule = kRules[c.kind];
  const bool halPairs = f == TCommandFormat::HAL && c.kind == kWordFill;
  PutHeader(out, rule.cmd, halPairs ? c.bytes / 2u : c.bytes, rule.longOnly);
  const std::size_t src = r.source[c.kind][i];
  switch (c.kind) {
    case kDirect:
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                 data.begin() + static_cast<std::ptrdiff_t>(i + c.bytes));
      return;
    case kByteFill:
    case kIncFill: out.push_back(data[i]); return;
    case kWordFill:
      out.push_back(data[i]);
      out.push_back(i + 1 < data.size() ? data[i + 1] : data[i]);
      return;
    case kRelative:
    case kRelativeXor: out.push_back(static_cast<std::uint8_t>(src)); return;
    default: break;
  }
  const bool littleEndian = f == TCommandFormat::LCLZ5;
  out.push_back(static_cast<std::uint8_t>(littleEndian ? src : src >> 8));
  out.push_back(static_cast<std::uint8_t>(littleEndian ? src >> 8 : src));
}

// The cheapest path from the end; cost[i] in bytes, the end byte included.
class TPath {
public:
  TPath(TCommandFormat f, std::size_t n)
      : f_(f),
        cost_(n + 1, 0),
        choice_(n),
        best_(n + 1),
        gain_(n + 1),
        parity_{TRangeMin(n / 2 + 1), TRangeMin(n / 2 + 1)} {
    SetCost(n, 1);
  }

  void Solve(const TReach& r) {
    for (std::size_t i = cost_.size() - 1; i-- > 0;) {
      TChoiceAt pick;
      std::uint32_t best = TRangeMin::kNone;
      for (int k = 0; k < kKinds; ++k) {
        if (Uses(f_, k)) Consider(i, k, r.length[k][i], best, pick);
      }
      choice_[i] = pick;
      SetCost(i, best);
    }
  }

  std::uint32_t Cost(std::size_t i) const { return cost_[i]; }
  const TChoiceAt& Choice(std::size_t i) const { return choice_[i]; }

private:
  void SetCost(std::size_t i, std::uint32_t c) {
    cost_[i] = c;
    best_.Set(i, c);
    gain_.Set(i, c + static_cast<std::uint32_t>(i));
    parity_[i & 1u].Set(i >> 1, c);
  }

  // The cheapest rest after a command of kind k at i writing first..last units (bytes, or
  // pairs), its argument bytes included, and where that command ends; kNone for none.
  std::uint32_t BandMin(std::size_t i, int k, bool pairs, std::size_t first, std::size_t last,
                        std::size_t& at) const {
    if (k == kDirect) {  // direct copies pay a byte per byte: the minimum of cost + position
      const std::uint32_t c = gain_.Min(i + first, i + last, at);
      return c == TRangeMin::kNone ? c : c - static_cast<std::uint32_t>(i);
    }
    std::uint32_t c = 0;
    if (pairs) {
      c = parity_[i & 1u].Min((i >> 1) + first, (i >> 1) + last, at);
      at = 2 * at + (i & 1u);
    } else {
      c = best_.Min(i + first, i + last, at);
    }
    return c == TRangeMin::kNone ? c : c + static_cast<std::uint32_t>(kRules[k].argBytes);
  }

  // Lengths 1..reach of kind k at i (HAL word fills: even lengths), short and long headers.
  void Consider(std::size_t i, int k, std::size_t reach, std::uint32_t& best, TChoiceAt& pick) {
    const TKindRule& rule = kRules[k];
    const bool pairs = f_ == TCommandFormat::HAL && k == kWordFill;
    const std::size_t unit = pairs ? 2 : 1;
    const std::size_t most = std::min(reach / unit, rule.maxCount);
    const std::size_t bands[2][2] = {{1, rule.longOnly ? 0 : std::min(most, kShortCount)},
                                     {rule.longOnly ? 1 : kShortCount + 1, most}};
    for (int b = 0; b < 2; ++b) {
      const std::size_t first = bands[b][0];
      const std::size_t last = bands[b][1];
      if (first > last) continue;
      const std::uint32_t head = b == 0 ? 1 : 2;
      std::size_t at = 0;
      std::uint32_t c = BandMin(i, k, pairs, first, last, at);
      if (c == TRangeMin::kNone) continue;
      c += head;
      if (c <= best) {
        best = c;
        pick = {static_cast<std::uint8_t>(k), static_cast<std::uint16_t>(at - i)};
      }
    }
  }

  TCommandFormat f_;
  std::vector<std::uint32_t> cost_;
  std::vector<TChoiceAt> choice_;
  TRangeMin best_;
  TRangeMin gain_;  // cost + position: direct copies pay one byte per byte
  TRangeMin parity_[2];
};

}  // namespace

std::vector<std::uint8_t> CompressCommands(TCommandFormat format,
                                           std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  if (n > kCommandOutputLimit) {
    throw TError(std::string(CommandFormatName(format)) +
                 " holds at most 65536 bytes; the data are " + std::to_string(n) + " bytes");
  }
  const TReach reach = Reach(format, data);
  TPath path(format, n);
  path.Solve(reach);
  std::vector<std::uint8_t> out;
  out.reserve(path.Cost(0));
  for (std::size_t i = 0; i < n; i += path.Choice(i).bytes) {
    PutCommand(format, out, data, i, path.Choice(i), reach);
  }
  out.push_back(0xFF);
  return out;
}

}  // namespace tegulo
