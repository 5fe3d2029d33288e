// The logical palette of the tile bitmap.
#include "tile_palette.h"

namespace tegulo {

TLogPalette MakePaletteBlock() {
  TLogPalette block{};
  block.palVersion = 0x300;
  block.palNumEntries = 256;
  return block;
}

TTilePalette MakeTilePalette(const TLogPalette& block) {
  TTilePalette table;
  const int n = block.palNumEntries <= 256 ? block.palNumEntries : 256;
  table.reserve(n);
  for (int i = 0; i < n; ++i) {
    const TPaletteEntry& e = block.palPalEntry[i];
    table.append(qRgb(e.peRed, e.peGreen, e.peBlue));
  }
  return table;
}

}  // namespace tegulo
