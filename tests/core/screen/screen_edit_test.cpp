// Drawing on a screen: the tile a cell names changes through the cell's flips and palette,
// every cell showing it follows, and the band written back draws the same screen.
#include "screen/screen_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "rom/write_back.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

struct TBuilt {
  TScreen s;
  test::TScreenRom rom;
  TDecodeBuffer decoded;
  TIndexedBitmap bmp;
};

TBuilt Build(int format, int templ, int palettes, int tileScheme) {
  TBuilt b;
  b.s.format = format;
  b.s.width = 16;
  b.s.height = 8;
  b.s.mapAddress = 0x1000;
  const int bpp = TileTemplates[templ].Value;
  const TPixelImage picture =
      test::ScreenPicture(16, 8, bpp, palettes, MapFormats()[format].HasFlips());
  b.rom = test::BuildScreenRom(picture, b.s, templ, 0x20000, tileScheme, 0x40000);
  b.decoded.assign(kDecodeBufferSize, 0);
  UnpackEntry(b.rom.entry, b.rom.rom, b.decoded);
  DrawScreen(b.bmp, b.rom.entry, b.s, b.rom.rom, b.decoded, 0);
  return b;
}

std::vector<std::uint8_t> Pixels(const TIndexedBitmap& bmp) {
  return {bmp.Pixels().begin(), bmp.Pixels().end()};
}

TEST(ScreenEdit, ThePixelGoesIntoTheTileAndEveryCellShowingItFollows) {
  struct TCase {
    const char* name;
    int format, templ, palettes, tileScheme;
  };
  const TCase cases[] = {
      {"snes 4bpp", kMapSNES, kTemplate4bppSNES, 8, 0},
      {"snes 2bpp packed", kMapSNES, kTemplate2bppSNES, 8, kSchemeLZ10},
      {"gba text", kMapGBAText, kTemplate4bppGBA, 16, 0},
      {"mode7", kMapMode7, kTemplateMode7Linear, 1, 0},
  };
  for (const TCase& c : cases) {
    TBuilt b = Build(c.format, c.templ, c.palettes, c.tileScheme);
    TScreenCanvas canvas = ReadScreenCanvas(b.rom.entry, b.s, b.rom.rom, b.decoded);
    // Cell (3, 2) shares its tile with other cells (the picture repeats a few patterns).
    const std::int32_t x = 8 * 3 + 2, y = 8 * 2 + 5;
    const TMapCell& cell = canvas.cells[2 * 16 + 3];
    const std::size_t k = cell.tile - canvas.set.first;
    ASSERT_GT(canvas.cellsOfTile[k].size(), 1u) << c.name;
    const int offset = ScreenPaletteOffset(canvas.bpp, cell.palette, 0);
    const int before = b.bmp.Row(y)[x];
    const int value = before == 0 || before - offset == 1 ? 2 : 1;
    const std::vector<std::uint8_t> old = Pixels(b.bmp);
    const TPixelRect changed = PaintScreenPixel(
        canvas, b.bmp, x, y, static_cast<std::uint8_t>(offset + value), b.rom.entry.Palette);
    EXPECT_EQ(b.bmp.Row(y)[x], offset + value) << c.name;
    std::size_t differ = 0;
    for (std::size_t i = 0; i < old.size(); ++i) differ += old[i] != b.bmp.Pixels()[i] ? 1 : 0;
    EXPECT_EQ(differ, canvas.cellsOfTile[k].size()) << c.name << ": one pixel per cell";
    EXPECT_FALSE(changed.Empty()) << c.name;

    // Written back, the ROM draws exactly what the canvas shows.
    const TEditBand band = ScreenEditBand(canvas, b.rom.entry);
    EXPECT_EQ(band.entry.Height, 1) << c.name << ": one tile changed";
    const TWriteBackResult r = WriteBackPicture(b.rom.rom, band.entry, band.picture);
    TTileEntry e = b.rom.entry;
    TDecodeBuffer decoded(kDecodeBufferSize);
    UnpackEntry(e, r.rom, decoded);
    TIndexedBitmap drawn;
    DrawScreen(drawn, e, b.s, r.rom, decoded, 0);
    EXPECT_EQ(Pixels(drawn), Pixels(b.bmp)) << c.name;
  }
}

TEST(ScreenEdit, IndicesAreTakenInTheCellsPalette) {
  TBuilt b = Build(kMapSNES, kTemplate4bppSNES, 8, 0);
  TScreenCanvas canvas = ReadScreenCanvas(b.rom.entry, b.s, b.rom.rom, b.decoded);
  // A cell of palette 2 or more, so that indices of palette 0 and 1 are foreign to it.
  std::size_t i = 1;
  while (canvas.cells[i].palette < 2) ++i;
  const int p = canvas.cells[i].palette;
  const std::int32_t x = 8 * static_cast<std::int32_t>(i % 16) + 1;
  const std::int32_t y = 8 * static_cast<std::int32_t>(i / 16) + 1;
  std::uint32_t colours[256];
  std::copy(std::begin(b.rom.entry.Palette), std::end(b.rom.entry.Palette), colours);
  colours[20] = colours[16 * p + 9];  // index 20 (palette 1) has the colour of place 9
  struct TCase {
    int index;
    int shown;  // the bitmap's index afterwards; -1: refused
  };
  const TCase cases[] = {
      {16 * p + 3, 16 * p + 3}, {0, 0}, {16 * p, 0}, {20, 16 * p + 9}, {21, -1}, {5, -1},
  };
  for (const TCase& c : cases) {
    if (c.shown >= 0) {
      PaintScreenPixel(canvas, b.bmp, x, y, static_cast<std::uint8_t>(c.index), colours);
      EXPECT_EQ(b.bmp.Row(y)[x], c.shown) << c.index;
      continue;
    }
    try {
      PaintScreenPixel(canvas, b.bmp, x, y, static_cast<std::uint8_t>(c.index), colours);
      ADD_FAILURE() << c.index << " was taken";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()), "Colour " + std::to_string(c.index) + " is not in palette " +
                                           std::to_string(p) + " of cell (" +
                                           std::to_string(i % 16) + ", " + std::to_string(i / 16) +
                                           ") (indices " + std::to_string(16 * p) + " to " +
                                           std::to_string(16 * p + 15) + ")");
    }
  }
}

TEST(ScreenEdit, ALineHasNoGapsAndTheBandSpansTheTilesChanged) {
  TBuilt b = Build(kMapSNES, kTemplate4bppSNES, 1, 0);
  TScreenCanvas canvas = ReadScreenCanvas(b.rom.entry, b.s, b.rom.rom, b.decoded);
  EXPECT_THROW(ScreenEditBand(canvas, b.rom.entry), TError);
  PaintScreenLine(canvas, b.bmp, 0, 0, 127, 9, 7, b.rom.entry.Palette);
  for (std::int32_t x = 0; x < 128; ++x) {
    bool drawn = false;
    for (std::int32_t y = 0; y < 10; ++y) drawn = drawn || b.bmp.Row(y)[x] == 7;
    EXPECT_TRUE(drawn) << "column " << x;
  }
  const TEditBand band = ScreenEditBand(canvas, b.rom.entry);
  std::int64_t first = canvas.set.count, last = -1;
  for (std::int64_t k = 0; k < canvas.set.count; ++k) {
    if (canvas.changed[static_cast<std::size_t>(k)] == 0) continue;
    first = std::min(first, k);
    last = k;
  }
  EXPECT_EQ(band.entry.Height, last - first + 1);
  EXPECT_EQ(band.entry.Offset, b.rom.entry.Offset + (canvas.set.first + first) * 32);
  EXPECT_EQ(band.picture.pixels.size(), static_cast<std::size_t>(64 * (last - first + 1)));
}

}  // namespace
}  // namespace tegulo
