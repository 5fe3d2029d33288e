// Test screens and the ROM images that hold them.
#include "screen_pictures.h"

#include <algorithm>
#include <stdexcept>

#include "compress/compressors.h"
#include "compress/uCompress.h"
#include "screen/screen_encode.h"
#include "tiles/uTiles.h"

namespace tegulo::test {
namespace {

std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
  std::uint32_t h = a * 0x9E3779B1U ^ (b + 0x7F4A7C15U) * 0x85EBCA77U ^ seed * 0xC2B2AE3DU;
  h ^= h >> 15;
  h *= 0x2C1B3C6DU;
  h ^= h >> 12;
  return h;
}

void Place(std::vector<std::uint8_t>& rom, std::int64_t at,
           const std::vector<std::uint8_t>& bytes) {
  if (at < 0 ||
      at + static_cast<std::int64_t>(bytes.size()) > static_cast<std::int64_t>(rom.size())) {
    throw std::logic_error("test screen does not fit its ROM");
  }
  std::copy(bytes.begin(), bytes.end(), rom.begin() + at);
}

}  // namespace

TPixelImage ScreenPicture(std::int32_t width, std::int32_t height, int bpp, int palettes,
                          bool flips, int patterns, std::uint32_t seed) {
  TPixelImage img{8 * width, 8 * height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(64) * width * height)};
  const int values = bpp >= 8 ? 256 : 1 << bpp;
  if (bpp >= 8) palettes = 1;
  for (std::int32_t cy = 0; cy < height; ++cy) {
    for (std::int32_t cx = 0; cx < width; ++cx) {
      const std::uint32_t h =
          Hash(static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(cy), seed);
      const std::uint32_t pattern = cx == 0 && cy == 0 ? patterns : h % patterns;
      const bool hFlip = flips && (h >> 8 & 1) != 0;
      const bool vFlip = flips && (h >> 9 & 1) != 0;
      const int palette = static_cast<int>((h >> 10) % static_cast<std::uint32_t>(palettes));
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const int sx = hFlip ? 7 - x : x;
          const int sy = vFlip ? 7 - y : y;
          // About one pixel in six is value 0, the rest any value of the depth.
          const std::uint32_t p =
              Hash(pattern * 64 + static_cast<std::uint32_t>(8 * sy + sx), 7, seed);
          const int v =
              p % 6 == 0 ? 0
                         : 1 + static_cast<int>((p >> 4) % static_cast<std::uint32_t>(values - 1));
          img.pixels[static_cast<std::size_t>(8 * cy + y) * static_cast<std::size_t>(img.width) +
                     static_cast<std::size_t>(8 * cx + x)] =
              static_cast<std::uint8_t>(v == 0 ? 0 : v + palette * (bpp >= 8 ? 0 : values));
        }
      }
    }
  }
  return img;
}

TScreenRom BuildScreenRom(const TPixelImage& picture, const TScreen& s, int templ,
                          std::int32_t tileAddress, int tileScheme, std::size_t romSize) {
  TScreenRom out;
  out.rom.assign(romSize, 0xEE);
  TTileEntry& e = out.entry;
  e.Address = tileAddress;
  e.Template = static_cast<std::uint8_t>(templ);
  e.Compression = static_cast<std::uint8_t>(tileScheme);
  for (std::uint32_t i = 0; i < 256; ++i)
    e.Palette[i] = (i << 16) | ((i * 7) & 0xFF) << 8 | (255 - i);
  const int bpp = TileTemplates[templ].Value;
  const std::int64_t start = std::max<std::int32_t>(0, s.tileBase);
  const TScreenEncoding enc =
      EncodeScreen(picture, s, bpp, e.Palette, static_cast<std::uint32_t>(start - s.tileBase));
  out.tiles = enc.TileCount();
  // Tiles before the first one the map names are left as zero bytes.
  const std::size_t tileBytes = TemplateTileBytes(templ);
  std::vector<std::uint8_t> tiles(static_cast<std::size_t>(start) * tileBytes, 0);
  if (enc.TileCount() > 0) {
    const std::vector<std::uint8_t> encoded = EncodeTiles(
        templ, TPixelImage{8, static_cast<std::int32_t>(8 * enc.TileCount()), enc.tiles});
    tiles.insert(tiles.end(), encoded.begin(), encoded.end());
  }
  std::vector<std::uint8_t> map(static_cast<std::size_t>(MapByteLength(s)), 0);
  if (s.format == kMapMode7Interleaved) {
    // One block: tile bytes in the odd places, map entries in the even ones.
    map.resize(std::max(map.size(), tiles.size()), 0);
    std::copy(tiles.begin(), tiles.end(), map.begin());
    StoreMapCells(s, enc.cells, map);
    Place(out.rom, s.mapAddress, map);
    return out;
  }
  StoreMapCells(s, enc.cells, map);
  Place(out.rom, s.mapAddress, s.mapCompression == 0 ? map : CompressStream(s.mapCompression, map));
  Place(out.rom, tileAddress, tileScheme == 0 ? tiles : CompressStream(tileScheme, tiles));
  return out;
}

}  // namespace tegulo::test
