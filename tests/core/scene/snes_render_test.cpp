// The SNES renderer on small scenes built in the test: one rule a test, a row a case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/scene_render.h"
#include "scene_fixtures.h"
#include "sprite_expect.h"

namespace tegulo {
namespace {

// Every CGRAM word distinct; every layer off its neighbour's memory; sprites below the picture.
TScene Blank(std::uint8_t mode) {
  TScene s;
  s.console = TConsole::Snes;
  s.vram.assign(kSnesVram, 0);
  s.palette.resize(256);
  for (std::size_t i = 0; i < 256; ++i)
    s.palette[i] = static_cast<std::uint16_t>((i * 97 + 5) & 0x7FFF);
  s.oam.assign(544, 0);
  for (std::size_t k = 0; k < 128; ++k) s.oam[4 * k + 1] = 0xF0;
  s.snes.mode = mode;
  s.snes.mainLayers = 0x1F;
  s.snes.objBase = 0xC000;
  for (std::size_t n = 0; n < 4; ++n) {
    s.snes.bg[n].mapWord = static_cast<std::uint16_t>(0x4000 + 0x400 * n);
    s.snes.bg[n].tileWord = static_cast<std::uint16_t>(n << 12);
    s.snes.bg[n].vofs = 0x3FF;  // output row y shows map line y
  }
  return s;
}

void SetEntry(TScene& s, int bg, std::uint32_t cell, std::uint16_t entry) {
  const std::uint32_t at = 2u * (s.snes.bg[static_cast<std::size_t>(bg)].mapWord + cell);
  s.vram[at & 0xFFFF] = static_cast<std::uint8_t>(entry);
  s.vram[(at + 1) & 0xFFFF] = static_cast<std::uint8_t>(entry >> 8);
}

std::uint32_t TileAt(const TScene& s, int bg, int bpp, std::uint32_t tile) {
  return (2u * s.snes.bg[static_cast<std::size_t>(bg)].tileWord +
          tile * 8u * static_cast<std::uint32_t>(bpp)) &
         0xFFFF;
}

std::uint32_t Rgb(const TScene& s, int index) {
  return SceneRgb(s.palette[static_cast<std::size_t>(index)]);
}

TEST(SnesRender, EachModeGivesEachLayerItsDepthAndPaletteRows) {
  struct {
    std::uint8_t mode;
    int bg, bpp, palette, colour, cgram;
  } const cases[] = {
      {0, 0, 2, 3, 2, 14},    {0, 1, 2, 1, 3, 39}, {0, 3, 2, 7, 1, 125},   {1, 0, 4, 2, 5, 37},
      {1, 2, 2, 7, 3, 31},    {2, 1, 4, 3, 9, 57}, {3, 0, 8, 5, 200, 200}, {3, 1, 4, 1, 15, 31},
      {4, 0, 8, 0, 255, 255}, {4, 1, 2, 2, 1, 9},  {5, 0, 4, 1, 4, 20},    {5, 1, 2, 3, 2, 14},
      {6, 0, 4, 6, 7, 103},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " BG" + std::to_string(c.bg + 1));
    TScene s = Blank(c.mode);
    s.snes.mainLayers = static_cast<std::uint8_t>(1u << c.bg);
    SetEntry(s, c.bg, 0, static_cast<std::uint16_t>(1 | (c.palette << 10)));
    fixtures::SetSnesPixel(s, TileAt(s, c.bg, c.bpp, 1), c.bpp, 0, 0, c.colour);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.width, c.mode >= 5 ? 512 : 256);
    EXPECT_EQ(img.pixels[0], Rgb(s, c.cgram));
    EXPECT_EQ(img.layer[0], c.bg);
    EXPECT_EQ(img.pixels[c.mode >= 5 ? 2 : 1], Rgb(s, 0));  // colour 0: the backdrop
  }
}

TEST(SnesRender, DirectColourTakesTheWordFromPixelAndPaletteBits) {
  TScene s = Blank(3);
  s.snes.directColour = true;
  s.snes.mainLayers = 1;
  SetEntry(s, 0, 0, static_cast<std::uint16_t>(1 | (5 << 10)));
  fixtures::SetSnesPixel(s, TileAt(s, 0, 8, 1), 8, 0, 0, 0xAB);  // BB GGG RRR = 10 101 011
  EXPECT_EQ(RenderScene(s).pixels[0], SceneRgb(14 | (20 << 5) | (20 << 10)));
}

TEST(SnesRender, MapSizeAndScrollPickTheScreenAndCell) {
  struct {
    std::uint16_t mapWord;
    std::uint8_t size;
    bool big;
    std::uint16_t hofs, vofs;
    std::int32_t x, y, cellX, cellY;
    std::uint32_t address;
  } const cases[] = {
      {0x4000, 0, false, 0, 0, 0, 0, 0, 0, 0x8000},  // row 0 is map line 1
      {0x4000, 0, false, 0, 7, 0, 0, 0, 1, 0x8040},
      {0x4000, 0, false, 0, 0, 255, 254, 31, 31, 0x87FE},
      {0x4000, 1, false, 256, 0, 0, 0, 32, 0, 0x8800},
      {0x4000, 1, false, 520, 0, 0, 0, 1, 0, 0x8002},  // wraps at 512
      {0x4000, 2, false, 0, 255, 0, 0, 0, 32, 0x8800},
      {0x4000, 3, false, 256, 255, 0, 0, 32, 32, 0x9800},
      {0x4000, 0, true, 16, 0, 0, 0, 1, 0, 0x8002},
      {0x4000, 3, true, 600, 0, 0, 0, 37, 0, 0x880A},
      {0x7C00, 3, false, 0, 255, 0, 0, 0, 32, 0x0800},  // wraps at 64 KiB
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    TScene s = Blank(1);
    s.snes.bg[0] = {c.mapWord, 0x1000, c.size, c.big, c.hofs, c.vofs};
    const TScenePoint p = SnesSceneAt(s, 0, c.x, c.y);
    EXPECT_TRUE(p.hasCell);
    EXPECT_EQ(p.cellX, c.cellX);
    EXPECT_EQ(p.cellY, c.cellY);
    EXPECT_EQ(p.mapAddress, c.address);
  }
}

TEST(SnesRender, BigTilesAndFlipsPickTheQuarterAndPixel) {
  struct {
    std::uint16_t tile;
    bool big, hflip, vflip;
    std::int32_t x, y;
    int colour;
  } const cases[] = {
      {0x10, true, false, false, 0, 0, 9},
      {0x10, true, false, false, 8, 0, 10},
      {0x10, true, false, false, 0, 8, 11},
      {0x10, true, false, false, 15, 15, 4},
      {0x10, true, true, false, 0, 0, 2},
      {0x10, true, true, false, 15, 0, 9},
      {0x10, true, true, false, 7, 0, 10},
      {0x10, true, false, true, 0, 15, 9},
      {0x10, true, false, true, 0, 7, 11},
      {0x10, true, true, true, 15, 15, 9},
      {0x10, false, true, false, 7, 0, 9},
      {0x3FF, true, false, false, 8, 0, 10},  // N+1 wraps to tile 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    TScene s = Blank(1);
    s.snes.mainLayers = 1;
    s.snes.bg[0].bigTiles = c.big;
    SetEntry(s, 0, 0,
             static_cast<std::uint16_t>(c.tile | (c.hflip ? 0x4000 : 0) | (c.vflip ? 0x8000 : 0)));
    const std::uint32_t quarters[4] = {c.tile, (c.tile + 1u) & 0x3FF, (c.tile + 16u) & 0x3FF,
                                       (c.tile + 17u) & 0x3FF};
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) fixtures::SetSnesPixel(s, TileAt(s, 0, 4, 0), 4, x, y, 6);
    }
    for (int k = 0; k < 4; ++k) {
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          fixtures::SetSnesPixel(s, TileAt(s, 0, 4, quarters[k]), 4, x, y,
                                 x == 0 && y == 0 ? 9 + k : 1 + k);
        }
      }
    }
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.pixels[static_cast<std::size_t>(c.y * 256 + c.x)], Rgb(s, c.colour));
  }
}

// An opaque pixel at (0, 0) of the layer, with the priority given.
void PutLayer(TScene& s, int layer, int prio) {
  if (layer == kSceneObj) {
    s.oam[0] = 0;
    s.oam[1] = 0;
    s.oam[2] = 0;
    s.oam[3] = static_cast<std::uint8_t>(prio << 4);
    fixtures::SetSnesPixel(s, s.snes.objBase, 4, 0, 0, 1);
    return;
  }
  if (s.snes.mode == 7) {
    s.vram[0] = 1;                         // map cell (0, 0): tile 1
    s.vram[2 * (64 + 8 * 1 + 0) + 1] = 5;  // its texel (0, 1): row 0 is line 1
    return;
  }
  static constexpr std::uint8_t kDepth[7][4] = {{2, 2, 2, 2}, {4, 4, 2, 0}, {4, 4, 0, 0},
                                                {8, 4, 0, 0}, {8, 2, 0, 0}, {4, 2, 0, 0},
                                                {4, 0, 0, 0}};
  const int bpp = kDepth[s.snes.mode][layer];
  SetEntry(s, layer, 0, static_cast<std::uint16_t>(1 | (prio << 13)));
  fixtures::SetSnesPixel(s, TileAt(s, layer, bpp, 1), bpp, 0, 0, 1);
}

TEST(SnesRender, LayersStackInTheModesPriorityOrder) {
  struct {
    std::uint8_t mode;
    bool bg3Priority;
    int a, aPrio, b, bPrio, front;
  } const cases[] = {
      {1, true, 2, 1, 0, 1, 2},
      {1, true, 2, 1, kSceneObj, 3, 2},
      {1, false, 2, 1, 0, 0, 0},
      {1, false, 2, 1, kSceneObj, 0, 2},
      {1, false, kSceneObj, 1, 2, 1, kSceneObj},
      {1, false, 0, 1, kSceneObj, 0, 0},
      {0, false, 3, 1, 2, 0, 3},
      {0, false, 0, 0, kSceneObj, 1, 0},
      {0, false, 1, 1, kSceneObj, 2, 1},
      {0, false, kSceneObj, 2, 1, 0, kSceneObj},
      {3, false, kSceneObj, 2, 1, 1, kSceneObj},
      {3, false, 1, 1, 0, 0, 1},
      {3, false, 0, 1, kSceneObj, 2, 0},
      {7, false, kSceneObj, 0, 0, 0, 0},
      {7, false, kSceneObj, 1, 0, 0, kSceneObj},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " layers " + std::to_string(c.a) + "/" +
                 std::to_string(c.b));
    TScene s = Blank(c.mode);
    s.snes.bg3Priority = c.bg3Priority;
    PutLayer(s, c.a, c.aPrio);
    PutLayer(s, c.b, c.bPrio);
    EXPECT_EQ(RenderScene(s).layer[0], c.front);
  }
}

TEST(SnesRender, SpritesFindTheirTilesAsTheConsoleDoes) {
  struct {
    const char* what;
    std::uint8_t objSize;
    bool large;
    std::uint32_t x;  // 9 bits
    std::uint8_t y;
    std::uint16_t name;
    std::uint8_t flips;  // attribute bits 6-7
    std::uint32_t base, table1;
    std::int32_t px, py;
    std::int64_t address;  // -1: not drawn
  } const cases[] = {
      {"8x8", 0, false, 10, 20, 0x020, 0, 0x4000, 0x2000, 10, 20, 0x4400},
      {"16x16 column wraps in the row", 0, true, 0, 0, 0x00F, 0, 0x4000, 0x2000, 8, 0, 0x4000},
      {"16x16 second row", 0, true, 0, 0, 0x00F, 0, 0x4000, 0x2000, 0, 8, 0x43E0},
      {"table 1", 0, false, 0, 0, 0x105, 0, 0x4000, 0x6000, 0, 0, 0xA0A0},
      {"table 1 wraps at 64 KiB", 0, false, 0, 0, 0x100, 0, 0xC000, 0x8000, 0, 0, 0x4000},
      {"X bit 8 makes it negative", 0, true, 0x1F8, 0, 0x000, 0, 0x4000, 0x2000, 0, 0, 0x4020},
      {"X -256 is not drawn", 0, false, 0x100, 0, 0x000, 0, 0x4000, 0x2000, 0, 0, -1},
      {"h-flip", 0, true, 0, 0, 0x000, 0x40, 0x4000, 0x2000, 0, 0, 0x4020},
      {"16x32 v-flip as two squares", 6, false, 0, 0, 0x000, 0x80, 0x4000, 0x2000, 0, 0, 0x4200},
      {"16x32 v-flip lower square", 6, false, 0, 0, 0x000, 0x80, 0x4000, 0x2000, 0, 16, 0x4600},
      {"rows wrap at 256", 0, true, 0, 248, 0x000, 0, 0x4000, 0x2000, 0, 0, 0x4200},
      {"32x32 of size 1", 1, true, 0, 0, 0x000, 0, 0x4000, 0x2000, 31, 31, 0x4660},
      {"64x64 of size 5", 5, true, 0, 0, 0x000, 0, 0x4000, 0x2000, 63, 63, 0x4EE0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(1);
    std::fill(s.vram.begin(), s.vram.end(), 0xFF);  // every pixel of every tile opaque
    s.snes.mainLayers = 0x10;
    s.snes.objSize = c.objSize;
    s.snes.objBase = c.base;
    s.snes.objTable1 = c.table1;
    s.oam[0] = static_cast<std::uint8_t>(c.x);
    s.oam[1] = c.y;
    s.oam[2] = static_cast<std::uint8_t>(c.name);
    s.oam[3] = static_cast<std::uint8_t>((c.name >> 8) | c.flips);
    s.oam[512] = static_cast<std::uint8_t>((c.x >> 8) | (c.large ? 2 : 0));
    test::ExpectSpritePixel(s, c.px, c.py, c.address);
  }
}

TEST(SnesRender, TheFirstSpriteInOrderWinsWhateverItsPriority) {
  struct {
    std::uint8_t firstSprite;
    int front;
  } const cases[] = {{0, 0}, {1, kSceneObj}};
  for (const auto& c : cases) {
    TScene s = Blank(1);
    PutLayer(s, 0, 1);  // BG1 priority 1: in front of OBJ0, behind OBJ3
    s.snes.firstSprite = c.firstSprite;
    for (std::size_t k = 0; k < 2; ++k) {
      s.oam[4 * k + 1] = 0;
      s.oam[4 * k + 3] = static_cast<std::uint8_t>(k == 0 ? 0x00 : 0x30);
    }
    fixtures::SetSnesPixel(s, s.snes.objBase, 4, 0, 0, 1);
    EXPECT_EQ(RenderScene(s).layer[0], c.front);
  }
}

TEST(SnesRender, Mode7MapsEachPixelThroughTheMatrix) {
  struct {
    const char* what;
    std::int16_t a, b, c, d, x0, y0, hofs, vofs;
    bool hflip, vflip;
    std::int32_t x, y, cellX, cellY;
  } const cases[] = {
      {"identity: row 0 is line 1", 0x100, 0, 0, 0x100, 0, 0, 0, 0, false, false, 0, 0, 0, 0},
      {"identity", 0x100, 0, 0, 0x100, 0, 0, 0, 0, false, false, 100, 50, 12, 6},
      {"scroll", 0x100, 0, 0, 0x100, 0, 0, 8, 16, false, false, 0, 0, 1, 2},
      {"scale", 0x200, 0, 0, 0x100, 0, 0, 0, 0, false, false, 100, 0, 25, 0},
      {"rotation wraps", 0, 0x100, -0x100, 0, 0, 0, 0, 0, false, false, 10, 0, 0, 126},
      {"zoom about the centre", 0x200, 0, 0, 0x100, 128, 112, 0, 0, false, false, 100, 0, 9, 0},
      {"h-flip", 0x100, 0, 0, 0x100, 0, 0, 0, 0, true, false, 0, 0, 31, 0},
      {"v-flip", 0x100, 0, 0, 0x100, 0, 0, 0, 0, false, true, 0, 0, 0, 31},
      {"13-bit negative scroll", 0x100, 0, 0, 0x100, 0, 0, 0x1FF8, 0, false, false, 8, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(7);
    TSnesRegs& r = s.snes;
    r.m7a = c.a;
    r.m7b = c.b;
    r.m7c = c.c;
    r.m7d = c.d;
    r.m7x = c.x0;
    r.m7y = c.y0;
    r.m7hofs = c.hofs;
    r.m7vofs = c.vofs;
    r.m7hflip = c.hflip;
    r.m7vflip = c.vflip;
    const TScenePoint p = SnesSceneAt(s, 0, c.x, c.y);
    EXPECT_EQ(p.cellX, c.cellX);
    EXPECT_EQ(p.cellY, c.cellY);
    EXPECT_EQ(p.mapAddress, 2u * static_cast<std::uint32_t>(128 * c.cellY + c.cellX));
  }
}

TEST(SnesRender, Mode7OutsideTheMapWrapsIsClearOrTileZero) {
  struct {
    std::uint8_t repeat;
    std::uint8_t layer;
    int cgram;
  } const cases[] = {{0, 0, 9}, {2, kSceneBackdrop, 0}, {3, 0, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.repeat);
    TScene s = Blank(7);
    s.snes.m7a = 0;
    s.snes.m7b = 0x100;
    s.snes.m7c = -0x100;
    s.snes.m7d = 0;
    s.snes.m7repeat = c.repeat;
    // Pixel (10, 0) reads texel (1, -10): wrapped (1, 1014) in cell (0, 126) of tile 2.
    s.vram[2 * (128 * 126)] = 2;
    s.vram[2 * (64 * 2 + 8 * (1014 & 7) + 1) + 1] = 9;
    s.vram[2 * (8 * (-10 & 7) + 1) + 1] = 7;  // tile 0's texel (1, 6)
    s.vram[0] = 3;                            // map cell (0, 0) names tile 3, not tile 0
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.layer[10], c.layer);
    EXPECT_EQ(img.pixels[10], Rgb(s, c.cgram));
  }
}

TEST(SnesRender, ScreenSizeBlankBackdropAndLayerChoice) {
  struct {
    const char* what;
    bool overscan, pseudoHires, forcedBlank;
    unsigned layers;
    std::int32_t width, height;
    std::uint32_t first;  // pixel (0, 0): -1 for the BG's colour
  } const cases[] = {
      {"plain", false, false, false, kAllSceneLayers, 256, 224, 1},
      {"overscan", true, false, false, kAllSceneLayers, 256, 239, 1},
      {"pseudo hi-res", false, true, false, kAllSceneLayers, 512, 224, 1},
      {"BG1 left out", false, false, false, 0x1E, 256, 224, 0},
      {"forced blank", false, false, true, kAllSceneLayers, 256, 224, 0xFFFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(1);
    s.snes.overscan = c.overscan;
    s.snes.pseudoHires = c.pseudoHires;
    s.snes.forcedBlank = c.forcedBlank;
    PutLayer(s, 0, 0);
    const TSceneImage img = RenderScene(s, c.layers);
    EXPECT_EQ(img.width, c.width);
    EXPECT_EQ(img.height, c.height);
    ASSERT_EQ(img.pixels.size(), static_cast<std::size_t>(c.width * c.height));
    const std::uint32_t want = c.first == 0xFFFF ? 0 : c.first == 1 ? Rgb(s, 1) : Rgb(s, 0);
    EXPECT_EQ(img.pixels[0], want);
    if (c.pseudoHires) {
      EXPECT_EQ(img.pixels[1], want);  // each low-res pixel twice
    }
  }
}

TEST(SnesRender, EffectsTheStateHoldsAreNamed) {
  TScene s = Blank(2);
  s.snes.colourMath = s.snes.windows = s.snes.mosaic = true;
  s.snes.brightness = 7;
  const TSceneImage img = RenderScene(s);
  const std::vector<std::string> want = {"colour math", "windows", "mosaic", "offset-per-tile",
                                         "exact brightness (scaled by 8/16)"};
  EXPECT_EQ(img.leftOut, want);
  EXPECT_TRUE(RenderScene(Blank(1)).leftOut.empty());
  // Hi-res is exact when the sub screen, shown in the even columns, holds the main's layers.
  TScene hires = Blank(5);
  EXPECT_TRUE(RenderScene(hires).leftOut.empty());
  hires.snes.subLayers = 0x01;
  EXPECT_EQ(RenderScene(hires).leftOut, std::vector<std::string>{"separate sub screen of hi-res"});
}

TEST(SnesRender, LayerReadsNameTheMapTilesAndPalettesInUse) {
  TScene s = Blank(1);
  s.snes.bg[0].mapSize = 1;
  SetEntry(s, 0, 0, static_cast<std::uint16_t>(1 | (3 << 10)));
  SetEntry(s, 0, 0x400 + 5, static_cast<std::uint16_t>(2 | (6 << 10)));
  SetEntry(s, 0, 7, static_cast<std::uint16_t>(9 | (3 << 10)));
  s.oam[1] = 10;  // sprite 0 on screen: tile 0x00, palette 0
  s.oam[3] = 0x04;
  const std::vector<TLayerReads> reads = SceneLayerReads(s);
  ASSERT_EQ(reads.size(), 5u);
  const TLayerReads& bg1 = reads[0];
  EXPECT_TRUE(bg1.shown);
  EXPECT_EQ(bg1.bitsPerPixel, 4);
  ASSERT_EQ(bg1.map.size(), 1u);
  EXPECT_EQ(bg1.map[0].start, 0x8000u);
  EXPECT_EQ(bg1.map[0].length, 0x1000u);
  // Tiles 0 (the empty cells), 1, 2 and 9 from 0, 32 bytes each.
  ASSERT_EQ(bg1.tiles.size(), 2u);
  EXPECT_EQ(bg1.tiles[0].start, 0u);
  EXPECT_EQ(bg1.tiles[0].length, 96u);
  EXPECT_EQ(bg1.tiles[1].start, 9u * 32);
  EXPECT_EQ(bg1.palettes, (std::vector<std::int32_t>{0, 48, 96}));
  EXPECT_FALSE(reads[3].shown);  // mode 1 has no BG4
  const TLayerReads& obj = reads[4];
  ASSERT_EQ(obj.tiles.size(), 1u);
  EXPECT_EQ(obj.tiles[0].start, 0xC000u);
  EXPECT_EQ(obj.palettes, (std::vector<std::int32_t>{160}));
}

}  // namespace
}  // namespace tegulo
