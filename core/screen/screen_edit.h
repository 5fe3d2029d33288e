// Drawing on a screen: a pixel drawn in a cell goes into the tile the cell names (through its
// flips, in its palette) and every cell that shows the tile follows; the tiles changed are
// then written back as one band of the entry's tile data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "entries/tile_entry.h"
#include "image/pixel_paint.h"
#include "screen/screen.h"

namespace tegulo {

// A screen as a stroke edits it: its cells, the tiles they name (decoded), and which of
// those the stroke changed.
struct TScreenCanvas {
  TScreen screen;
  int bpp = 0;
  std::vector<TMapCell> cells;  // width x height, row by row
  TTileSet set;
  std::vector<std::vector<std::int32_t>> cellsOfTile;  // per tile of `set`: the cells naming it
  std::vector<std::uint8_t> changed;                   // per tile of `set`: 1 once changed
};

// Reads the map and the tiles it names, as DrawScreen draws them (`decoded`: the entry's
// unpacked data after a refresh). Throws TError as DrawScreen does.
TScreenCanvas ReadScreenCanvas(const TTileEntry& e, const TScreen& s,
                               std::span<const std::uint8_t> rom,
                               std::span<const std::uint8_t> decoded);

// Sets screen pixel (x, y) to colour index `index` (of the 256 `colours`, 0x00BBGGRR): the
// index is taken in the palette of the pixel's cell (CellValue), stored in the tile the cell
// names at the pixel's place with the cell's flips undone, and every cell that names the tile
// shows the new value in `bmp` (the screen as DrawScreen drew it). Returns the bitmap pixels
// that changed. Nothing for a pixel outside the screen. Throws TError, nothing changed, when
// the cell's palette has no place for the colour ("Colour 37 is not in palette 3 of cell
// (4, 2) (indices 48 to 63)") or the cell names a tile past the tile set's end.
TPixelRect PaintScreenPixel(TScreenCanvas& c, TIndexedBitmap& bmp, std::int32_t x, std::int32_t y,
                            std::uint8_t index, std::span<const std::uint32_t> colours);

// PaintScreenPixel along the straight line from (x0, y0) to (x1, y1), both ends included and
// without gaps, as DrawPixelLine draws it. A pixel PaintScreenPixel refuses is left as it is
// and the line goes on; `refused` (when given) gets the first refusal's text, else stays.
TPixelRect PaintScreenLine(TScreenCanvas& c, TIndexedBitmap& bmp, std::int32_t x0, std::int32_t y0,
                           std::int32_t x1, std::int32_t y1, std::uint8_t index,
                           std::span<const std::uint32_t> colours, std::string* refused = nullptr);

// The tiles changed, as an entry for WriteBackPicture: the entry narrowed to one column of
// the tiles from the first changed to the last (Offset moved on, Width 1, Height the count)
// and their stored values as its picture. Throws TError when no tile changed or an offset
// would pass 32 bits.
TEditBand ScreenEditBand(const TScreenCanvas& c, const TTileEntry& e);

}  // namespace tegulo
