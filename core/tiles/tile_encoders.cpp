// Tile encoders: the bit planes, nibbles and byte layouts of the tile templates.
#include "tiles/tile_encoders.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "tiles/tile_formats.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

// Byte of tile row y that holds bit plane `plane` in the planar layouts: planes in pairs,
// each pair interleaved row by row over 16 bytes; 3 bpp keeps its third plane in one byte a
// row after the first pair; 1 bpp is one byte a row.
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

void EncodeTile(int row, int bpp, const TPixelImage& img, int x0, int y0, std::uint8_t* t) {
  switch (row) {
    case kTemplate4bppGBA:
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; x += 2) {
          t[4 * y + x / 2] =
              static_cast<std::uint8_t>(img.At(x0 + x, y0 + y) | img.At(x0 + x + 1, y0 + y) << 4);
        }
      }
      return;
    case kTemplateMode7Interleaved:  // odd bytes only; the even ones are not ours
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) t[1 + 16 * y + 2 * x] = img.At(x0 + x, y0 + y);
      }
      return;
    case kTemplateMode7Linear:
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) t[8 * y + x] = img.At(x0 + x, y0 + y);
      }
      return;
    default: break;
  }
  const std::size_t bytes = TemplateTileBytes(row);
  std::memset(t, 0, bytes);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const unsigned p = img.At(x0 + x, y0 + y);
      for (int plane = 0; plane < bpp; ++plane) {
        if ((p >> plane) & 1u) t[PlaneByte(bpp, plane, y)] |= static_cast<std::uint8_t>(0x80 >> x);
      }
    }
  }
}

}  // namespace

std::size_t TemplateTileBytes(int row) {
  const TTileFormat* format = FindTileFormat(row);
  return format != nullptr ? static_cast<std::size_t>(format->bytesPerTile) : 0;
}

std::size_t TemplateDataSize(int row, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return row == kTemplateLinear8bpp ? cells : cells * TemplateTileBytes(row);
}

void EncodeTilesInto(int row, const TPixelImage& img, std::span<std::uint8_t> dest) {
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
  if (row == kTemplateLinear8bpp) {
    if (dest.size() != img.pixels.size()) throw std::invalid_argument("wrong destination size");
    std::memcpy(dest.data(), img.pixels.data(), dest.size());
    return;
  }
  if (img.width % 8 != 0 || img.height % 8 != 0) {
    throw std::invalid_argument("tile images must be a whole number of 8 x 8 tiles");
  }
  const std::size_t b = TemplateTileBytes(row);
  if (dest.size() != TemplateDataSize(row, img.width / 8, img.height / 8)) {
    throw std::invalid_argument("wrong destination size");
  }
  std::uint8_t* t = dest.data();
  for (int ty = 0; ty < img.height; ty += 8) {
    for (int tx = 0; tx < img.width; tx += 8, t += b) EncodeTile(row, bpp, img, tx, ty, t);
  }
}

std::vector<std::uint8_t> EncodeTiles(int row, const TPixelImage& img) {
  BitsOf(row);
  const bool tiles = row != kTemplateLinear8bpp;
  std::vector<std::uint8_t> out(tiles ? TemplateDataSize(row, img.width / 8, img.height / 8)
                                      : img.pixels.size());
  if (row == kTemplateMode7Interleaved && img.width > 0 && img.height > 0 && img.width % 8 == 0 &&
      img.height % 8 == 0 && img.pixels.size() == out.size() / 2) {
    // The skipped bytes: the complement of the pixel that follows each of them.
    std::size_t i = 0;
    for (int ty = 0; ty < img.height; ty += 8) {
      for (int tx = 0; tx < img.width; tx += 8) {
        for (int y = 0; y < 8; ++y) {
          for (int x = 0; x < 8; ++x, i += 2) {
            out[i] = static_cast<std::uint8_t>(~img.At(tx + x, ty + y));
          }
        }
      }
    }
  }
  EncodeTilesInto(row, img, out);
  return out;
}

}  // namespace tegulo
