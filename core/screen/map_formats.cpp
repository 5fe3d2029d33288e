// The tilemap formats: the table and the entry fields.
#include "screen/map_formats.h"

#include <algorithm>

namespace tegulo {
namespace {

constexpr std::int32_t kAnySide = 1024;
constexpr std::int32_t kMode7Side = 128;

constexpr TMapFormat kFormats[kMapFormatCount] = {
    {"snes", 2, 2, TMapLayout::kScreenBlocks, 10, 10, 3, 14, 15, 13, kAnySide},
    {"gba-text", 2, 2, TMapLayout::kScreenBlocks, 10, 12, 4, 10, 11, -1, kAnySide},
    {"gba-affine", 1, 1, TMapLayout::kRows, 8, 0, 0, -1, -1, -1, kAnySide},
    {"mode7", 1, 1, TMapLayout::kRows128, 8, 0, 0, -1, -1, -1, kMode7Side},
    {"mode7-interleaved", 1, 2, TMapLayout::kRows128, 8, 0, 0, -1, -1, -1, kMode7Side},
    {"linear", 2, 2, TMapLayout::kRows, 10, 10, 3, 14, 15, 13, kAnySide},
};

bool SameName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

bool Bit(std::uint32_t value, int bit) { return bit >= 0 && ((value >> bit) & 1U) != 0; }

std::uint32_t Flag(bool on, int bit) { return on && bit >= 0 ? 1U << bit : 0U; }

}  // namespace

std::span<const TMapFormat, kMapFormatCount> MapFormats() { return kFormats; }

std::optional<int> FindMapFormat(std::string_view name) {
  for (int i = 0; i < kMapFormatCount; ++i) {
    if (SameName(name, kFormats[i].name)) return i;
  }
  return std::nullopt;
}

std::string_view MapFormatNames() {
  return "snes, gba-text, gba-affine, mode7, mode7-interleaved or linear";
}

TMapCell DecodeMapEntry(const TMapFormat& f, std::uint32_t value) {
  TMapCell cell;
  cell.tile = static_cast<std::uint16_t>(value & f.MaxTile());
  if (f.paletteBits > 0) {
    cell.palette = static_cast<std::uint8_t>((value >> f.paletteShift) & f.MaxPalette());
  }
  cell.hFlip = Bit(value, f.hFlipBit);
  cell.vFlip = Bit(value, f.vFlipBit);
  cell.priority = Bit(value, f.priorityBit);
  return cell;
}

std::uint32_t EncodeMapEntry(const TMapFormat& f, const TMapCell& cell) {
  std::uint32_t value = cell.tile & f.MaxTile();
  if (f.paletteBits > 0) value |= (cell.palette & f.MaxPalette()) << f.paletteShift;
  return value | Flag(cell.hFlip, f.hFlipBit) | Flag(cell.vFlip, f.vFlipBit) |
         Flag(cell.priority, f.priorityBit);
}

std::int64_t MapEntryIndex(const TMapFormat& f, std::int32_t width, std::int32_t x,
                           std::int32_t y) {
  switch (f.layout) {
    case TMapLayout::kScreenBlocks: {
      constexpr std::int32_t kBlock = 32;
      const std::int64_t blocksPerRow = (width + kBlock - 1) / kBlock;
      const std::int64_t block = (y / kBlock) * blocksPerRow + x / kBlock;
      return block * kBlock * kBlock + (y % kBlock) * kBlock + x % kBlock;
    }
    case TMapLayout::kRows: return static_cast<std::int64_t>(y) * width + x;
    case TMapLayout::kRows128: return static_cast<std::int64_t>(y) * kMode7Side + x;
  }
  return 0;
}

}  // namespace tegulo
