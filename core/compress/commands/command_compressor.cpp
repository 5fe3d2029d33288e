// The shortest streams of LC_LZ2, LC_LZ5 and HAL: the reach of every command kind at each
// position (command_reach.h), then a cheapest path from the end. A command takes any length
// up to its reach at one cost per header size, and kinds whose arguments are as long differ
// only in reach, so at each position the furthest-reaching kind of each cost group stands
// for the group and each (group, header size) is one range minimum.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <tuple>

#include "base/uCommon.h"
#include "compress/commands/command_formats.h"
#include "compress/commands/command_reach.h"
#include "compress/search/front_min.h"

namespace tegulo {
namespace {

using command::kMaxCount;
using command::kShortCount;
using command::TKind;

// Kinds that cost the same for the same count.
enum TGroup : std::uint8_t {
  kDirectCopy,  // a byte per byte
  kOneByte,     // byte and increasing fills, relative repeats
  kTwoBytes,    // absolute repeats; word fills counted in bytes
  kPairs,       // HAL's word fill, counted in pairs
  kLongXor,     // LC_LZ5's relative XOR repeat: long header only
  kGroups
};

constexpr std::uint32_t kArgBytes[kGroups] = {0, 1, 2, 2, 1};

struct TGroupReach {
  TKind kind = command::kDirect;
  std::size_t units = 0;  // bytes, or pairs for kPairs
};

// The group of each kind in the format, from its rule: what its arguments cost, how it
// counts and which headers it takes; kGroups for kinds the format lacks.
using TGroups = std::array<TGroup, command::kKinds>;
TGroups GroupsOf(const TCommandFormat& f) {
  TGroups groups{};
  for (int k = 0; k < command::kKinds; ++k) {
    const auto kind = static_cast<TKind>(k);
    if (!f.Has(kind)) {
      groups[k] = kGroups;
      continue;
    }
    const command::TRule& rule = f.Rule(kind);
    groups[k] = rule.kind == command::kDirect ? kDirectCopy
                : rule.longOnly               ? kLongXor
                : rule.unit == 2              ? kPairs
                : rule.argBytes == 1          ? kOneByte
                                              : kTwoBytes;
  }
  return groups;
}

// The longest use of each kind at one position (0 for kinds the format lacks), counted as
// Fills/Reach count them: bytes, the word fill's included.
using TKindReach = std::array<std::size_t, command::kKinds>;

// The furthest-reaching kind of each group; on a tie the first kind.
std::array<TGroupReach, kGroups> GroupReach(const TGroups& groups, const TKindReach& r) {
  std::array<TGroupReach, kGroups> g{};
  for (int k = 0; k < command::kKinds; ++k) {
    const TGroup group = groups[k];
    if (group == kGroups) continue;
    std::size_t units = r[k];
    units = group == kPairs ? units / 2 : std::min(units, kMaxCount);
    if (units > g[group].units) g[group] = {static_cast<TKind>(k), units};
  }
  return g;
}

// The counts a header of each size gives a group: short 1..32, long 33..1024 (all from 1 for
// the long-only kind).
struct TBand {
  std::size_t first;
  std::size_t last;
  std::uint32_t header;
};
std::array<TBand, 2> Bands(TGroup group, std::size_t units) {
  if (group == kLongXor) return {{{1, 0, 1}, {1, units, 2}}};
  return {{{1, std::min(units, kShortCount), 1}, {kShortCount + 1, units, 2}}};
}

void PutHeader(std::vector<std::uint8_t>& out, unsigned cmd, std::size_t count, bool longForm) {
  if (!longForm && count <= kShortCount) {
    out.push_back(static_cast<std::uint8_t>(cmd << 5 | (count - 1)));
    return;
  }
  out.push_back(static_cast<std::uint8_t>(0xE0u | cmd << 2 | (count - 1) >> 8));
  out.push_back(static_cast<std::uint8_t>(count - 1));
}

// Writes the command of `kind` that covers `units` at i, from `src` (an address or a
// distance) where it copies.
void PutCommand(const TCommandFormat& f, std::vector<std::uint8_t>& out,
                std::span<const std::uint8_t> data, std::size_t i, TKind kind, std::size_t units,
                std::size_t src) {
  PutHeader(out, static_cast<unsigned>(f.CommandOf(kind)), units, f.Rule(kind).longOnly);
  switch (kind) {
    case command::kDirect:
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                 data.begin() + static_cast<std::ptrdiff_t>(i + units));
      return;
    case command::kByteFill:
    case command::kIncFill: out.push_back(data[i]); return;
    case command::kWordFill:
      out.push_back(data[i]);
      out.push_back(i + 1 < data.size() ? data[i + 1] : data[i]);
      return;
    case command::kRelative:
    case command::kRelativeXor: out.push_back(static_cast<std::uint8_t>(src)); return;
    default: break;
  }
  const bool littleEndian = !f.bigEndian;
  out.push_back(static_cast<std::uint8_t>(littleEndian ? src : src >> 8));
  out.push_back(static_cast<std::uint8_t>(littleEndian ? src >> 8 : src));
}

// The fills at one position, carried down from the end.
struct TFills {
  std::size_t byteFill = 0;
  std::size_t incFill = 0;
  std::size_t wordFill = 0;  // bytes that repeat the one two before, counted in bytes

  void Step(std::span<const std::uint8_t> d, std::size_t i) {
    const std::size_t n = d.size();
    const bool more = i + 1 < n;
    byteFill = std::min(more && d[i + 1] == d[i] ? byteFill + 1 : 1, kMaxCount);
    incFill = std::min(more && d[i + 1] == static_cast<std::uint8_t>(d[i] + 1) ? incFill + 1 : 1,
                       kMaxCount);
    std::size_t w = 1;
    if (more) w = i + 2 < n && d[i + 2] == d[i] ? wordFill + 1 : 2;
    wordFill = std::min(w, 2 * kMaxCount);
  }
};

// A position's value in the range minima: its cost, or its cost + position for direct copies
// (which pay a byte per byte).
template <bool kPlusPosition>
struct TCostAt {
  const std::uint32_t* cost;
  std::uint32_t operator()(std::size_t j) const {
    return cost[j] + (kPlusPosition ? static_cast<std::uint32_t>(j) : 0);
  }
};

// The cheapest path from the end; cost[i] in bytes, the end byte included. The reach of every
// kind is counted as the search goes down, except the absolute repeats' (found before); the
// search keeps per position its cost, its choice and the chosen copy's source.
template <template <class> class TRing>  // TFrontMin or TFrontMinByPosition
class TPath {
  using TMins = TRing<TCostAt<false>>;
  using TGainMins = TRing<TCostAt<true>>;

public:
  TPath(const TCommandFormat& f, std::span<const std::uint8_t> data, command::TAbsoluteReach abs)
      : d_(data), abs_(std::move(abs)), cost_(data.size() + 1, 0), groups_(GroupsOf(f)) {
    const std::size_t n = data.size();
    const bool relative = f.Has(command::kRelative) || f.Has(command::kRelativeXor);
    if (relative) relative_.emplace(data);
    const TCostAt<false> cost{cost_.data()};
    const TCostAt<true> gain{cost_.data()};
    near_.emplace(kShortCount, n + 1, cost);
    far_.emplace(kMaxCount - kShortCount, n + 1, cost);
    nearGain_.emplace(kShortCount, n + 1, gain);
    farGain_.emplace(kMaxCount - kShortCount, n + 1, gain);
    cost_[n] = 1;
  }

  void Solve() {
    TFills fills;
    TKindReach r{};
    for (std::size_t i = d_.size(); i-- > 0;) {
      Push(i);
      fills.Step(d_, i);
      r[command::kDirect] = std::min(d_.size() - i, kMaxCount);
      r[command::kByteFill] = fills.byteFill;
      r[command::kIncFill] = fills.incFill;
      r[command::kWordFill] = fills.wordFill;
      const std::size_t absLength = abs_.Length(i);
      const TKind absKind = abs_.Kind(i);
      if (absLength != 0) r[absKind] = absLength;
      if (relative_) std::tie(r[command::kRelative], r[command::kRelativeXor]) = relative_->Step(i);
      SolveAt(i, GroupReach(groups_, r));
      if (absLength != 0) r[absKind] = 0;
    }
  }

  std::uint32_t Cost(std::size_t i) const { return cost_[i]; }

  // The chosen command at i: its kind and count. The search kept only the kind and the
  // header size, so this finds a count whose rest costs what the search found (the search
  // found one in the header's band): for a direct copy the largest, so that a run of bytes
  // longer than one copy starts with a full one, as other encoders and the scan expect; for
  // the other commands the smallest.
  TGroupReach Command(std::size_t i) const {
    const auto kind = static_cast<TKind>(Choice(i) >> 1);
    const TGroup g = groups_[kind];
    const bool longHeader = (Choice(i) & 1u) != 0;
    const std::uint32_t header = longHeader ? 2 : 1;
    const std::uint32_t rest = cost_[i] - header - kArgBytes[g];
    if (g == kDirectCopy) {
      std::size_t u = std::min(d_.size() - i, longHeader ? kMaxCount : kShortCount);
      while (u > 1 && cost_[i + u] + static_cast<std::uint32_t>(u) != rest) --u;
      return {kind, u};
    }
    std::size_t u = longHeader && g != kLongXor ? kShortCount + 1 : 1;
    for (;; ++u) {
      const std::size_t j = i + (g == kPairs ? 2 * u : u);
      if (j >= d_.size() ||
          (g == kDirectCopy ? cost_[j] + static_cast<std::uint32_t>(u) : cost_[j]) == rest) {
        break;
      }
    }
    // A fill or relative repeat of one byte costs what a direct copy of it costs: write the
    // copy, as other encoders do, so that the byte reads as data and not as a run of one.
    if (u == 1 && g == kOneByte && !longHeader) return {command::kDirect, 1};
    return {kind, u};
  }

  // The chosen kind << 1 | long header, kept where the reach at i was.
  std::uint16_t Choice(std::size_t i) const { return abs_.reach[i]; }

  // The address or distance the chosen command at i copies from.
  std::size_t Source(std::size_t i) const { return abs_.source[i]; }

  std::size_t Bytes(const TGroupReach& c) const {
    return groups_[c.kind] == kPairs ? 2 * c.units : c.units;
  }

private:
  // Brings the minima to position i: the rests after commands from i start at i + 1 (short
  // headers), i + 33 (long ones).
  void Push(std::size_t i) {
    const std::size_t n = d_.size();
    near_->Push(i + 1);
    nearGain_->Push(i + 1);
    if (i + kShortCount + 1 <= n) {
      far_->Push(i + kShortCount + 1);
      farGain_->Push(i + kShortCount + 1);
    }
  }

  void SolveAt(std::size_t i, const std::array<TGroupReach, kGroups>& groups) {
    std::uint32_t best = TMins::kNone;
    std::uint8_t pick = 0;
    for (int g = 0; g < kGroups; ++g) {
      const auto bands = Bands(static_cast<TGroup>(g), groups[g].units);
      for (int b = 0; b < 2; ++b) {
        if (bands[b].first > bands[b].last) continue;
        const std::uint32_t c = Rest(static_cast<TGroup>(g), i, bands[b]) + bands[b].header;
        if (c <= best) {
          best = c;
          pick = static_cast<std::uint8_t>(groups[g].kind << 1 | b);
        }
      }
    }
    abs_.reach[i] = pick;  // read above, and not again
    cost_[i] = best;
    const auto kind = static_cast<TKind>(pick >> 1);
    if (kind == command::kRelative || kind == command::kRelativeXor) {
      abs_.source[i] = relative_->Distance(kind == command::kRelativeXor);
    }
  }

  // The smallest cost at first, first + 2, ... (count of them): HAL's word fills. Short
  // headers read the costs; long ones, rare, a stack per parity brought down to `first` only
  // when asked (each position pushed once at most, none beyond the longest count's reach).
  std::uint32_t PairsMin(std::size_t first, std::size_t count, bool near) {
    if (near) {
      std::uint32_t best = TMins::kNone;
      for (std::size_t m = 0; m < count; ++m) best = std::min(best, cost_[first + 2 * m]);
      return best;
    }
    constexpr std::size_t kReach = kMaxCount - kShortCount;  // in pairs
    constexpr std::size_t kFirstFar = kShortCount + 1;       // the long band's first count
    const std::size_t parity = first & 1u;
    std::optional<TMins>& mins = farPairs_[parity];
    if (!mins) {  // positions from 2 * 33 on, of one parity
      const std::size_t values = (std::max(d_.size(), 2 * kFirstFar) - 2 * kFirstFar) / 2 + 1;
      mins.emplace(kReach, values, TCostAt<false>{cost_.data()}, 2);
    }
    std::size_t& low = farPairsLow_[parity];  // the last position pushed; 0: none
    if (low == 0 || low - first > 2 * kReach) {
      mins->Clear();
      const std::size_t n = d_.size();
      std::size_t top = first + 2 * (kReach - 1);
      if (top > n) top = n - ((n - first) & 1u);
      low = top + 2;
    }
    while (low > first) {
      low -= 2;
      mins->Push(low);
    }
    return mins->Min(count);
  }

  // The cheapest rest after a command of group g at i over a band of counts, its argument
  // bytes included.
  std::uint32_t Rest(TGroup g, std::size_t i, const TBand& band) {
    const std::size_t count = band.last - band.first + 1;
    const bool near = band.first == 1;
    switch (g) {
      case kDirectCopy:
        return (near ? nearGain_ : farGain_)->Min(count) - static_cast<std::uint32_t>(i);
      case kPairs: return PairsMin(i + 2 * band.first, count, near) + kArgBytes[g];
      case kLongXor: {  // counts 1..768: the short headers' band, then the long ones'
        std::uint32_t m = near_->Min(std::min(count, kShortCount));
        if (count > kShortCount) m = std::min(m, far_->Min(count - kShortCount));
        return m + kArgBytes[g];
      }
      default: return (near ? near_ : far_)->Min(count) + kArgBytes[g];
    }
  }

  std::span<const std::uint8_t> d_;
  // Its reaches become the choices, its sources those of the chosen copies.
  command::TAbsoluteReach abs_;
  std::vector<std::uint32_t> cost_;
  TGroups groups_;
  bool pairsUsed_ = groups_[command::kWordFill] == kPairs;
  std::optional<command::TRelativeReach> relative_;
  // The smallest rest over the counts of a header: cost, and cost + position for direct
  // copies (which pay a byte per byte); HAL's word fills end two bytes apart.
  std::optional<TMins> near_;
  std::optional<TMins> far_;
  std::optional<TGainMins> nearGain_;
  std::optional<TGainMins> farGain_;
  std::array<std::optional<TMins>, 2> farPairs_;  // HAL's, by parity, made when asked
  std::array<std::size_t, 2> farPairsLow_{};
};

template <template <class> class TRing>
std::vector<std::uint8_t> Compress(const TCommandFormat& format,
                                   std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  TPath<TRing> path(format, data, command::AbsoluteReach(format, data));
  path.Solve();
  std::vector<std::uint8_t> out;
  out.reserve(path.Cost(0));
  for (std::size_t i = 0; i < n;) {
    const TGroupReach c = path.Command(i);
    PutCommand(format, out, data, i, c.kind, c.units, path.Source(i));
    i += path.Bytes(c);
  }
  out.push_back(0xFF);
  return out;
}

// From 8 KiB on, the minima's rings (a thousand slots of 6 bytes at most, a few of them) are
// small beside the data and keep their values; below, they keep positions only.
constexpr std::size_t kRingsKeepValues = 8192;

}  // namespace

std::vector<std::uint8_t> CompressCommands(const TCommandFormat& format,
                                           std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  if (n > kCommandOutputLimit) {
    throw TError(std::string(CommandFormatName(format)) +
                 " holds at most 65536 bytes; the data are " + std::to_string(n) + " bytes");
  }
  return n >= kRingsKeepValues ? Compress<TFrontMin>(format, data)
                               : Compress<TFrontMinByPosition>(format, data);
}

}  // namespace tegulo
