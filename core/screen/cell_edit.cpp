// Changing a screen's cells, and the map with a changed cell as an entry for the write-back.
#include "screen/cell_edit.h"

#include <algorithm>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "screen/screen_encode.h"
#include "tiles/uTiles.h"

namespace tegulo {

namespace {

std::string Named(const TMapFormat& f) { return "A " + std::string(f.name) + " map"; }

std::uint32_t Step(std::uint32_t value, std::uint32_t most, bool up) {
  if (up) return value >= most ? 0 : value + 1;
  return value == 0 ? most : value - 1;
}

}  // namespace

TMapCell ChangeCell(const TMapFormat& f, TMapCell cell, TCellChange change) {
  switch (change) {
    case TCellChange::FlipH:
    case TCellChange::FlipV:
      if (!f.HasFlips()) throw TError(Named(f) + " has no flips");
      (change == TCellChange::FlipH ? cell.hFlip : cell.vFlip) ^= true;
      return cell;
    case TCellChange::NextPalette:
    case TCellChange::PreviousPalette:
      if (f.paletteBits == 0) throw TError(Named(f) + " has no palette numbers");
      cell.palette = static_cast<std::uint8_t>(
          Step(cell.palette, f.MaxPalette(), change == TCellChange::NextPalette));
      return cell;
    case TCellChange::NextTile:
    case TCellChange::PreviousTile:
      cell.tile =
          static_cast<std::uint16_t>(Step(cell.tile, f.MaxTile(), change == TCellChange::NextTile));
      return cell;
    case TCellChange::Priority:
      if (f.priorityBit < 0) throw TError(Named(f) + " has no priority bit");
      cell.priority = !cell.priority;
      return cell;
  }
  return cell;
}

TMapCell WithTile(const TMapFormat& f, TMapCell cell, std::int64_t tile) {
  if (tile < 0 || tile > f.MaxTile()) {
    throw TError(Named(f) + "'s tile numbers go from 0 to " + std::to_string(f.MaxTile()) +
                 ", not " + std::to_string(tile));
  }
  cell.tile = static_cast<std::uint16_t>(tile);
  return cell;
}

TMapCell CellAt(const TScreen& s, std::span<const std::uint8_t> map, std::int32_t cx,
                std::int32_t cy) {
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const std::int64_t at = MapEntryIndex(f, s.width, cx, cy) * f.spacing;
  std::uint32_t value = 0;
  for (int b = 0; b < f.entryBytes; ++b) {
    if (at + b < static_cast<std::int64_t>(map.size())) {
      value |= std::uint32_t{map[static_cast<std::size_t>(at + b)]} << (8 * b);
    }
  }
  return DecodeMapEntry(f, value);
}

TEditBand MapCellBand(const TScreen& s, std::span<const std::uint8_t> rom, std::int32_t cx,
                      std::int32_t cy, const TMapCell& cell) {
  if (s.format < 0 || s.format >= kMapFormatCount) throw TError("Unknown map format");
  if (cx < 0 || cy < 0 || cx >= s.width || cy >= s.height) {
    throw TError("Cell (" + std::to_string(cx) + ", " + std::to_string(cy) +
                 ") lies outside the map");
  }
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const std::int64_t length = MapByteLength(s);
  TDecodeBuffer buffer;
  const std::span<const std::uint8_t> map = MapBytes(s, rom, buffer);
  if (static_cast<std::int64_t>(map.size()) < length) {
    throw TError(s.mapCompression == kSchemeNone
                     ? "The map at " + FormatAddress(s.mapAddress) + " does not lie inside the ROM"
                     : "The map needs " + std::to_string(length) +
                           " bytes; its stream unpacks to " + std::to_string(map.size()));
  }
  // Sides within the drawing limit whose product is the map's length.
  std::int64_t width = std::min<std::int64_t>(length, kMaxTiles);
  while (width > 1 && (length % width != 0 || length / width > kMaxTiles)) --width;
  if (length % width != 0 || length / width > kMaxTiles) {
    throw TError("The map's " + std::to_string(length) + " bytes are too many to write back");
  }
  std::vector<std::uint8_t> bytes(map.begin(), map.begin() + length);
  const std::int64_t at = MapEntryIndex(f, s.width, cx, cy) * f.spacing;
  const std::uint32_t value = EncodeMapEntry(f, cell);
  for (int b = 0; b < f.entryBytes; ++b) {
    bytes[static_cast<std::size_t>(at + b)] = static_cast<std::uint8_t>(value >> (8 * b));
  }
  TEditBand band;
  band.entry = TTileEntry{};
  band.entry.Address = s.mapAddress;
  band.entry.Compression = static_cast<std::uint8_t>(s.mapCompression);
  band.entry.Template = kTemplateLinear8bpp;
  band.entry.Width = static_cast<std::int32_t>(width);
  band.entry.Height = static_cast<std::int32_t>(length / width);
  band.picture = TPixelImage{band.entry.Width, band.entry.Height, std::move(bytes)};
  return band;
}

TTileSheet DrawTileSheet(TIndexedBitmap& bmp, const TTileEntry& e, const TScreen& s,
                         std::span<const std::uint8_t> rom, std::span<const std::uint8_t> decoded,
                         int palette, std::int32_t columns, std::uint32_t background) {
  CheckScreen(s, e);
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const TByteSource src = ScreenTileSource(e, rom, decoded);
  const std::int64_t total = TileSetSize(e.Template, src);
  // Numbers 0..MaxTile name positions tileBase.. of the set.
  const std::int64_t firstNumber = std::max<std::int64_t>(0, -std::int64_t{s.tileBase});
  const std::int64_t lastNumber =
      std::min<std::int64_t>(f.MaxTile(), total - 1 - std::int64_t{s.tileBase});
  bmp.SetSize(0, 0);
  if (lastNumber < firstNumber || columns < 1) return {};
  const std::int64_t count = lastNumber - firstNumber + 1;
  TScreen sheet = s;
  sheet.width = columns;
  sheet.height = static_cast<std::int32_t>((count + columns - 1) / columns);
  std::vector<TMapCell> cells(static_cast<std::size_t>(sheet.width) * sheet.height);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    // Cells past the last tile name one past the set, which draws as index 0.
    const std::int64_t number =
        std::min<std::int64_t>(firstNumber + static_cast<std::int64_t>(i), lastNumber + 1);
    cells[i].tile = static_cast<std::uint16_t>(number);
    cells[i].palette = static_cast<std::uint8_t>(palette);
  }
  const TTileSet set =
      DecodeTileSet(e.Template, src, {firstNumber + s.tileBase, lastNumber + s.tileBase});
  bmp.SetSize(8 * sheet.width, 8 * sheet.height);
  std::copy(std::begin(e.Palette), std::end(e.Palette), bmp.Colours.begin());
  bmp.Colours[0] = background;
  SwapRedBlue(bmp.Colours, static_cast<std::int32_t>(bmp.Colours.size()));
  ComposeScreen(bmp, sheet, TileTemplates[e.Template].Value, cells, set);
  return {firstNumber, count};
}

}  // namespace tegulo
