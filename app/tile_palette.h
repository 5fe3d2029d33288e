// The logical palette of the tile bitmap: its 1028-byte description block and the colour
// table made from it.
#pragma once

#include <QList>
#include <QRgb>
#include <cstdint>

namespace tegulo {

struct TPaletteEntry {
  std::uint8_t peRed;
  std::uint8_t peGreen;
  std::uint8_t peBlue;
  std::uint8_t peFlags;
};

struct TLogPalette {
  std::uint16_t palVersion;
  std::uint16_t palNumEntries;
  TPaletteEntry palPalEntry[256];
};
static_assert(sizeof(TLogPalette) == 1028);

// The block the window starts with: version 0x300, 256 entries, all black.
TLogPalette MakePaletteBlock();

// Qt's form of a logical palette: the block's entries as a colour table.
using TTilePalette = QList<QRgb>;
TTilePalette MakeTilePalette(const TLogPalette& block);

}  // namespace tegulo
