// Drawing into the tile bitmap by hand: strokes, flood fills, and the band of tile rows a
// change touched, so that only that band needs writing back.
#pragma once

#include <cstdint>
#include <optional>

#include "base/bitmap.h"
#include "entries/tile_entry.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

// A rectangle of bitmap pixels, both corners included; empty when right < left.
struct TPixelRect {
  std::int32_t left = 0, top = 0, right = -1, bottom = -1;
  bool Empty() const { return right < left || bottom < top; }
  void Add(std::int32_t x, std::int32_t y);
  void Add(const TPixelRect& other);
};

// Sets every pixel of the straight line from (x0, y0) to (x1, y1), both ends included and
// without gaps (8-connected), to `index`; points outside the bitmap are skipped. Returns the
// pixels that changed (their bounding rectangle). No allocation.
TPixelRect DrawPixelLine(TIndexedBitmap& bitmap, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                         std::int32_t y1, std::uint8_t index);

// Replaces the 4-connected area of the index at (x, y) by `index`. Nothing for a point
// outside the bitmap or an area that already has the index. Returns the changed pixels'
// rectangle. Its work list holds spans and stays within the bitmap's height times a small
// factor in practice; it never holds more entries than pixels changed plus one per row.
TPixelRect FloodFillPixels(TIndexedBitmap& bitmap, std::int32_t x, std::int32_t y,
                           std::uint8_t index);

// The part of an entry that a change of `rows` (bitmap pixel rows) needs written back: for a
// plain entry of a tile template, the entry narrowed to the tile rows touched (Offset moved
// on, Height cut) with those rows of the bitmap as its picture; otherwise (a compressed
// entry, "8bpp (PC)", an empty change) the whole entry and the whole bitmap.
struct TEditBand {
  TTileEntry entry;
  TPixelImage picture;
};
TEditBand EditBand(const TTileEntry& entry, const TIndexedBitmap& bitmap, const TPixelRect& rows);

}  // namespace tegulo
