// How far the view's browsing keys move an entry's offset, by its template.
#pragma once

#include <cstdint>
#include <optional>

#include "entries/tile_entry.h"
#include "tiles/tile_formats.h"
#include "tiles/uTiles.h"

namespace tegulo {

struct TBrowseSteps {
  std::int64_t tile = 0;    // 8 x the template's bits per pixel
  std::int64_t row = 0;     // a row of Width tiles ("8bpp (PC)": Width bytes)
  std::int64_t screen = 0;  // Width x Height tiles ("8bpp (PC)": Width x Height bytes)
};

// Nothing for an entry without a template (row outside 1..9). Widths and heights below 1
// count as 1, so every step moves.
inline std::optional<TBrowseSteps> BrowseSteps(const TTileEntry& e) {
  const TTileFormat* format = FindTileFormat(e.Template);
  if (format == nullptr) return std::nullopt;
  // A tile's pixels: 8 x 8 at the table's bits per pixel. Not bytesPerTile, which counts
  // "8bpp (Mode7-1)"'s interleaved map bytes too and is 0 for "8bpp (PC)".
  const std::int64_t tile = 8 * std::int64_t{format->bitsPerPixel};
  const std::int64_t width = e.Width < 1 ? 1 : e.Width;
  const std::int64_t height = e.Height < 1 ? 1 : e.Height;
  if (e.Template == kTemplateLinear8bpp) return TBrowseSteps{tile, width, width * height};
  return TBrowseSteps{tile, tile * width, tile * width * height};
}

}  // namespace tegulo
