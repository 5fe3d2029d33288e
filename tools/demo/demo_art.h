// The demo's artwork and palettes, all drawn here by code: a banner in the demo font, a
// font sheet, dithered gradients, a checkerboard, a plasma and a Mandelbrot set.
#pragma once

#include <cstdint>
#include <vector>

#include "tiles/tile_encoders.h"

namespace tegulo::demo {

// Each image uses indices that fit the bits per pixel named, and avoids index 0 where the
// picture should not show the window's background colour.
TPixelImage BannerArt();        // 160 x 32, 4 bpp: "TEGULO" on a night sky
TPixelImage FontSheetArt();     // 128 x 32, 1 bpp: a title line and every glyph
TPixelImage GradientArt();      // 64 x 32, 3 bpp: a dithered ramp over stepped bars
TPixelImage CheckerboardArt();  // 64 x 64, 2 bpp: checks with a ring
TPixelImage PlasmaArt();        // 128 x 64, 8 bpp
TPixelImage MandelbrotArt();    // 128 x 96, 8 bpp

// 15-bit console colour words (red bits 0-4, green 5-9, blue 10-14) to store in the ROM.
std::vector<std::uint16_t> SunsetPalette();   // 16 colours for the banner
std::vector<std::uint16_t> FontPalette();     // 2
std::vector<std::uint16_t> OceanPalette();    // 8 for the gradients
std::vector<std::uint16_t> CheckerPalette();  // 4
std::vector<std::uint16_t> PlasmaPalette();   // 256
std::vector<std::uint16_t> FractalPalette();  // 256

}  // namespace tegulo::demo
