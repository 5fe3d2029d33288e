// Choosing an entry's tile template.
#include "palette/entry_template.h"

#include <span>

#include "palette/palette.h"
#include "tiles/uTiles.h"

namespace tegulo {

void ApplyTemplate(TTileEntry& e, int row) {
  if (row < 1 || row > kTemplateCount - 1) return;
  e.Template = static_cast<std::uint8_t>(row);
  e.Bpp = TileTemplates[row].Value;
  e.PalCount = 1 << e.Bpp;
  MakeMonoPalette(std::span<std::uint32_t>(e.Palette), e.PalCount, false);
}

}  // namespace tegulo
