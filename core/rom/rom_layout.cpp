// File offsets and bus addresses for GBA and the three SNES mappings, both ways.
#include "rom/rom_layout.h"

#include <cctype>
#include <cstdio>

namespace tegulo {
namespace {

constexpr std::uint32_t kGbaRom = 0x08000000;
constexpr std::uint32_t kGbaRegion = 0x02000000;  // 32 MiB per wait-state region
constexpr std::int64_t kFourMiB = 0x400000;

struct TMappingRow {
  TMapping mapping;
  std::string_view name, title;
};
constexpr TMappingRow kMappings[] = {{TMapping::None, "none", "no mapping"},
                                     {TMapping::Gba, "gba", "GBA"},
                                     {TMapping::LoRom, "lorom", "LoROM"},
                                     {TMapping::HiRom, "hirom", "HiROM"},
                                     {TMapping::ExHiRom, "exhirom", "ExHiROM"}};

void Add(TBusAliases& a, std::uint32_t bank, std::uint32_t addr) {
  a.values[a.count++] = bank << 16 | addr;
}

// Banks 0x7E and 0x7F are work RAM in every SNES mapping.
bool IsRam(std::uint32_t bank) { return bank == 0x7E || bank == 0x7F; }

TBusAliases LoRomAliases(std::int64_t o) {
  TBusAliases a;
  if (o >= kFourMiB) return a;
  const auto bank = static_cast<std::uint32_t>(o >> 15);
  const auto addr = static_cast<std::uint32_t>(0x8000 | (o & 0x7FFF));
  if (!IsRam(bank)) Add(a, bank, addr);
  Add(a, bank | 0x80, addr);
  return a;
}

TBusAliases HiRomAliases(std::int64_t o) {
  TBusAliases a;
  if (o >= kFourMiB) return a;
  const auto bank = static_cast<std::uint32_t>(o >> 16);
  const auto addr = static_cast<std::uint32_t>(o & 0xFFFF);
  Add(a, 0xC0 + bank, addr);
  if (!IsRam(0x40 + bank)) Add(a, 0x40 + bank, addr);
  if (addr >= 0x8000) {
    Add(a, bank, addr);
    Add(a, 0x80 + bank, addr);
  }
  return a;
}

TBusAliases ExHiRomAliases(std::int64_t o) {
  TBusAliases a;
  const auto addr = static_cast<std::uint32_t>(o & 0xFFFF);
  if (o < kFourMiB) {
    const auto bank = static_cast<std::uint32_t>(o >> 16);
    Add(a, 0xC0 + bank, addr);
    if (addr >= 0x8000) Add(a, 0x80 + bank, addr);
    return a;
  }
  const auto bank = static_cast<std::uint32_t>((o - kFourMiB) >> 16);
  if (bank >= 0x3E) return a;  // banks 0x7E and 0x7F are RAM
  Add(a, 0x40 + bank, addr);
  if (addr >= 0x8000) Add(a, bank, addr);
  return a;
}

std::optional<std::int64_t> SnesImageOffset(TMapping m, std::uint32_t bus) {
  const std::uint32_t bank = bus >> 16 & 0xFF;
  const std::uint32_t addr = bus & 0xFFFF;
  if (IsRam(bank)) return std::nullopt;
  const bool upperOnly = (bank & 0x40) == 0;  // banks 0x00-0x3F and 0x80-0xBF
  if (m == TMapping::LoRom) {
    if (addr < 0x8000 && (upperOnly || (bank & 0x7F) > 0x7D)) return std::nullopt;
    return std::int64_t{(bank & 0x7F)} << 15 | (addr & 0x7FFF);
  }
  if (upperOnly && addr < 0x8000) return std::nullopt;
  const std::int64_t o = std::int64_t{bank & 0x3F} << 16 | addr;
  if (m == TMapping::ExHiRom && bank < 0x80) return o + kFourMiB;
  return o;
}

}  // namespace

std::string_view MappingName(TMapping m) { return kMappings[static_cast<int>(m)].name; }
std::string_view MappingTitle(TMapping m) { return kMappings[static_cast<int>(m)].title; }

std::optional<TMapping> ParseMapping(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const TMappingRow& row : kMappings) {
    if (lower == row.name) return row.mapping;
  }
  return std::nullopt;
}

TBusAliases BusAliases(const TRomLayout& layout, std::int64_t offset) {
  const std::int64_t o = offset - static_cast<std::int64_t>(layout.copierHeader);
  if (o < 0 || offset >= static_cast<std::int64_t>(layout.size)) return {};
  switch (layout.mapping) {
    case TMapping::Gba: {
      TBusAliases a;
      if (o >= kGbaRegion) return a;
      for (std::uint32_t region = 0; region < 3; ++region) {
        a.values[a.count++] = kGbaRom + region * kGbaRegion + static_cast<std::uint32_t>(o);
      }
      return a;
    }
    case TMapping::LoRom: return LoRomAliases(o);
    case TMapping::HiRom: return HiRomAliases(o);
    case TMapping::ExHiRom: return ExHiRomAliases(o);
    case TMapping::None: break;
  }
  return {};
}

std::optional<std::int64_t> FileOffset(const TRomLayout& layout, std::uint32_t bus) {
  std::optional<std::int64_t> o;
  if (layout.mapping == TMapping::Gba) {
    if (bus >= kGbaRom && bus < kGbaRom + 3 * kGbaRegion) o = (bus - kGbaRom) % kGbaRegion;
  } else if (layout.mapping != TMapping::None && bus <= 0xFFFFFF) {
    o = SnesImageOffset(layout.mapping, bus);
  }
  if (!o) return std::nullopt;
  const std::int64_t offset = *o + static_cast<std::int64_t>(layout.copierHeader);
  if (offset >= static_cast<std::int64_t>(layout.size)) return std::nullopt;
  return offset;
}

std::string FormatBus(const TRomLayout& layout, std::uint32_t bus) {
  char text[16];
  if (layout.mapping == TMapping::Gba) {
    std::snprintf(text, sizeof text, "0x%08X", bus);
  } else {
    std::snprintf(text, sizeof text, "$%02X:%04X", bus >> 16 & 0xFF, bus & 0xFFFF);
  }
  return text;
}

std::vector<TByteRange> ReservedRanges(const TRomLayout& layout) {
  const auto h = static_cast<std::int64_t>(layout.copierHeader);
  std::vector<TByteRange> ranges;
  if (h > 0) ranges.push_back({0, h});
  switch (layout.mapping) {
    case TMapping::Gba: ranges.push_back({0, 0xC0}); break;
    case TMapping::LoRom: ranges.push_back({h + 0x7FB0, h + 0x8000}); break;
    case TMapping::HiRom: ranges.push_back({h + 0xFFB0, h + 0x10000}); break;
    case TMapping::ExHiRom: ranges.push_back({h + 0x40FFB0, h + 0x410000}); break;
    case TMapping::None: break;
  }
  return ranges;
}

std::size_t BankLength(const TRomLayout& layout) {
  switch (layout.mapping) {
    case TMapping::LoRom: return 0x8000;
    case TMapping::HiRom:
    case TMapping::ExHiRom: return 0x10000;
    default: return 0;
  }
}

std::size_t DataAlignment(const TRomLayout& layout) {
  return layout.mapping == TMapping::Gba ? 4 : 1;
}

}  // namespace tegulo
