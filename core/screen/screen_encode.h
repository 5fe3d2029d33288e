// Turning a picture into a screen: per cell the palette that holds its colours, the stored
// pixel values, and a tile set in which identical and flipped tiles are one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "screen/screen.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

// The 64 stored values of one cell, row by row as the picture shows it (flips not undone).
using TCellValues = std::array<std::uint8_t, 64>;

// The cell at (cx, cy) of `picture` (colour indices) as stored values of palette `palette`:
// index 0 is value 0, an index of the palette's block (ScreenPaletteOffset) is its place
// there, and another index stands for the palette's first colour equal to its colour in
// `colours` (0x00BBGGRR, 256). The block's own first index is value 0 as well (colour 0 of
// every palette is transparent). nullopt when an index has no place in the palette; `bad`
// then holds it.
std::optional<TCellValues> CellValues(const TPixelImage& picture, std::int32_t cx, std::int32_t cy,
                                      int bpp, int offset, std::span<const std::uint32_t> colours,
                                      int* bad);

// The stored value of colour index `i` in a cell whose palette block starts at `offset`, by
// CellValues' rule; -1 when the palette has no place for it.
int CellValue(int bpp, int offset, std::span<const std::uint32_t> colours, int i);

// The cell's values as the tile stores them: the cell's flips undone.
TCellValues Unflip(const TCellValues& cell, bool hFlip, bool vFlip);

struct TScreenEncoding {
  std::vector<std::uint8_t> tiles;  // 64 stored values a tile, in tile-number order
  std::vector<TMapCell> cells;      // width x height, row by row
  TPixelImage drawn;                // the picture as the screen draws it back

  std::int64_t TileCount() const { return static_cast<std::int64_t>(tiles.size() / 64); }
};

// Cuts `picture` (8*width x 8*height colour indices) into the screen's cells. Each cell takes
// the first palette (0 up to the format's palette field; only palette 0 for 8bpp or a format
// without one) whose block holds all its indices, or failing that all its colours. Identical
// tiles, and where the format has flips mirrored ones, are stored once; tile k gets the map
// number firstNumber + k. Throws TError for a picture of another size, a cell no palette
// holds, and more tiles than the format's tile numbers reach.
TScreenEncoding EncodeScreen(const TPixelImage& picture, const TScreen& s, int bpp,
                             std::span<const std::uint32_t> colours, std::uint32_t firstNumber);

// Bytes from the map's start to the end of its last entry.
std::int64_t MapByteLength(const TScreen& s);

// Stores the cells' entries at their places in `map`, which holds at least MapByteLength
// bytes; the bytes between entries (the interleaved map's tile bytes) keep their values.
void StoreMapCells(const TScreen& s, const std::vector<TMapCell>& cells,
                   std::span<std::uint8_t> map);

// "The picture is W x H pixels; the screen needs W2 x H2" when the sizes differ.
void CheckScreenPicture(const TScreen& s, const TPixelImage& picture);

}  // namespace tegulo
