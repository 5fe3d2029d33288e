// Drawing screens: the worked examples by hand, and every map format from the encoder's
// test pictures, plain and packed.
#include <gtest/gtest.h>

#include <string>

#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "screen/screen.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

TIndexedBitmap Draw(TTileEntry e, const TScreen& s, const std::vector<std::uint8_t>& rom,
                    TScreenDrawReport* report = nullptr) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  const TScreenDrawReport r = DrawScreen(bmp, e, s, rom, buffer, 0x00FFFFFF);
  if (report != nullptr) *report = r;
  return bmp;
}

// The first pixel where the bitmap and the picture differ, or "" when none does.
std::string Difference(const TIndexedBitmap& bmp, const TPixelImage& img) {
  if (bmp.Width() != img.width || bmp.Height() != img.height) {
    return "size " + std::to_string(bmp.Width()) + " x " + std::to_string(bmp.Height());
  }
  for (std::int32_t y = 0; y < img.height; ++y) {
    for (std::int32_t x = 0; x < img.width; ++x) {
      if (bmp.Row(y)[x] != img.At(x, y)) {
        return "(" + std::to_string(x) + ", " + std::to_string(y) + ") " +
               std::to_string(bmp.Row(y)[x]) + " not " + std::to_string(img.At(x, y));
      }
    }
  }
  return "";
}

TEST(DrawScreen, WorkedExamplesByHand) {
  struct Case {
    const char* name;
    int templ, format;
    std::int32_t tileAt;                                       // where tile 0 starts
    std::vector<std::pair<std::int32_t, std::uint8_t>> bytes;  // ROM bytes set
    std::int32_t x, y;  // a pixel of the 8 x 8 screen's cell (0, 0)
    int index;
  };
  const Case cases[] = {
      // Entry 25 6C: tile 37, palette 3, h-flip; a 2bpp tile is 16 bytes, plane 0 first.
      {"snes 2bpp",
       kTemplate2bppSNES,
       kMapSNES,
       0x100,
       {{0, 0x25}, {1, 0x6C}, {0x100 + 37 * 16, 0x80}},
       7,
       0,
       12 + 1},
      {"snes 4bpp",
       kTemplate4bppSNES,
       kMapSNES,
       0x100,
       {{0, 0x25}, {1, 0x6C}, {0x100 + 0x4A0 + 1, 0x80}},
       7,
       0,
       48 + 2},
      {"snes 8bpp ignores the palette",
       kTemplate8bppSNES,
       kMapSNES,
       0x100,
       {{0, 0x25}, {1, 0x6C}, {0x100 + 37 * 64, 0x80}},
       7,
       0,
       1},
      // Entry 2A B4: tile 42, h-flip, bank 11; the low nibble is the left pixel.
      {"gba text",
       kTemplate4bppGBA,
       kMapGBAText,
       0x100,
       {{0, 0x2A}, {1, 0xB4}, {0x100 + 0x540, 0x03}},
       7,
       0,
       176 + 3},
      {"gba text v-flip",
       kTemplate4bppGBA,
       kMapGBAText,
       0x100,
       {{0, 0x01}, {1, 0x08}, {0x100 + 32, 0x30}},
       1,
       7,
       3},
      {"gba affine",
       kTemplateMode7Linear,
       kMapGBAAffine,
       0x100,
       {{0, 0x7F}, {0x100 + 0x1FC0 + 9, 0x44}},
       1,
       1,
       0x44},
      // Word 0x0081 = 3C05 in the interleaved block: tile 2's pixel 1 is 3C.
      {"mode7 interleaved",
       kTemplateMode7Interleaved,
       kMapMode7Interleaved,
       0,
       {{0, 0x02}, {0x103, 0x3C}},
       1,
       0,
       0x3C},
      {"mode7",
       kTemplateMode7Linear,
       kMapMode7,
       0x4000,
       {{0, 0x02}, {0x4000 + 0x81, 0x3C}},
       1,
       0,
       0x3C},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> rom(0x8000, 0);
    for (const auto& [at, value] : c.bytes) rom[static_cast<std::size_t>(at)] = value;
    TTileEntry e{};
    e.Template = static_cast<std::uint8_t>(c.templ);
    e.Address = c.tileAt;
    TScreen s;
    s.format = c.format;
    s.width = s.height = 1;
    const TIndexedBitmap bmp = Draw(e, s, rom);
    ASSERT_EQ(bmp.Width(), 8) << c.name;
    EXPECT_EQ(bmp.Row(c.y)[c.x], c.index) << c.name;
    int others = 0;
    for (std::int32_t y = 0; y < 8; ++y) {
      for (std::int32_t x = 0; x < 8; ++x) others += (x != c.x || y != c.y) && bmp.Row(y)[x] != 0;
    }
    EXPECT_EQ(others, 0) << c.name;
  }
}

struct RoundTrip {
  const char* name;
  int format, templ, palettes;
  std::int32_t width, height;
  int mapScheme = 0, tileScheme = 0;
  std::int32_t tileBase = 0, paletteBase = 0;
};

const RoundTrip kRoundTrips[] = {
    {"snes 2bpp", kMapSNES, kTemplate2bppSNES, 8, 64, 32},
    {"snes 4bpp", kMapSNES, kTemplate4bppSNES, 8, 32, 64},
    {"snes 4bpp 64 x 64 packed", kMapSNES, kTemplate4bppSNES, 8, 64, 64, kSchemeLZ10, kSchemeFF6},
    {"snes 8bpp", kMapSNES, kTemplate8bppSNES, 1, 40, 28},
    {"snes 3bpp", kMapSNES, kTemplate3bppSNES, 4, 32, 28, kSchemeCT, kSchemeFF5},
    {"gba text banks", kMapGBAText, kTemplate4bppGBA, 16, 64, 64, kSchemeLZ10, kSchemeLZ10},
    {"gba affine", kMapGBAAffine, kTemplateMode7Linear, 1, 32, 32},
    {"mode7", kMapMode7, kTemplateMode7Linear, 1, 128, 128, kSchemeLZ10, kSchemeLZ10},
    {"mode7 interleaved", kMapMode7Interleaved, kTemplateMode7Interleaved, 1, 128, 128},
    {"linear 48 wide", kMapLinear, kTemplate4bppSNES, 8, 48, 20},
    {"bases", kMapSNES, kTemplate2bppSNES, 4, 32, 32, 0, 0, 100, 8},
    {"negative tile base", kMapGBAText, kTemplate4bppGBA, 4, 16, 16, 0, 0, -5, 2},
};

TScreen ScreenOf(const RoundTrip& c) {
  TScreen s;
  s.format = c.format;
  s.width = c.width;
  s.height = c.height;
  s.mapAddress = 0x1000;
  s.mapCompression = c.mapScheme;
  s.tileBase = c.tileBase;
  s.paletteBase = c.paletteBase;
  if (c.format == kMapMode7Interleaved) s.mapAddress = 0x10000;
  return s;
}

TEST(DrawScreen, EncodedPicturesDrawBackExactly) {
  for (const RoundTrip& c : kRoundTrips) {
    const TScreen s = ScreenOf(c);
    const int bpp = TileTemplates[c.templ].Value;
    const bool flips = MapFormats()[c.format].HasFlips();
    TPixelImage picture = test::ScreenPicture(c.width, c.height, bpp, c.palettes, flips);
    // A palette base moves every cell's colours up by its palettes.
    if (c.paletteBase != 0) {
      for (std::uint8_t& i : picture.pixels) {
        if (i != 0) i = static_cast<std::uint8_t>(i + (c.paletteBase << bpp));
      }
    }
    const std::int32_t tileAt = c.format == kMapMode7Interleaved ? s.mapAddress : 0x30000;
    const test::TScreenRom built =
        test::BuildScreenRom(picture, s, c.templ, tileAt, c.tileScheme, 0x80000);
    // Six patterns in up to four orientations and several palettes: the merged set is small.
    EXPECT_LE(built.tiles, flips ? 6 : 6 * 4) << c.name;
    TScreenDrawReport report;
    EXPECT_EQ(Difference(Draw(built.entry, s, built.rom, &report), picture), "") << c.name;
    EXPECT_EQ(report.pastEnd, 0) << c.name;
  }
}

TEST(DrawScreen, TilesPastTheSetsEndDrawIndexZeroAndAreCounted) {
  std::vector<std::uint8_t> rom(0x1000 + 3 * 32 + 10, 0xFF);  // 3 tiles and a cut fourth
  for (std::size_t i = 0; i < 0x1000; ++i) rom[i] = 0;
  TTileEntry e{};
  e.Template = kTemplate4bppSNES;
  e.Address = 0x1000;
  TScreen s;
  s.format = kMapLinear;
  s.width = 4;
  s.height = 2;
  // Cells 0..3 name tiles 0..3 (the fourth cut short), cells 4..7 tiles 4..7.
  for (int i = 0; i < 8; ++i) rom[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(i);
  TScreenDrawReport report;
  const TIndexedBitmap bmp = Draw(e, s, rom, &report);
  EXPECT_EQ(report.tiles, 4);
  EXPECT_EQ(report.pastEnd, 4);
  EXPECT_EQ(report.Text(),
            "4 cells name tiles past the tile set's end (4 tiles), the first (0, 1) tile 4");
  EXPECT_EQ(bmp.Row(0)[0], 15);  // an all-ones tile
  EXPECT_EQ(bmp.Row(8)[0], 0);   // past the end
  EXPECT_EQ(bmp.Row(7)[31], 0);  // the cut tile's missing bytes read 0
}

// A map that runs past the ROM's end shows tile 0 there, and the report says so.
TEST(DrawScreen, MapEntriesPastTheRomsEndAreCounted) {
  std::vector<std::uint8_t> rom(0x1000, 0);
  TTileEntry e{};
  e.Template = kTemplate4bppSNES;
  e.Address = 0x100;
  TScreen s;
  s.format = kMapLinear;
  s.width = 4;
  s.height = 2;
  const struct {
    std::int32_t map;
    std::int64_t missing;
    std::string text;
  } cases[] = {
      {0x0, 0, ""},
      {0x1000 - 5, 6,
       "6 cells lie past the map's bytes (the ROM's end or the unpacked map's) and show tile 0"},
      {0x2000, 8,
       "8 cells lie past the map's bytes (the ROM's end or the unpacked map's) and show tile 0"},
  };
  for (const auto& c : cases) {
    s.mapAddress = c.map;
    TScreenDrawReport report;
    Draw(e, s, rom, &report);
    EXPECT_EQ(report.mapMissing, c.missing) << c.map;
    EXPECT_EQ(report.Text(), c.text) << c.map;
  }
}

TEST(DrawScreen, PriorityOfEachCell) {
  std::vector<std::uint8_t> rom(0x200, 0);
  const std::uint8_t entries[] = {0x00, 0x20, 0x00, 0x00, 0x01, 0x20};  // 2000 0000 2001
  std::copy(std::begin(entries), std::end(entries), rom.begin());
  TTileEntry e{};
  e.Template = kTemplate2bppSNES;
  e.Address = 0x100;
  TScreen s;
  s.width = 3;
  s.height = 1;
  for (const int format : {kMapLinear, kMapGBAText}) {
    s.format = format;
    TScreenDrawReport report;
    Draw(e, s, rom, &report);
    const std::vector<std::uint8_t> expected =
        format == kMapLinear ? std::vector<std::uint8_t>{1, 0, 1} : std::vector<std::uint8_t>{};
    EXPECT_EQ(report.priority, expected);
  }
}

TEST(DrawScreen, RefusesWhatCannotBeDrawn) {
  struct Case {
    int templ, format;
    std::int32_t width, height;
    const char* message;
  };
  const Case cases[] = {
      {kTemplate4bppSNES, kMapSNES, 0, 32,
       "A snes map is 1 to 1024 tiles wide and high, not 0 x 32"},
      {kTemplate4bppSNES, kMapSNES, 32, 1025,
       "A snes map is 1 to 1024 tiles wide and high, not 32 x 1025"},
      {kTemplateMode7Linear, kMapMode7, 129, 128,
       "A mode7 map is 1 to 128 tiles wide and high, not 129 x 128"},
      {kTemplateLinear8bpp, kMapSNES, 32, 32, "A screen needs a tile template (not \"8bpp (PC)\")"},
      {kTemplateNone, kMapSNES, 32, 32, "A screen needs a tile template (not \"8bpp (PC)\")"},
      {kTemplate4bppSNES, kMapFormatCount, 32, 32, "Unknown map format"},
  };
  const std::vector<std::uint8_t> rom(64, 0);
  for (const Case& c : cases) {
    TTileEntry e{};
    e.Template = static_cast<std::uint8_t>(c.templ);
    TScreen s;
    s.format = c.format;
    s.width = c.width;
    s.height = c.height;
    TIndexedBitmap bmp;
    try {
      Draw(e, s, rom);
      ADD_FAILURE() << c.message << ": no error";
    } catch (const TError& err) {
      EXPECT_STREQ(err.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace tegulo
