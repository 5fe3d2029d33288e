// Reading PNG pictures for import, and turning their pixels into colour indices.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "image/colour_match.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

// The largest picture side that is read (the window's 2000 tiles of 8 pixels).
inline constexpr std::int32_t kMaxPictureSide = 16000;

// A picture as the file holds it: for an indexed file (colour type 3, any bit depth 1..8)
// one palette index per pixel, for every other kind (grey, true colour, with or without
// alpha, 16-bit, interlaced) four bytes per pixel: red, green, blue, alpha, each 8 bits
// (16-bit samples scaled, a tRNS colour made transparent). Rows from the top.
struct TPngPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool indexed = false;
  std::vector<std::uint8_t> samples;
  std::vector<std::uint32_t> colours;  // indexed: the PLTE's colours (0x00BBGGRR), in order
};

// Reads a whole PNG file from its bytes. Throws TError "Not a PNG file" when the signature
// is missing, "The PNG file is damaged or cut short (<libpng's reason>)" when decoding fails,
// and "The picture is W x H pixels; the largest that can be read is 16000 x 16000" for larger
// pictures (before their pixels are read). `check`, when given, is called with the size the
// header claims before anything is allocated for the rows; it throws to refuse the picture.
using TPngSizeCheck = std::function<void(std::int64_t width, std::int64_t height)>;
TPngPicture ReadPng(std::span<const std::uint8_t> file, const TPngSizeCheck& check = {});

// The picture as colour indices. Indexed pictures keep their indices (the file's palette is
// not looked at). Other pixels take a palette index as TColourMatcher finds it (`palette`
// 0x00BBGGRR colours, `indexZero` standing for index 0): by default the first of exactly
// their colour, else the first of the same 15-bit console word (each 8-bit channel taken as
// the 5-bit level whose v * 255 / 31 lies nearest). A fully transparent pixel is index 0.
// kNearest takes every other colour to the nearest candidate and fills `report`. Throws
// TColoursNotInPalette naming the first pixels without a colour and their count: "The
// picture has 2 pixels whose colour is not in the palette: (0, 0) #FF0000, (5, 1) #00FF00".
TPixelImage PictureIndices(const TPngPicture& picture, std::span<const std::uint32_t> palette,
                           std::optional<std::uint32_t> indexZero = std::nullopt,
                           TColourMatch match = TColourMatch::kConsole,
                           TColourMatchReport* report = nullptr);

}  // namespace tegulo
