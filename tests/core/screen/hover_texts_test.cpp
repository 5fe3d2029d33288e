// The status bar's texts about the pixel under the pointer and the part of a picture in view.
#include "screen/hover_texts.h"

#include <gtest/gtest.h>

#include "tiles/uTiles.h"

namespace tegulo {
namespace {

TEST(HoverTexts, AScreensCellTellsItsEntry) {
  // A 32 x 32 snes map whose cell (3, 2) is tile 17, palette 3, both flips, priority.
  std::vector<std::uint8_t> map(2048, 0);
  const std::uint16_t value = 17 | 3 << 10 | 1 << 13 | 1 << 14 | 1 << 15;
  map[2 * (2 * 32 + 3)] = static_cast<std::uint8_t>(value);
  map[2 * (2 * 32 + 3) + 1] = static_cast<std::uint8_t>(value >> 8);
  TScreen s;
  s.mapAddress = 0x1000;
  struct TCase {
    const char* what;
    int compression;
    std::int32_t x, y, loaded;
    const char* text;
  };
  const TCase cases[] = {
      {"plain", 0, 8 * 3 + 5, 8 * 2, 256,
       "Cell (3, 2): tile 17, palette 3, flips H V, priority 1, entry at $001086"},
      {"packed", 1, 8 * 3, 8 * 2 + 7, 256,
       "Cell (3, 2): tile 17, palette 3, flips H V, priority 1, unpacked byte $0086 of the map at "
       "$001000"},
      {"not loaded", 0, 8 * 3, 8 * 2, 16,
       "Cell (3, 2): tile 17, palette 3, flips H V, priority 1, entry at $001086, palette not "
       "loaded (colours 48-63; 16 loaded)"},
      {"plain cell", 0, 0, 0, 256,
       "Cell (0, 0): tile 0, palette 0, flips none, priority 0, entry at $001000"},
      {"outside", 0, 256, 0, 256, ""},
  };
  for (const TCase& c : cases) {
    s.mapCompression = c.compression;
    EXPECT_EQ(ScreenCellText(s, 4, map, c.x, c.y, c.loaded), c.text) << c.what;
  }
  s.mapCompression = 0;
  s.format = kMapMode7;
  EXPECT_EQ(ScreenCellText(s, 8, std::vector<std::uint8_t>(128 * 32, 9), 0, 0, 16),
            "Cell (0, 0): tile 9, entry at $001000");
}

TEST(HoverTexts, ATileEntrysPixelTellsItsTileAndByte) {
  TTileEntry e{};
  e.Address = 0x1000;
  e.Offset = 0x20;
  e.Width = 4;
  e.Height = 2;
  struct TCase {
    int templ, compression;
    std::int32_t x, y;
    const char* text;
  };
  const TCase cases[] = {
      {kTemplate4bppGBA, 0, 8 + 3, 5, "Tile 1, pixel (3, 5): byte at $001055"},
      {kTemplate4bppSNES, 0, 8 + 3, 8 + 5, "Tile 5, pixel (3, 5): byte at $0010CA"},
      {kTemplate2bppSNES, 0, 0, 1, "Tile 0, pixel (0, 1): byte at $001022"},
      {kTemplate1bpp, 0, 9, 2, "Tile 1, pixel (1, 2): byte at $00102A"},
      {kTemplateMode7Interleaved, 0, 1, 0, "Tile 0, pixel (1, 0): byte at $001023"},
      {kTemplateMode7Linear, 0, 1, 1, "Tile 0, pixel (1, 1): byte at $001029"},
      {kTemplate4bppGBA, 1, 8, 0,
       "Tile 1, pixel (0, 0): unpacked byte $0040 of the stream at $001000"},
      {kTemplateLinear8bpp, 0, 3, 1, "Row 1, column 3: byte at $001027"},
      {kTemplateLinear8bpp, 0, 4, 1, ""},
      {kTemplate4bppGBA, 0, 32, 0, ""},
      {kTemplateNone, 0, 0, 0, ""},
  };
  for (const TCase& c : cases) {
    e.Template = static_cast<std::uint8_t>(c.templ);
    e.Compression = static_cast<std::uint8_t>(c.compression);
    EXPECT_EQ(TilePixelText(e, c.x, c.y), c.text) << c.templ << " " << c.x << "," << c.y;
  }
}

TEST(HoverTexts, UnloadedPalettesAndTheVisiblePart) {
  TScreen s;
  const std::vector<TMapCell> cells = {
      {0, 0, false, false, false}, {0, 1, false, false, false}, {0, 7, false, false, false}};
  EXPECT_EQ(UnloadedPalettesText(s, 4, cells, 256), "");
  EXPECT_EQ(UnloadedPalettesText(s, 4, cells, 32),
            "1 cell uses palettes past the 32 colours loaded (set Colors to 256 and load the "
            "palette again)");
  EXPECT_EQ(UnloadedPalettesText(s, 4, cells, 16).substr(0, 9), "2 cells u");
  EXPECT_EQ(UnloadedPalettesText(s, 8, cells, 16), "");
  EXPECT_EQ(VisiblePartText(64, 0, 319, 199, 1024, 512), "View: 64-319, 0-199 of 1024 x 512");
}

}  // namespace
}  // namespace tegulo
