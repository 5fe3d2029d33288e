// How far the view's browsing keys move an entry's offset, by its template.
#pragma once

#include <cstdint>
#include <optional>

#include "entries/tile_entry.h"
#include "tiles/uTiles.h"

namespace tegulo {

// Row of "8bpp (PC)": linear bytes, Width counts bytes per row and Height rows.
inline constexpr int kLinearTemplateRow = 9;

struct TBrowseSteps {
  std::int64_t tile = 0;    // the template's bytes per tile, 8 x bits per pixel
  std::int64_t row = 0;     // a row of Width tiles ("8bpp (PC)": Width bytes)
  std::int64_t screen = 0;  // Width x Height tiles ("8bpp (PC)": Width x Height bytes)
};

// Nothing for an entry without a template (row outside 1..9). Widths and heights below 1
// count as 1, so every step moves.
inline std::optional<TBrowseSteps> BrowseSteps(const TTileEntry& e) {
  if (e.Template < 1 || e.Template >= kTemplateCount) return std::nullopt;
  const std::int64_t tile = 8 * std::int64_t{TileTemplates[e.Template].Value};
  const std::int64_t width = e.Width < 1 ? 1 : e.Width;
  const std::int64_t height = e.Height < 1 ? 1 : e.Height;
  if (e.Template == kLinearTemplateRow) return TBrowseSteps{tile, width, width * height};
  return TBrowseSteps{tile, tile * width, tile * width * height};
}

}  // namespace tegulo
