// The shortest streams of LC_LZ2, LC_LZ5 and HAL: the reach of every command kind at each
// position (command_reach.h), then a cheapest path from the end. A command takes any length
// up to its reach at one cost per header size, and kinds whose arguments are as long differ
// only in reach, so at each position the furthest-reaching kind of each cost group stands
// for the group and each (group, header size) is one range minimum.
#include <algorithm>
#include <array>
#include <string>

#include "base/uCommon.h"
#include "compress/commands/command_formats.h"
#include "compress/commands/command_reach.h"
#include "compress/search/stride_min.h"

namespace tegulo {
namespace {

using command::kMaxCount;
using command::kShortCount;
using command::TKind;
using command::TReach;

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

// The furthest-reaching kind of each group at i.
std::array<TGroupReach, kGroups> GroupReach(const TGroups& groups, const TReach& r, std::size_t i) {
  std::array<TGroupReach, kGroups> g{};
  for (int k = 0; k < command::kKinds; ++k) {
    const auto kind = static_cast<TKind>(k);
    const TGroup group = groups[k];
    if (group == kGroups) continue;
    std::size_t units = r.length[k][i];
    units = group == kPairs ? units / 2 : std::min(units, kMaxCount);
    if (units > g[group].units) g[group] = {kind, units};
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

// Writes the command of `kind` that covers `units` at i.
void PutCommand(const TCommandFormat& f, std::vector<std::uint8_t>& out,
                std::span<const std::uint8_t> data, std::size_t i, TKind kind, std::size_t units,
                const TReach& r) {
  PutHeader(out, static_cast<unsigned>(f.CommandOf(kind)), units, f.Rule(kind).longOnly);
  const std::size_t src = r.source[kind][i];
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

// The cheapest path from the end; cost[i] in bytes, the end byte included.
class TPath {
public:
  TPath(const TCommandFormat& f, const TReach& r, std::size_t n)
      : r_(r),
        cost_(n + 1, 0),
        choice_(n, 0),
        best_(n + 1, 1, kMaxCount),
        gain_(n + 1, 1, kMaxCount),
        pairs_(f.Rule(command::kWordFill).unit == 2 ? n + 1 : 0, 2, kMaxCount),
        groups_(GroupsOf(f)) {
    SetCost(n, 1);
  }

  void Solve() {
    for (std::size_t i = cost_.size() - 1; i-- > 0;) {
      const auto groups = GroupReach(groups_, r_, i);
      std::uint32_t best = TStrideMin::kNone;
      std::uint8_t pick = 0;
      for (int g = 0; g < kGroups; ++g) {
        const auto bands = Bands(static_cast<TGroup>(g), groups[g].units);
        for (int b = 0; b < 2; ++b) {
          if (bands[b].first > bands[b].last) continue;
          const std::uint32_t c = Rest(static_cast<TGroup>(g), i, bands[b]) + bands[b].header;
          if (c <= best) {
            best = c;
            pick = static_cast<std::uint8_t>(g << 1 | b);
          }
        }
      }
      choice_[i] = pick;
      SetCost(i, best);
    }
  }

  std::uint32_t Cost(std::size_t i) const { return cost_[i]; }

  // The chosen command at i: its kind and count. The search kept only the group and the
  // header size, so this finds a count whose rest costs what the search found.
  TGroupReach Command(std::size_t i) const {
    const auto g = static_cast<TGroup>(choice_[i] >> 1);
    const TBand band = Bands(g, GroupReach(groups_, r_, i)[g].units)[choice_[i] & 1u];
    const std::uint32_t rest = cost_[i] - band.header - kArgBytes[g];
    std::size_t u = band.first;
    for (; u < band.last; ++u) {
      const std::size_t j = i + (g == kPairs ? 2 * u : u);
      if ((g == kDirectCopy ? cost_[j] + static_cast<std::uint32_t>(u) : cost_[j]) == rest) break;
    }
    return {GroupReach(groups_, r_, i)[g].kind, u};
  }

  std::size_t Bytes(const TGroupReach& c) const {
    return groups_[c.kind] == kPairs ? 2 * c.units : c.units;
  }

private:
  void SetCost(std::size_t i, std::uint32_t c) {
    cost_[i] = c;
    best_.Set(i, c);
    gain_.Set(i, c + static_cast<std::uint32_t>(i));
    if (pairsUsed_) pairs_.Set(i, c);
  }

  // The cheapest rest after a command of group g at i over a band of counts, its argument
  // bytes included.
  std::uint32_t Rest(TGroup g, std::size_t i, const TBand& band) const {
    const std::size_t count = band.last - band.first + 1;
    switch (g) {
      case kDirectCopy: return gain_.Min(i + band.first, count) - static_cast<std::uint32_t>(i);
      case kPairs: return pairs_.Min(i + 2 * band.first, count) + kArgBytes[g];
      default: return best_.Min(i + band.first, count) + kArgBytes[g];
    }
  }

  const TReach& r_;
  std::vector<std::uint32_t> cost_;
  std::vector<std::uint8_t> choice_;  // group << 1 | long header
  TStrideMin best_;
  TStrideMin gain_;   // cost + position: direct copies pay one byte per byte
  TStrideMin pairs_;  // HAL's word fills end two bytes apart
  TGroups groups_;
  bool pairsUsed_ = groups_[command::kWordFill] == kPairs;
};

}  // namespace

std::vector<std::uint8_t> CompressCommands(const TCommandFormat& format,
                                           std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  if (n > kCommandOutputLimit) {
    throw TError(std::string(CommandFormatName(format)) +
                 " holds at most 65536 bytes; the data are " + std::to_string(n) + " bytes");
  }
  const TReach reach = command::Reach(format, data);
  TPath path(format, reach, n);
  path.Solve();
  std::vector<std::uint8_t> out;
  out.reserve(path.Cost(0));
  for (std::size_t i = 0; i < n;) {
    const TGroupReach c = path.Command(i);
    PutCommand(format, out, data, i, c.kind, c.units, reach);
    i += path.Bytes(c);
  }
  out.push_back(0xFF);
  return out;
}

}  // namespace tegulo
