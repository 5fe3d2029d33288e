// Making any picture into a tile set, a tilemap and palettes for a screen: colours at the
// consoles' precision, the fewest palettes, then the fewest tiles.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "image/png_reader.h"

namespace tegulo {

// A picture as console colour words, one a pixel; kTransparentWord marks colour 0.
inline constexpr std::uint16_t kTransparentWord = 0x8000;
struct TWordPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint16_t> words;
  std::uint16_t transparent = 0;  // the colour word that colour 0 of every palette gets
};

// The picture's pixels as 15-bit words (each channel the nearest 5-bit level, as
// ConsoleWord), and which of them are colour 0: an indexed picture's index 0 (its PLTE
// colour 0 the transparent colour); else its fully transparent pixels (the transparent
// colour that of the first of them, as stored), or when it has none, every pixel of the
// colour most common on its border (ties: the first met going round from the top-left
// corner). Throws TError for an index past the PNG's palette.
TWordPicture ConsolePicture(const TPngPicture& picture);

struct TConvertOptions {
  int templ = 0;                               // the tile template's row (a screen's: CheckScreen)
  int mapFormat = 0;                           // a row of MapFormats()
  int maxPalettes = 0;                         // 0: as many as the map and template can choose
  std::int32_t tileBase = 0;                   // as render takes it: 0 or below
  std::int32_t paletteBase = 0;                // as render takes it: 0 or below
  bool flips = true;                           // mirrored tiles stored once where the format flips
  std::chrono::milliseconds searchBound{400};  // for proving the fewest palettes
};

struct TConversion {
  std::vector<std::uint8_t> tiles;     // the tile set in the template
  std::vector<std::uint8_t> map;       // the map's bytes (MapByteLength)
  std::vector<std::uint8_t> palettes;  // 2^bpp little-endian words a palette
  std::int64_t tileCount = 0;
  int paletteCount = 0;
  int colours = 0;                     // distinct colours besides colour 0
  bool proven = false;                 // paletteCount is the fewest possible
  std::int32_t width = 0, height = 0;  // the map in tiles
  // The picture as indices into the palettes one after another: palette p's place v is
  // p * 2^bpp + v, colour 0 is 0 (8 bits per pixel: the place).
  TPixelImage indices;

  // "N tiles, P palettes".
  std::string Summary() const;
};

// The limit on palettes for the options: the map's palette field (less the palettes below
// the base), 1 for 8 bits per pixel or a format without one, and maxPalettes when given.
int PaletteLimit(const TConvertOptions& o);

// Converts the picture (a multiple of 8 pixels a side, at most the format's map side in
// tiles). Palettes: colour 0 the transparent colour, then the colours of the tiles that use
// it; each tile takes the first palette holding its colours; identical tiles in their
// stored values, and mirrored ones when the format flips and `flips` is set, are one tile,
// numbered from -tileBase. The map draws the picture with render's --tile-base and
// --palette-base of the same values. Throws TError for: options out of range, a picture of
// another size, a tile with more colours than a palette holds, a picture that needs more
// palettes than PaletteLimit (naming the first tile that does not fit), and more tiles than
// the map can number (naming the first tile past the limit).
TConversion ConvertPicture(const TPngPicture& picture, const TConvertOptions& o);

}  // namespace tegulo
