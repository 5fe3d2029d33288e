// The command formats' candidates over a whole ROM, in one backward pass.
//
// A list of commands read from any position meets the same commands once it reaches a command
// boundary of another start: where a command starts depends only on the bytes, never on the
// output written so far. So for each position p the pass knows, from the command at p and
// the figures of the position after it, n(p):
//  - T(p), the output the commands from p to the end byte write (kDead where the list breaks
//    a rule that does not depend on the start, runs past the ROM's end or writes too much);
//  - M(p), the output a start must write from its own start for every copy from p on to read
//    written bytes: a copy at q started from s has T(s) - T(q) bytes behind it, so it needs
//    T(s) >= src(q) + 1 + T(q) (absolute) or T(s) >= back(q) + T(q) (relative).
// Only the figures of the next 1026 positions are looked up (the longest command), so they
// live in a ring. A start s passes where T(s) and M(s) say that the walk ends at its end byte
// with an output size the checker takes; the checker's other rules are left to the checker,
// run on those alone.
#include <algorithm>
#include <array>
#include <cassert>
#include <iterator>
#include <utility>

#include "compress/commands/command_formats.h"

namespace tegulo {
namespace {

using command::TAddress;

// What a command's first byte says, for one format.
enum class TClass : std::uint8_t { kEnd, kDead, kDirect, kFill, kAbsolute, kBack, kRelative };

struct TLead {
  TClass cls = TClass::kDead;
  std::uint8_t header = 1;  // header bytes
  std::uint8_t args = 0;    // argument bytes (a direct copy's bytes are its count)
  std::uint8_t unit = 1;    // output bytes per count
  std::uint16_t count = 0;  // a short header's count, a long one's top bits (times 256)
};

constexpr std::array<TLead, 256> Leads(const TCommandFormat& f) {
  std::array<TLead, 256> leads{};
  for (unsigned h = 0; h < 256; ++h) {
    TLead& l = leads[h];
    if (h == 0xFFU) {
      l.cls = TClass::kEnd;
      continue;
    }
    const bool isLong = (h >> 5) == 7;
    const command::TRule& rule = f.commands[isLong ? (h >> 2) & 7U : h >> 5];
    if (rule.kind == command::kInvalid) continue;
    l.header = isLong ? 2 : 1;
    l.args = rule.argBytes;
    l.unit = rule.unit;
    l.count = static_cast<std::uint16_t>(isLong ? (h & 3U) << 8 : (h & 0x1FU) + 1);
    if (rule.kind == command::kDirect) {
      l.cls = TClass::kDirect;
    } else if (rule.address == TAddress::kRelative) {
      l.cls = TClass::kRelative;
    } else if (rule.address == TAddress::kAbsolute) {
      l.cls = rule.kind == command::kRepeatBack ? TClass::kBack : TClass::kAbsolute;
    } else {
      l.cls = TClass::kFill;
    }
  }
  return leads;
}

constexpr std::uint32_t kDead = kCommandOutputLimit + 1;  // T past the limit: no start passes
constexpr std::size_t kRing = 2048;                       // above the longest command, 1026

// T and M of the positions after the one at hand, by position modulo kRing; one array per
// figure, so that each is stored and loaded back at one width.
struct TRing {
  std::array<std::uint32_t, kRing> total;
  std::array<std::uint32_t, kRing> need;
  TRing() {
    total.fill(kDead);
    need.fill(0);
  }
};

// Whether a start with these figures passes: the checker's output sizes, and every copy
// reading written bytes.
bool Passes(std::uint32_t total, std::uint32_t need, std::uint32_t least) {
  return (total & 15U) == 0 && total - least <= kCommandOutputLimit - least && need <= total;
}

// The figures at p from those after it, with every bound checked: for the last positions.
template <bool kBigEndian>
void FiguresAt(std::span<const std::uint8_t> rom, std::size_t p, const TLead& l, TRing& ring) {
  const std::size_t i = p & (kRing - 1);
  ring.total[i] = l.cls == TClass::kEnd ? 0 : kDead;
  ring.need[i] = 0;
  const std::size_t size = rom.size();
  // The next command's header must be read, so it lies before the ROM's end too.
  if (l.cls == TClass::kEnd || l.cls == TClass::kDead || p + l.header + l.args >= size) return;
  const std::size_t count = l.header == 2 ? (l.count | rom[p + 1]) + 1U : l.count;
  const std::size_t length = count * l.unit;
  const std::size_t step = l.header + (l.cls == TClass::kDirect ? count : l.args);
  if (p + step >= size) return;
  const std::size_t n = (p + step) & (kRing - 1);
  const std::uint32_t nextTotal = ring.total[n];
  std::uint32_t need = ring.need[n];
  const std::uint8_t* arg = rom.data() + p + l.header;
  if (l.cls == TClass::kRelative) {
    if (arg[0] == 0) return;
    need = std::max<std::uint32_t>(need, arg[0] + nextTotal + length);
  } else if (l.cls == TClass::kAbsolute || l.cls == TClass::kBack) {
    const std::uint32_t src = kBigEndian ? arg[0] << 8U | arg[1] : arg[1] << 8U | arg[0];
    if (l.cls == TClass::kBack && src + 1 < length) return;
    need = std::max<std::uint32_t>(need, src + 1 + nextTotal + length);
  }
  ring.total[i] = static_cast<std::uint32_t>(std::min<std::size_t>(nextTotal + length, kDead));
  ring.need[i] = need;
}

// A first byte's facts as masks, so that the pass over the inside of the ROM selects without
// branches (the kinds of command follow each other at random in data that is no stream).
struct TFastLead {
  std::uint16_t base = 0;        // the count, less a long header's second byte
  std::uint16_t directMask = 0;  // all ones where the count's bytes follow (a direct copy)
  std::uint8_t longMask = 0;     // 0xFF where a second header byte adds to the count
  std::uint8_t stepBase = 1;     // header and argument bytes
  std::uint8_t header = 1;
  std::uint8_t unitShift = 0;  // output bytes per count, as a shift
  std::uint32_t copyMask = 0;  // all ones for a copy
  std::uint32_t keepMask = 0;  // all ones but for the end byte: nothing after it counts
  std::uint32_t relativeMask = 0;
  std::uint8_t dead = 0;
  std::uint8_t relative = 0;
  std::uint8_t back = 0;
};

constexpr std::array<TFastLead, 256> FastLeads(const std::array<TLead, 256>& leads) {
  std::array<TFastLead, 256> fast{};
  for (unsigned h = 0; h < 256; ++h) {
    const TLead& l = leads[h];
    TFastLead& f = fast[h];
    if (l.cls == TClass::kEnd) continue;  // writes nothing, reads nothing after
    f.keepMask = ~0U;
    f.dead = l.cls == TClass::kDead ? 1 : 0;
    f.base = static_cast<std::uint16_t>(l.header == 2 ? l.count + 1U : l.count);
    f.longMask = l.header == 2 ? 0xFFU : 0;
    f.stepBase = static_cast<std::uint8_t>(l.header + l.args);
    f.header = l.header;
    f.directMask = l.cls == TClass::kDirect ? 0xFFFFU : 0;
    f.unitShift = l.unit == 2 ? 1 : 0;
    f.relative = l.cls == TClass::kRelative ? 1 : 0;
    f.relativeMask = f.relative != 0 ? ~0U : 0;
    f.back = l.cls == TClass::kBack ? 1 : 0;
    f.copyMask = l.cls >= TClass::kAbsolute ? ~0U : 0;
  }
  return fast;
}

template <const TCommandFormat& kFormat>
constexpr std::array<TLead, 256> kLeads = Leads(kFormat);
template <const TCommandFormat& kFormat>
constexpr std::array<TFastLead, 256> kFastLeads = FastLeads(kLeads<kFormat>);

template <const TCommandFormat& kFormat>
constexpr bool Has(command::TKind kind) {
  return std::any_of(kFormat.commands.begin(), kFormat.commands.end(),
                     [kind](const command::TRule& r) { return r.kind == kind; });
}

// FiguresAt for p at least kRing before the ROM's end (every byte a command there reads, and
// the next header, lie inside): without bounds checks and branches, and without what the
// format lacks. Returns whether the start passes.
template <const TCommandFormat& kFormat>
[[gnu::always_inline]] inline bool StepInside(const std::uint8_t* at, const TFastLead& l,
                                              TRing& ring, std::size_t p, std::uint32_t least) {
  constexpr bool kRelative = Has<kFormat>(command::kRelative);
  constexpr bool kBack = Has<kFormat>(command::kRepeatBack);
  constexpr bool kPairs = std::any_of(kFormat.commands.begin(), kFormat.commands.end(),
                                      [](const command::TRule& r) { return r.unit != 1; });
  const std::uint32_t count = l.base + (at[1] & l.longMask);
  const std::uint32_t step = l.stepBase + (count & l.directMask);
  const std::uint32_t length = kPairs ? count << l.unitShift : count;
  const std::uint32_t arg0 = at[l.header];
  const std::uint32_t arg1 = at[l.header + 1];
  const std::uint32_t src = kFormat.bigEndian ? arg0 << 8U | arg1 : arg1 << 8U | arg0;
  // Bitwise, not short-circuit: a branch here would be missed at random.
  std::uint32_t dead = l.dead;
  std::uint32_t reach = src + 1;
  if constexpr (kRelative) {
    dead |= l.relative & (arg0 == 0 ? 1U : 0U);
    reach ^= (reach ^ arg0) & l.relativeMask;
  }
  if constexpr (kBack) dead |= l.back & (src + 1 < length ? 1U : 0U);
  const std::size_t n = (p + step) & (kRing - 1);
  const std::uint32_t nextTotal = ring.total[n] & l.keepMask;
  const std::uint32_t nextNeed = ring.need[n] & l.keepMask;
  const std::uint32_t total = std::min(nextTotal + length + (dead << 17U), kDead);
  const std::uint32_t need = std::max(nextNeed, (reach + nextTotal + length) & l.copyMask);
  ring.total[p & (kRing - 1)] = total;
  ring.need[p & (kRing - 1)] = need;
  return Passes(total, need, least);
}

// StepInside at p, as a bit.
template <const TCommandFormat& kFormat>
[[gnu::always_inline]] inline std::uint64_t BitInside(const std::uint8_t* bytes, std::size_t p,
                                                      TRing& ring, std::uint32_t least) {
  const std::uint8_t* at = bytes + p;
  return StepInside<kFormat>(at, kFastLeads<kFormat>[*at], ring, p, least) ? 1U : 0U;
}

// StepInside for two formats that differ only in the byte order of their absolute addresses
// (LC_LZ2 and LC_LZ1), as two bits (1 for kBig, 2 for kLittle): their commands have the same
// lengths and write the same output, so T is reckoned once (in bigRing) and only M twice.
// littleRing's totals are not kept up here.
template <const TCommandFormat& kBig, const TCommandFormat& kLittle>
[[gnu::always_inline]] inline std::uint32_t TwinBitsInside(const std::uint8_t* bytes, std::size_t p,
                                                           TRing& bigRing, TRing& littleRing,
                                                           std::uint32_t least) {
  static_assert(kBig.commands == kLittle.commands && kBig.bigEndian && !kLittle.bigEndian);
  // A backwards copy's rule reads its address: the formats' T would differ.
  static_assert(!Has<kBig>(command::kRepeatBack) && !Has<kBig>(command::kRelative));
  static_assert(!std::any_of(kBig.commands.begin(), kBig.commands.end(),
                             [](const command::TRule& r) { return r.unit != 1; }));
  const std::uint8_t* at = bytes + p;
  const TFastLead& l = kFastLeads<kBig>[*at];
  const std::uint32_t count = l.base + (at[1] & l.longMask);
  const std::uint32_t step = l.stepBase + (count & l.directMask);
  const std::uint32_t length = count;
  const std::uint32_t arg0 = at[l.header];
  const std::uint32_t arg1 = at[l.header + 1];
  const std::uint32_t bigReach = (arg0 << 8U | arg1) + 1;
  const std::uint32_t littleReach = (arg1 << 8U | arg0) + 1;
  const std::size_t n = (p + step) & (kRing - 1);
  const std::uint32_t nextTotal = bigRing.total[n] & l.keepMask;
  const std::uint32_t total = std::min(nextTotal + length + (l.dead << 17U), kDead);
  const std::uint32_t written = nextTotal + length;
  const std::uint32_t bigNeed =
      std::max(bigRing.need[n] & l.keepMask, (bigReach + written) & l.copyMask);
  const std::uint32_t littleNeed =
      std::max(littleRing.need[n] & l.keepMask, (littleReach + written) & l.copyMask);
  const std::size_t i = p & (kRing - 1);
  bigRing.total[i] = total;
  bigRing.need[i] = bigNeed;
  littleRing.need[i] = littleNeed;
  // Passes, its size tests shared.
  const bool sized = (total & 15U) == 0 && total - least <= kCommandOutputLimit - least;
  return (sized && bigNeed <= total ? 1U : 0U) | (sized && littleNeed <= total ? 2U : 0U);
}

// The positions from which a pass goes without bounds checks: those below the last kRing,
// down to a multiple of 64.
std::size_t InsideEnd(std::size_t size) { return size > 2 * kRing ? (size - kRing) / 64 * 64 : 0; }

// The last positions of the ROM, from `inside` on, with every bound checked.
template <const TCommandFormat& kFormat>
void PrefilterTail(std::span<const std::uint8_t> rom, std::size_t inside, std::uint32_t least,
                   TRing& ring, std::vector<std::uint64_t>& candidates) {
  for (std::size_t p = rom.size(); p-- > inside;) {
    FiguresAt<kFormat.bigEndian>(rom, p, kLeads<kFormat>[rom[p]], ring);
    const std::size_t i = p & (kRing - 1);
    if (Passes(ring.total[i], ring.need[i], least)) {
      candidates[p / 64] |= std::uint64_t{1} << (p % 64);
    }
  }
}

// The candidates of every format of kFormats (out[k] for the k-th) in one pass: the formats'
// figures do not depend on each other, so the processor works on them side by side.
template <const TCommandFormat&... kFormats>
void PrefilterFormats(std::span<const std::uint8_t> rom, std::uint32_t minSize,
                      const std::array<std::vector<std::uint64_t>*, sizeof...(kFormats)>& out) {
  constexpr std::size_t kCount = sizeof...(kFormats);
  const std::size_t size = rom.size();
  for (std::vector<std::uint64_t>* c : out) c->assign((size + 63) / 64, 0);
  if (minSize > kCommandOutputLimit) return;  // no list of commands writes that much
  std::vector<TRing> rings(kCount);
  const std::uint32_t least = std::max<std::uint32_t>(minSize, 1);
  const std::size_t inside = InsideEnd(size);
  [&]<std::size_t... k>(std::index_sequence<k...>) {
    (PrefilterTail<kFormats>(rom, inside, least, rings[k], *out[k]), ...);
    const std::uint8_t* const bytes = rom.data();
    for (std::size_t word = inside / 64; word-- > 0;) {
      std::array<std::uint64_t, kCount> bits{};
      for (std::size_t b = 64; b-- > 0;) {
        const std::size_t p = word * 64 + b;
        ((void)(bits[k] |= BitInside<kFormats>(bytes, p, rings[k], least) << b), ...);
      }
      ((void)((*out[k])[word] = bits[k]), ...);
    }
  }
  (std::make_index_sequence<kCount>());
}

template <const TCommandFormat& kFormat>
void PrefilterCommands(std::span<const std::uint8_t> rom, std::uint32_t minSize,
                       std::vector<std::uint64_t>& candidates) {
  PrefilterFormats<kFormat>(rom, minSize, {&candidates});
}

}  // namespace

// The score's facts (the fewest commands, the most stream bytes) are left to the checker:
// counting them here would cost more than the few checks they spare.
void PrefilterLCLZ2(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool /*factsOnly*/,
                    std::vector<std::uint64_t>& candidates) {
  PrefilterCommands<TCommandFormat::LCLZ2>(rom, minSize, candidates);
}
void PrefilterLCLZ5(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool /*factsOnly*/,
                    std::vector<std::uint64_t>& candidates) {
  PrefilterCommands<TCommandFormat::LCLZ5>(rom, minSize, candidates);
}
void PrefilterHAL(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool /*factsOnly*/,
                  std::vector<std::uint64_t>& candidates) {
  PrefilterCommands<TCommandFormat::HAL>(rom, minSize, candidates);
}
void PrefilterLCLZ1(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool /*factsOnly*/,
                    std::vector<std::uint64_t>& candidates) {
  PrefilterCommands<TCommandFormat::LCLZ1>(rom, minSize, candidates);
}

namespace {

// PrefilterFormats of LC_LZ2, LC_LZ5, HAL and LC_LZ1 (out[0..3]), with LC_LZ2 and LC_LZ1 as
// twins (TwinBitsInside).
void PrefilterFourFormats(std::span<const std::uint8_t> rom, std::uint32_t minSize,
                          const std::array<std::vector<std::uint64_t>*, 4>& out) {
  using F = TCommandFormat;
  const std::size_t size = rom.size();
  for (std::vector<std::uint64_t>* c : out) c->assign((size + 63) / 64, 0);
  if (minSize > kCommandOutputLimit) return;  // no list of commands writes that much
  std::vector<TRing> rings(4);
  const std::uint32_t least = std::max<std::uint32_t>(minSize, 1);
  const std::size_t inside = InsideEnd(size);
  PrefilterTail<F::LCLZ2>(rom, inside, least, rings[0], *out[0]);
  PrefilterTail<F::LCLZ5>(rom, inside, least, rings[1], *out[1]);
  PrefilterTail<F::HAL>(rom, inside, least, rings[2], *out[2]);
  PrefilterTail<F::LCLZ1>(rom, inside, least, rings[3], *out[3]);
  const std::uint8_t* const bytes = rom.data();
  for (std::size_t word = inside / 64; word-- > 0;) {
    std::uint64_t lz2 = 0;
    std::uint64_t lz5 = 0;
    std::uint64_t hal = 0;
    std::uint64_t lz1 = 0;
    for (std::size_t b = 64; b-- > 0;) {
      const std::size_t p = word * 64 + b;
      const std::uint64_t twins =
          TwinBitsInside<F::LCLZ2, F::LCLZ1>(bytes, p, rings[0], rings[3], least);
      lz2 |= (twins & 1U) << b;
      lz1 |= (twins >> 1U) << b;
      lz5 |= BitInside<F::LCLZ5>(bytes, p, rings[1], least) << b;
      hal |= BitInside<F::HAL>(bytes, p, rings[2], least) << b;
    }
    (*out[0])[word] = lz2;
    (*out[1])[word] = lz5;
    (*out[2])[word] = hal;
    (*out[3])[word] = lz1;
  }
}

}  // namespace

void PrefilterCommandRows(std::span<const std::uint8_t> rom, std::uint32_t minSize,
                          bool /*factsOnly*/, std::span<const int> rows,
                          std::span<std::vector<std::uint64_t>> candidates) {
  // The pass of all four costs far less than four passes; unwanted ones are dropped.
  std::array<std::vector<std::uint64_t>, 4> spare;
  std::array<std::vector<std::uint64_t>*, 4> out{&spare[0], &spare[1], &spare[2], &spare[3]};
  constexpr int kRows[] = {kSchemeLCLZ2, kSchemeLCLZ5, kSchemeHAL, kSchemeLCLZ1};
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::size_t f = static_cast<std::size_t>(
        std::find(std::begin(kRows), std::end(kRows), rows[k]) - std::begin(kRows));
    assert(f < 4);
    out[f] = &candidates[k];
  }
  PrefilterFourFormats(rom, minSize, out);
}

}  // namespace tegulo
