// Changing a screen's cells: each change within the format's fields, and the map written back
// with only that cell changed, plain or packed.
#include "screen/cell_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "compress/uCompress.h"
#include "rom/write_back.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

TEST(CellEdit, EachChangeStaysWithinTheFormatsFields) {
  using C = TCellChange;
  struct TCase {
    int format;
    TMapCell from;
    C change;
    TMapCell to;
    const char* error;  // nullptr when the change applies
  };
  const TMapCell plain{5, 2, false, false, false};
  const TCase cases[] = {
      {kMapSNES, plain, C::FlipH, {5, 2, true, false, false}, nullptr},
      {kMapSNES, {5, 2, true, true, false}, C::FlipV, {5, 2, true, false, false}, nullptr},
      {kMapSNES, plain, C::NextPalette, {5, 3, false, false, false}, nullptr},
      {kMapSNES, {5, 7, false, false, false}, C::NextPalette, {5, 0, false, false, false}, nullptr},
      {kMapSNES,
       {5, 0, false, false, false},
       C::PreviousPalette,
       {5, 7, false, false, false},
       nullptr},
      {kMapGBAText,
       {5, 0, false, false, false},
       C::PreviousPalette,
       {5, 15, false, false, false},
       nullptr},
      {kMapSNES, {1023, 2, false, false, false}, C::NextTile, {0, 2, false, false, false}, nullptr},
      {kMapSNES,
       {0, 2, false, false, false},
       C::PreviousTile,
       {1023, 2, false, false, false},
       nullptr},
      {kMapMode7,
       {0, 0, false, false, false},
       C::PreviousTile,
       {255, 0, false, false, false},
       nullptr},
      {kMapSNES, plain, C::Priority, {5, 2, false, false, true}, nullptr},
      {kMapMode7, plain, C::FlipH, plain, "A mode7 map has no flips"},
      {kMapGBAAffine, plain, C::NextPalette, plain, "A gba-affine map has no palette numbers"},
      {kMapGBAText, plain, C::Priority, plain, "A gba-text map has no priority bit"},
  };
  for (const TCase& c : cases) {
    const TMapFormat& f = MapFormats()[static_cast<std::size_t>(c.format)];
    try {
      EXPECT_EQ(ChangeCell(f, c.from, c.change), c.to) << f.name << " " << int(c.change);
      EXPECT_EQ(c.error, nullptr) << f.name << " " << int(c.change);
    } catch (const TError& e) {
      ASSERT_NE(c.error, nullptr) << e.what();
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
  const TMapFormat& snes = MapFormats()[kMapSNES];
  EXPECT_EQ(WithTile(snes, plain, 1023).tile, 1023);
  EXPECT_THROW(WithTile(snes, plain, 1024), TError);
  EXPECT_THROW(WithTile(snes, plain, -1), TError);
}

TEST(CellEdit, TheMapIsWrittenBackWithOnlyThatCellChanged) {
  for (const int scheme : {0, static_cast<int>(kSchemeLZ10)}) {
    TScreen s;
    s.width = 32;
    s.height = 32;
    s.mapAddress = 0x1000;
    s.mapCompression = scheme;
    const TPixelImage picture = test::ScreenPicture(32, 32, 4, 8, true);
    const test::TScreenRom built =
        test::BuildScreenRom(picture, s, kTemplate4bppSNES, 0x20000, 0, 0x40000);
    TDecodeBuffer buffer;
    const std::vector<TMapCell> before = ReadMapCells(s, MapBytes(s, built.rom, buffer));
    const TMapFormat& f = MapFormats()[kMapSNES];
    const TMapCell changed = ChangeCell(f, before[3 * 32 + 7], TCellChange::FlipV);
    const TEditBand band = MapCellBand(s, built.rom, 7, 3, changed);
    EXPECT_EQ(std::int64_t{band.entry.Width} * band.entry.Height, 2048) << scheme;
    const TWriteBackResult r = WriteBackPicture(built.rom, band.entry, band.picture);
    std::vector<TMapCell> after = ReadMapCells(s, MapBytes(s, r.rom, buffer));
    EXPECT_EQ(after[3 * 32 + 7], changed) << scheme;
    after[3 * 32 + 7] = before[3 * 32 + 7];
    EXPECT_EQ(after, before) << scheme << ": no other cell changed";
    EXPECT_EQ(CellAt(s, MapBytes(s, r.rom, buffer), 7, 3), changed) << scheme;
  }
  TScreen outside;
  outside.mapAddress = 0x3FFF0;
  EXPECT_THROW(MapCellBand(outside, std::vector<std::uint8_t>(0x40000), 0, 0, {}), TError);
  EXPECT_THROW(MapCellBand(TScreen{}, std::vector<std::uint8_t>(0x40000), 32, 0, {}), TError);
}

}  // namespace
}  // namespace tegulo
