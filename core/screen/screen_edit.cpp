// Drawing on a screen: into the tiles the cells name, every cell that shows one following.
#include "screen/screen_edit.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/uCommon.h"
#include "screen/screen_encode.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

namespace {

std::string Cell(std::int64_t x, std::int64_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

}  // namespace

TScreenCanvas ReadScreenCanvas(const TTileEntry& e, const TScreen& s,
                               std::span<const std::uint8_t> rom,
                               std::span<const std::uint8_t> decoded) {
  CheckScreen(s, e);
  TScreenCanvas c;
  c.screen = s;
  c.bpp = TileTemplates[e.Template].Value;
  TDecodeBuffer mapBuffer;
  c.cells = ReadMapCells(s, MapBytes(s, rom, mapBuffer));
  const TByteSource src = ScreenTileSource(e, rom, decoded);
  c.set = DecodeTileSet(e.Template, src, NamedTiles(s, c.cells, TileSetSize(e.Template, src)));
  c.cellsOfTile.resize(static_cast<std::size_t>(c.set.count));
  c.changed.assign(static_cast<std::size_t>(c.set.count), 0);
  for (std::size_t i = 0; i < c.cells.size(); ++i) {
    const std::int64_t position = std::int64_t{c.cells[i].tile} + s.tileBase;
    if (c.set.Tile(position) != nullptr) {
      c.cellsOfTile[static_cast<std::size_t>(position - c.set.first)].push_back(
          static_cast<std::int32_t>(i));
    }
  }
  return c;
}

TPixelRect PaintScreenPixel(TScreenCanvas& c, TIndexedBitmap& bmp, std::int32_t x, std::int32_t y,
                            std::uint8_t index, std::span<const std::uint32_t> colours) {
  TPixelRect changed;
  const TScreen& s = c.screen;
  if (x < 0 || y < 0 || x >= 8 * s.width || y >= 8 * s.height) return changed;
  const std::int32_t cx = x / 8;
  const std::int32_t cy = y / 8;
  const TMapCell& cell = c.cells[static_cast<std::size_t>(cy) * s.width + cx];
  const int offset = ScreenPaletteOffset(c.bpp, cell.palette, s.paletteBase);
  const int value = CellValue(c.bpp, offset, colours, index);
  if (value < 0) {
    throw TError("Colour " + std::to_string(index) + " is not in palette " +
                 std::to_string(cell.palette) + " of cell " + Cell(cx, cy) + " (indices " +
                 std::to_string(offset) + " to " + std::to_string(offset + (1 << c.bpp) - 1) + ")");
  }
  const std::int64_t position = std::int64_t{cell.tile} + s.tileBase;
  if (c.set.Tile(position) == nullptr) {
    throw TError("Cell " + Cell(cx, cy) + " names tile " + std::to_string(position) +
                 ", past the tile set's end (" + std::to_string(c.set.total) + " tiles)");
  }
  // The pixel's place in the tile as stored: the cell's flips undone.
  const int tx = cell.hFlip ? 7 - x % 8 : x % 8;
  const int ty = cell.vFlip ? 7 - y % 8 : y % 8;
  const auto k = static_cast<std::size_t>(position - c.set.first);
  std::uint8_t& stored = c.set.pixels[64 * k + static_cast<std::size_t>(8 * ty + tx)];
  if (stored == value) return changed;
  stored = static_cast<std::uint8_t>(value);
  c.changed[k] = 1;
  for (const std::int32_t i : c.cellsOfTile[k]) {
    const TMapCell& other = c.cells[static_cast<std::size_t>(i)];
    const std::int32_t ox = 8 * (i % s.width) + (other.hFlip ? 7 - tx : tx);
    const std::int32_t oy = 8 * (i / s.width) + (other.vFlip ? 7 - ty : ty);
    const int add = ScreenPaletteOffset(c.bpp, other.palette, s.paletteBase);
    bmp.Row(oy)[ox] = value == 0 ? 0 : static_cast<std::uint8_t>(value + add);
    changed.Add(ox, oy);
  }
  return changed;
}

TPixelRect PaintScreenLine(TScreenCanvas& c, TIndexedBitmap& bmp, std::int32_t x0, std::int32_t y0,
                           std::int32_t x1, std::int32_t y1, std::uint8_t index,
                           std::span<const std::uint32_t> colours, std::string* refused) {
  // Bresenham's line, all octants: every step moves one pixel, so no gap opens.
  const std::int64_t dx = std::llabs(std::int64_t{x1} - x0);
  const std::int64_t dy = -std::llabs(std::int64_t{y1} - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  std::int64_t err = dx + dy;
  TPixelRect changed;
  for (;;) {
    try {
      changed.Add(PaintScreenPixel(c, bmp, x0, y0, index, colours));
    } catch (const TError& e) {
      if (refused != nullptr && refused->empty()) *refused = e.what();
    }
    if (x0 == x1 && y0 == y1) break;
    const std::int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
  return changed;
}

TEditBand ScreenEditBand(const TScreenCanvas& c, const TTileEntry& e) {
  const auto first = std::find(c.changed.begin(), c.changed.end(), 1);
  if (first == c.changed.end()) throw TError("No tile of the screen was changed");
  const auto last = std::find(c.changed.rbegin(), c.changed.rend(), 1);
  const std::int64_t from = first - c.changed.begin();
  const std::int64_t count = (c.changed.rend() - last) - from;
  const std::int64_t offset =
      e.Offset + (c.set.first + from) * static_cast<std::int64_t>(TemplateTileBytes(e.Template));
  if (offset > std::numeric_limits<std::int32_t>::max()) {
    throw TError("Tile " + std::to_string(c.set.first + from) +
                 " lies beyond the reach of an offset");
  }
  TEditBand band;
  band.entry = e;
  band.entry.Offset = static_cast<std::int32_t>(offset);
  band.entry.Width = 1;
  band.entry.Height = static_cast<std::int32_t>(count);
  const auto begin = c.set.pixels.begin() + 64 * from;
  band.picture = TPixelImage{8, static_cast<std::int32_t>(8 * count),
                             std::vector<std::uint8_t>(begin, begin + 64 * count)};
  return band;
}

}  // namespace tegulo
