// Storing pixels in each tile template: the exact inverse of the tile decoders in uTiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// An image of colour indices, one byte per pixel, rows from the top.
struct TPixelImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;

  std::uint8_t At(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Bytes a tile of template row `row` takes in the data (1bpp: 8; Mode7-1: 128); 0 for row 0,
// rows above 9 and row 9, whose data are pixel rows rather than tiles.
std::size_t TemplateTileBytes(int row);

// Bytes of data that `width` x `height` of template `row` read: tiles times the bytes of a
// tile, or width x height bytes for "8bpp (PC)". 0 for counts of 0 or less or no template.
std::size_t TemplateDataSize(int row, std::int32_t width, std::int32_t height);

// Writes `img` into `dest` as template row `row` stores it. For the tile templates the image
// is cut into 8 x 8 tiles, row of tiles by row of tiles, so its width and height must be
// multiples of 8; "8bpp (PC)" takes the pixels as they are, one row after another. `dest`
// must hold exactly TemplateDataSize bytes for the image's tiles (pixels for row 9); its
// bytes that the decoder never reads (the even bytes of Mode7-1 tiles) keep their values.
// Throws std::invalid_argument for a row outside 1..9, an image whose size does not match
// its pixels or dest, or an index that does not fit the template's bits per pixel.
void EncodeTilesInto(int row, const TPixelImage& img, std::span<std::uint8_t> dest);

// EncodeTilesInto on fresh bytes; the skipped even bytes of Mode7-1 tiles get the
// complement of the pixel beside them, so that a decoder reading them shows it at once.
std::vector<std::uint8_t> EncodeTiles(int row, const TPixelImage& img);

}  // namespace tegulo
