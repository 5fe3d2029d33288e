// Test screens: pictures made of a few patterns placed flipped and in several palettes, and
// ROM images that hold them as a tile set and a map, made with the screen encoder.
#pragma once

#include <cstdint>
#include <vector>

#include "entries/tile_entry.h"
#include "screen/screen.h"
#include "tiles/tile_encoders.h"

namespace tegulo::test {

// A picture of 8*width x 8*height colour indices. Cell (0, 0) shows a pattern of its own;
// every other cell one of `patterns` patterns, flipped when `flips`, in palette 0..palettes-1
// (indices v + p * 2^bpp; value 0 is index 0). 8bpp pictures use one palette.
TPixelImage ScreenPicture(std::int32_t width, std::int32_t height, int bpp, int palettes,
                          bool flips, int patterns = 5, std::uint32_t seed = 1);

struct TScreenRom {
  std::vector<std::uint8_t> rom;
  TTileEntry entry{};      // the tile source: Address, Template, Compression, colours
  std::int64_t tiles = 0;  // tiles in the set
};

// A ROM of `romSize` bytes (filled with 0xEE) holding `picture` as a screen: the tiles at
// `tileAddress` in template `templ` (packed with `tileScheme` when not 0) and the map where
// `s` says (packed with s.mapCompression). The entry's colours are distinct 15-bit greys and
// tints, so that no two indices share a colour. For the interleaved Mode 7 map the tiles
// and the map share one block at tileAddress = s.mapAddress (plain only).
TScreenRom BuildScreenRom(const TPixelImage& picture, const TScreen& s, int templ,
                          std::int32_t tileAddress, int tileScheme, std::size_t romSize);

}  // namespace tegulo::test
