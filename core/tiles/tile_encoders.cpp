// Tile encoders: the bit planes, nibbles and byte layouts of the tile templates.
#include "tiles/tile_encoders.h"

#include <stdexcept>
#include <string>

#include "tiles/tile_formats.h"
#include "tiles/uTiles.h"

namespace tegulo::demo {
namespace {

// Byte of tile row y that holds bit plane `plane` in the planar SNES layouts: planes in
// pairs, each pair interleaved row by row over 16 bytes; 3 bpp keeps its third plane in
// one byte a row after the first pair.
int PlaneByte(int bpp, int plane, int y) {
  if (bpp == 1) return y;
  if (bpp == 3 && plane == 2) return 16 + y;
  return 16 * (plane / 2) + 2 * y + plane % 2;
}

int BitsOf(int row) {
  if (row < 1 || row >= kTemplateCount) {
    throw std::invalid_argument("no template row " + std::to_string(row));
  }
  return TileTemplates[row].Value;
}

int BytesPerTile(int row) { return FindTileFormat(row)->bytesPerTile; }

void EncodeTile(int row, const TPixelImage& img, int x0, int y0, std::uint8_t* t) {
  const int bpp = BitsOf(row);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint8_t p = img.At(x0 + x, y0 + y);
      switch (row) {
        case kTemplate4bppGBA:
          t[4 * y + x / 2] |= static_cast<std::uint8_t>(x % 2 ? p << 4 : p);
          break;
        case kTemplateMode7Interleaved:
          t[1 + 16 * y + 2 * x] = p;
          t[16 * y + 2 * x] = static_cast<std::uint8_t>(~p);
          break;
        case kTemplateMode7Linear: t[8 * y + x] = p; break;
        default:
          for (int plane = 0; plane < bpp; ++plane) {
            if (p >> plane & 1) t[PlaneByte(bpp, plane, y)] |= static_cast<std::uint8_t>(0x80 >> x);
          }
      }
    }
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeTiles(int row, const TPixelImage& img) {
  const int bpp = BitsOf(row);
  if (img.width <= 0 || img.height <= 0 ||
      img.pixels.size() !=
          static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height)) {
    throw std::invalid_argument("image size does not match its pixels");
  }
  for (const std::uint8_t p : img.pixels) {
    if (bpp < 8 && p >> bpp != 0) {
      throw std::invalid_argument("pixel index does not fit the template");
    }
  }
  if (row == kTemplateLinear8bpp) return img.pixels;
  if (img.width % 8 != 0 || img.height % 8 != 0) {
    throw std::invalid_argument("tile images must be a whole number of 8 x 8 tiles");
  }

  const int b = BytesPerTile(row);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(img.width / 8) *
                                static_cast<std::size_t>(img.height / 8) *
                                static_cast<std::size_t>(b));
  std::uint8_t* t = out.data();
  for (int ty = 0; ty < img.height; ty += 8) {
    for (int tx = 0; tx < img.width; tx += 8, t += b) EncodeTile(row, img, tx, ty, t);
  }
  return out;
}

}  // namespace tegulo::demo
