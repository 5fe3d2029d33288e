// Storing pixels in each tile template: the inverse of the core's tile decoders.
#pragma once

#include <cstdint>
#include <vector>

namespace tegulo::demo {

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

// The bytes that template row `row` (1..9) decodes into `img`. For the tile templates the
// image is cut into 8 x 8 tiles, row of tiles by row of tiles, so its width and height
// must be multiples of 8 and every index must fit the template's bits per pixel
// ("1bpp": 8 bytes a tile, bit 7 the leftmost pixel). Mode 7 interleaved tiles get the
// complement of each pixel in the even bytes that the decoder skips. "8bpp (PC)" is the
// pixels as they are, one row after another. Throws std::invalid_argument otherwise.
std::vector<std::uint8_t> EncodeTiles(int row, const TPixelImage& img);

}  // namespace tegulo::demo
