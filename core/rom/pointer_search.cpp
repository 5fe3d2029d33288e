// Pointer search: plain loops over the ROM's bytes, a few compares per position.
#include "rom/pointer_search.h"

#include <algorithm>

#include "base/numbers.h"
#include "base/uCommon.h"

namespace tegulo {
namespace {

constexpr std::uint32_t kGbaRom = 0x08000000;
constexpr std::uint32_t kGbaRegion = 0x02000000;
// More places than this are no table a person could check; memory stays bounded.
constexpr std::size_t kMostHits = 65536;

void Add(std::vector<TPointerHit>& hits, const TPointerHit& hit) {
  if (hits.size() >= kMostHits) {
    throw TError("More than " + std::to_string(kMostHits) +
                 " places hold the address: too many to be pointers");
  }
  hits.push_back(hit);
}

std::uint32_t Read(std::span<const std::uint8_t> rom, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v |= std::uint32_t{rom[at + static_cast<std::size_t>(i)]} << (8 * i);
  return v;
}

std::size_t SplitCount(const TSplitTable& t, std::size_t size) {
  if (t.words < 0 || t.banks < 0) return 0;
  const auto w = static_cast<std::size_t>(t.words);
  const auto b = static_cast<std::size_t>(t.banks);
  std::size_t n = w < b ? (b - w) / 2 : w - b;
  if (w + 2 > size || b >= size) return 0;
  n = std::min({n, (size - w) / 2, size - b});
  return n;
}

void FindGba(std::span<const std::uint8_t> rom, const TBusAliases& aliases, bool unaligned,
             std::vector<TPointerHit>& hits) {
  const std::size_t step = unaligned ? 1 : 4;
  const std::uint32_t a0 = aliases.values[0];
  const std::uint32_t a1 = aliases.values[1];
  const std::uint32_t a2 = aliases.values[2];
  for (std::size_t i = 0; i + 4 <= rom.size(); i += step) {
    const std::uint32_t v = Read(rom, i, 4);
    if (v == a0 || v == a1 || v == a2) {
      Add(hits, {static_cast<std::int64_t>(i), TPointerForm::Gba32, v, -1});
    }
  }
}

void FindSnes24(std::span<const std::uint8_t> rom, const TBusAliases& aliases,
                std::vector<TPointerHit>& hits) {
  // Every alias shares the 16-bit address; the bank byte is checked only after it matches.
  const std::uint32_t lo = aliases.values[0] & 0xFFFF;
  const auto view = aliases.View();
  for (std::size_t i = 0; i + 3 <= rom.size(); ++i) {
    const std::uint32_t w = rom[i] | std::uint32_t{rom[i + 1]} << 8;
    if (w != lo) continue;
    const std::uint32_t v = w | std::uint32_t{rom[i + 2]} << 16;
    if (std::find(view.begin(), view.end(), v) != view.end()) {
      Add(hits, {static_cast<std::int64_t>(i), TPointerForm::Snes24, v, -1});
    }
  }
}

void FindSplit(std::span<const std::uint8_t> rom, const TRomLayout& layout, std::int64_t target,
               const TSplitTable& t, std::vector<TPointerHit>& hits) {
  const std::size_t n = SplitCount(t, rom.size());
  const auto w = static_cast<std::size_t>(t.words);
  const auto b = static_cast<std::size_t>(t.banks);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t v = Read(rom, w + 2 * i, 2) | std::uint32_t{rom[b + i]} << 16;
    if (FileOffset(layout, v) == target) {
      Add(hits, {static_cast<std::int64_t>(w + 2 * i), TPointerForm::Snes16Split, v,
                 static_cast<std::int64_t>(b + i)});
    }
  }
}

// The alias group a bus address belongs to, which a rewritten pointer keeps.
std::uint32_t Group(const TRomLayout& layout, std::uint32_t bus) {
  switch (layout.mapping) {
    case TMapping::Gba: return (bus - kGbaRom) / kGbaRegion;
    case TMapping::LoRom: return bus >> 16 & 0x80;
    default: return bus >> 16 & 0xC0;
  }
}

}  // namespace

bool TPointerHit::Overlaps(std::int64_t begin, std::int64_t end) const {
  const bool word = at < end && begin < at + static_cast<std::int64_t>(Length());
  return word || (bankAt >= 0 && bankAt < end && begin <= bankAt);
}

std::string_view PointerFormName(TPointerForm form) {
  switch (form) {
    case TPointerForm::Gba32: return "32-bit";
    case TPointerForm::Snes24: return "24-bit";
    case TPointerForm::Snes16Split: return "16-bit+bank";
  }
  return "";
}

std::vector<TPointerHit> FindPointers(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                                      std::int64_t target, const TPointerSearch& search) {
  if (layout.mapping == TMapping::None) {
    throw TError("The ROM's layout is not known from its headers");
  }
  const TBusAliases aliases = BusAliases(layout, target);
  if (aliases.count == 0) {
    throw TError("No " + std::string(MappingTitle(layout.mapping)) + " address reads the ROM at " +
                 FormatAddress(static_cast<std::int32_t>(target)));
  }
  std::vector<TPointerHit> hits;
  if (layout.mapping == TMapping::Gba) {
    FindGba(rom, aliases, search.unaligned, hits);
    return hits;
  }
  FindSnes24(rom, aliases, hits);
  if (search.split) {
    // A table's words are its entries, not parts of 24-bit values.
    const std::int64_t w = search.split->words;
    const auto end = w + 2 * static_cast<std::int64_t>(SplitCount(*search.split, rom.size()));
    std::erase_if(hits, [&](const TPointerHit& h) { return h.Overlaps(w, end); });
    FindSplit(rom, layout, target, *search.split, hits);
    std::sort(hits.begin(), hits.end(),
              [](const TPointerHit& a, const TPointerHit& b) { return a.at < b.at; });
  }
  return hits;
}

std::optional<TPointerHit> PointerAt(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                                     std::int64_t at, std::int64_t target,
                                     const TPointerSearch& search) {
  if (at < 0 || layout.mapping == TMapping::None) return std::nullopt;
  const auto p = static_cast<std::size_t>(at);
  TPointerHit hit{at, TPointerForm::Snes24, 0, -1};
  if (layout.mapping == TMapping::Gba) {
    if (p + 4 > rom.size()) return std::nullopt;
    hit = {at, TPointerForm::Gba32, Read(rom, p, 4), -1};
  } else if (search.split && at >= search.split->words && (at - search.split->words) % 2 == 0 &&
             static_cast<std::size_t>(at - search.split->words) / 2 <
                 SplitCount(*search.split, rom.size())) {
    const std::int64_t bankAt = search.split->banks + (at - search.split->words) / 2;
    hit = {at, TPointerForm::Snes16Split,
           Read(rom, p, 2) | std::uint32_t{rom[static_cast<std::size_t>(bankAt)]} << 16, bankAt};
  } else {
    if (p + 3 > rom.size()) return std::nullopt;
    hit.value = Read(rom, p, 3);
  }
  if (FileOffset(layout, hit.value) != target) return std::nullopt;
  return hit;
}

std::optional<std::uint32_t> MovedValue(const TRomLayout& layout, const TPointerHit& hit,
                                        std::int64_t offset) {
  const TBusAliases aliases = BusAliases(layout, offset);
  for (const std::uint32_t a : aliases.View()) {
    if (Group(layout, a) == Group(layout, hit.value)) return a;
  }
  return std::nullopt;
}

namespace {

// Another 24-bit value at `p` that reads the ROM in the same bank of the file as `value`.
bool SnesNeighbour(std::span<const std::uint8_t> rom, const TRomLayout& layout, std::int64_t p,
                   std::uint32_t value) {
  if (p < 0 || static_cast<std::size_t>(p) + 3 > rom.size()) return false;
  const auto other = FileOffset(layout, Read(rom, static_cast<std::size_t>(p), 3));
  const auto mine = FileOffset(layout, value);
  const auto h = static_cast<std::int64_t>(layout.copierHeader);
  const auto bank = static_cast<std::int64_t>(std::max<std::size_t>(BankLength(layout), 1));
  return other && mine && (*other - h) / bank == (*mine - h) / bank;
}

}  // namespace

bool ConfirmedPointer(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                      const TPointerHit& hit, const TPointerSearch& search) {
  switch (hit.form) {
    case TPointerForm::Gba32:
      return search.unaligned || (hit.at - static_cast<std::int64_t>(layout.copierHeader)) % 4 == 0;
    case TPointerForm::Snes16Split: return true;  // the user named the table
    case TPointerForm::Snes24: break;
  }
  // A table of 3-byte entries, or of 4-byte ones padded with a zero.
  const auto padded = [&](std::int64_t p) {
    return p >= 0 && static_cast<std::size_t>(p) + 4 <= rom.size() &&
           rom[static_cast<std::size_t>(p) + 3] == 0;
  };
  for (const std::int64_t side : {-1, 1}) {
    if (SnesNeighbour(rom, layout, hit.at + side * 3, hit.value)) return true;
    if (padded(hit.at) && padded(hit.at + side * 4) &&
        SnesNeighbour(rom, layout, hit.at + side * 4, hit.value)) {
      return true;
    }
  }
  return false;
}

void WritePointer(std::span<std::uint8_t> rom, const TPointerHit& hit, std::uint32_t value) {
  const auto p = static_cast<std::size_t>(hit.at);
  for (std::size_t i = 0; i < hit.Length(); ++i) {
    rom[p + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  if (hit.form == TPointerForm::Snes16Split) {
    rom[static_cast<std::size_t>(hit.bankAt)] = static_cast<std::uint8_t>(value >> 16);
  }
}

}  // namespace tegulo
