// The demo's own 8 x 8 font: capital letters, digits and a few signs.
#pragma once

#include <cstdint>
#include <string_view>

#include "tiles/tile_encoders.h"

namespace tegulo::demo {

// Row y (0..7) of the glyph of `c`, bit 7 the leftmost pixel. Lower-case letters use the
// capitals; characters without a glyph show as "?".
std::uint8_t GlyphRow(char c, int y);

// Draws `text` with its top-left corner at (x, y), each font pixel a square of `scale`
// pixels set to `colour`; pixels outside the image are left out.
void DrawText(TPixelImage& img, std::string_view text, int x, int y, int scale,
              std::uint8_t colour);

}  // namespace tegulo::demo
