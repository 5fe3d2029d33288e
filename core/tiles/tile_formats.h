// The tile templates as a table that carries behaviour: one row per template with its
// sizes, its decoder and its encoder.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/bitmap.h"
#include "tiles/tile_encoders.h"
#include "tiles/uTiles.h"

namespace tegulo {

// A decoder of uTiles.h: Width x Height tiles from `src` into a bitmap of 8*Width x 8*Height.
using TTileDecoder = void (*)(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                              std::int32_t Height);
// The bytes the row's decoder turns back into the image (see EncodeTiles for the rules).
using TTileEncoder = std::vector<std::uint8_t> (*)(const TPixelImage& img);

// Writes the image into bytes that already hold the row's data, keeping those the decoder
// never reads (see EncodeTilesInto).
using TTileEncoderInto = void (*)(const TPixelImage& img, std::span<std::uint8_t> dest);

// One template. Row kTemplateNone has no sizes and no functions.
struct TTileFormat {
  int row;                      // the row of TileTemplates, equal to the index in TileFormats()
  int bitsPerPixel;             // equals TileTemplates[row].Value
  int bytesPerTile;             // bytes of one 8 x 8 tile; 0 for kTemplateLinear8bpp, which
                                // stores Width bytes a pixel row and Height rows
  TTileDecoder decode;          // nullptr for kTemplateNone
  TTileEncoder encode;          // nullptr where no encoder exists
  TTileEncoderInto encodeInto;  // the write-back's encoder; nullptr where none exists
};

// Every row, indexed by template row 0..kTemplateCount-1.
std::span<const TTileFormat, kTemplateCount> TileFormats();

// The row of template `row` 1..kTemplateCount-1; nullptr for kTemplateNone and for any
// value outside the table (a damaged record).
const TTileFormat* FindTileFormat(int row);

}  // namespace tegulo
