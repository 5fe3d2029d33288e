// The GBA renderer on small scenes built in the test: one rule a test, a row a case.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene/scene_render.h"
#include "scene_fixtures.h"
#include "sprite_expect.h"

namespace tegulo {
namespace {

void Io(TScene& s, std::uint32_t address, std::uint32_t v) {
  s.gbaIo[address >> 1] = static_cast<std::uint16_t>(v);
}

// Every palette word distinct, every sprite hidden, affine BGs at the identity.
TScene Blank(std::uint32_t dispcnt) {
  TScene s;
  s.console = TConsole::Gba;
  s.vram.assign(kGbaVram, 0);
  s.palette.resize(512);
  for (std::size_t i = 0; i < 512; ++i)
    s.palette[i] = static_cast<std::uint16_t>((i * 97 + 5) & 0x7FFF);
  s.oam.assign(1024, 0);
  for (std::size_t k = 0; k < 128; ++k) s.oam[8 * k + 1] = 0x02;
  Io(s, 0, dispcnt);
  for (std::uint32_t base : {0x20u, 0x30u}) {
    Io(s, base, 0x100);
    Io(s, base + 6, 0x100);
  }
  return s;
}

void SetWord(TScene& s, std::uint32_t at, std::uint16_t v) {
  s.vram[at] = static_cast<std::uint8_t>(v);
  s.vram[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void SetSprite(TScene& s, int k, std::uint16_t a0, std::uint16_t a1, std::uint16_t a2) {
  const std::size_t at = 8 * static_cast<std::size_t>(k);
  for (const auto& [i, v] : {std::pair{0u, a0}, {2u, a1}, {4u, a2}}) {
    s.oam[at + i] = static_cast<std::uint8_t>(v);
    s.oam[at + i + 1] = static_cast<std::uint8_t>(v >> 8);
  }
}

void SetAffineGroup(TScene& s, int g, std::int16_t pa, std::int16_t pb, std::int16_t pc,
                    std::int16_t pd) {
  const std::int16_t p[4] = {pa, pb, pc, pd};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = 32 * static_cast<std::size_t>(g) + 8 * i + 6;
    s.oam[at] = static_cast<std::uint8_t>(p[i]);
    s.oam[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(p[i]) >> 8);
  }
}

std::uint32_t Rgb(const TScene& s, int index) {
  return SceneRgb(s.palette[static_cast<std::size_t>(index)]);
}

TEST(GbaRender, TextBgsColourByDepthAndBank) {
  struct {
    bool deep;
    int bank, colour, index;
  } const cases[] = {
      {false, 3, 5, 53}, {false, 15, 15, 255}, {false, 0, 1, 1}, {true, 7, 200, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    TScene s = Blank(0x0100);
    Io(s, 0x08, 0x0800 | (c.deep ? 0x80 : 0));  // map block 8, chars 0
    SetWord(s, 0x4000, static_cast<std::uint16_t>(1 | (c.bank << 12)));
    fixtures::SetGbaPixel(s, c.deep ? 64 : 32, c.deep, 0, 0, c.colour);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.pixels[0], Rgb(s, c.index));
    EXPECT_EQ(img.pixels[1], Rgb(s, 0));  // colour 0: the backdrop
  }
}

TEST(GbaRender, TextMapSizeAndScrollPickTheBlockAndCell) {
  struct {
    std::uint32_t size, hofs, vofs;
    std::int32_t x, y, cellX, cellY;
    std::uint32_t address;
  } const cases[] = {
      {0, 0, 0, 0, 0, 0, 0, 0x4000},    {0, 8, 16, 0, 0, 1, 2, 0x4082},
      {0, 256, 0, 0, 0, 0, 0, 0x4000},  {1, 256, 0, 0, 0, 32, 0, 0x4800},
      {2, 0, 256, 0, 0, 0, 32, 0x4800}, {3, 256, 256, 0, 0, 32, 32, 0x5800},
      {3, 511, 0, 1, 0, 0, 0, 0x4000},  {3, 0, 0, 239, 159, 29, 19, 0x4000 + 2 * (19 * 32 + 29)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    TScene s = Blank(0x0100);
    Io(s, 0x08, 0x0800 | (c.size << 14));
    Io(s, 0x10, c.hofs);
    Io(s, 0x12, c.vofs);
    const TScenePoint p = GbaSceneAt(s, 0, c.x, c.y);
    EXPECT_EQ(p.cellX, c.cellX);
    EXPECT_EQ(p.cellY, c.cellY);
    EXPECT_EQ(p.mapAddress, c.address);
  }
}

TEST(GbaRender, TextFlipsMirrorTheTile) {
  struct {
    bool deep, hflip, vflip;
    std::int32_t x, y;
  } const cases[] = {{false, false, false, 0, 0}, {false, true, false, 7, 0},
                     {false, false, true, 0, 7},  {false, true, true, 7, 7},
                     {true, true, false, 7, 0},   {true, true, true, 7, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    TScene s = Blank(0x0100);
    Io(s, 0x08, 0x0800 | (c.deep ? 0x80 : 0));
    SetWord(s, 0x4000,
            static_cast<std::uint16_t>(1 | (c.hflip ? 0x400 : 0) | (c.vflip ? 0x800 : 0)));
    fixtures::SetGbaPixel(s, c.deep ? 64 : 32, c.deep, 0, 0, 9);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.pixels[static_cast<std::size_t>(c.y * 240 + c.x)], Rgb(s, 9));
    EXPECT_EQ(std::count(img.layer.begin(), img.layer.end(), 0), 1);
  }
}

TEST(GbaRender, AffineBgsWrapOrStopAtTheirSize) {
  struct {
    const char* what;
    std::uint32_t mode;
    int bg;
    std::uint32_t size;
    bool wrap;
    std::int16_t pa;
    std::int32_t refX;  // 20.8
    std::int32_t x, y;
    bool shown;
    std::int32_t cellX, cellY;
  } const cases[] = {
      {"identity", 1, 2, 0, false, 0x100, 0, 10, 20, true, 1, 2},
      {"past the edge", 1, 2, 0, false, 0x100, 100 << 8, 50, 0, false, 0, 0},
      {"past the edge wraps", 1, 2, 0, true, 0x100, 100 << 8, 50, 0, true, 2, 0},
      {"negative reference", 2, 2, 0, false, 0x100, -8 * 256, 0, 0, false, 0, 0},
      {"negative reference wraps", 2, 2, 0, true, 0x100, -8 * 256, 0, 0, true, 15, 0},
      {"half scale", 2, 3, 0, false, 0x80, 0, 100, 0, true, 6, 0},
      {"1024 pixels", 2, 3, 3, false, 0x100, 800 << 8, 200, 0, true, 125, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(c.mode | (0x100u << c.bg));
    const std::uint32_t cnt = 0x08 + 2u * static_cast<std::uint32_t>(c.bg);
    Io(s, cnt, 0x0804 | (c.wrap ? 0x2000 : 0) | (c.size << 14));  // chars 1, map block 8
    const std::uint32_t regs = c.bg == 2 ? 0x20 : 0x30;
    Io(s, regs, static_cast<std::uint16_t>(c.pa));
    Io(s, regs + 8, static_cast<std::uint32_t>(c.refX) & 0xFFFF);
    Io(s, regs + 10, (static_cast<std::uint32_t>(c.refX) >> 16) & 0x0FFF);
    std::fill(s.vram.begin() + 0x4000, s.vram.begin() + 0x8000, 0x22);  // every texel colour 0x22
    const TSceneImage img = RenderScene(s);
    const std::size_t at = static_cast<std::size_t>(c.y * 240 + c.x);
    EXPECT_EQ(img.layer[at], c.shown ? c.bg : kSceneBackdrop);
    if (!c.shown) continue;
    EXPECT_EQ(img.pixels[at], Rgb(s, 0x22));
    const TScenePoint p = SceneAt(s, img, c.x, c.y);
    EXPECT_EQ(p.cellX, c.cellX);
    EXPECT_EQ(p.cellY, c.cellY);
    EXPECT_EQ(p.mapAddress,
              0x4000u + static_cast<std::uint32_t>(c.cellY * (16 << c.size) + c.cellX));
  }
}

TEST(GbaRender, BitmapModesReadTheirPage) {
  struct {
    std::uint32_t dispcnt;
    std::int32_t x, y;
    std::uint32_t at;  // the pixel's VRAM byte
    bool transparentZero;
    std::uint16_t word;  // modes 3 and 5: the colour word (bit 15 ignored)
  } const cases[] = {
      {0x0403, 5, 2, 2 * (2 * 240 + 5), false, 0x7C1F},
      {0x0403, 5, 2, 2 * (2 * 240 + 5), false, 0x7FFF},
      {0x0403, 5, 2, 2 * (2 * 240 + 5), false, 0xFFFF},
      {0x0404, 5, 2, 2 * 240 + 5, true, 0},
      {0x0414, 5, 2, 0xA000 + 2 * 240 + 5, true, 0},
      {0x0405, 5, 2, 2 * (2 * 160 + 5), false, 0x7C1F},
      {0x0415, 158, 127, 0xA000 + 2 * (127 * 160 + 158), false, 0x7FFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    TScene s = Blank(c.dispcnt);
    const bool mode4 = (c.dispcnt & 7) == 4;
    if (mode4) {
      s.vram[c.at] = 77;
    } else {
      SetWord(s, c.at, c.word);
    }
    const TSceneImage img = RenderScene(s);
    const std::size_t at = static_cast<std::size_t>(c.y * 240 + c.x);
    EXPECT_EQ(img.pixels[at], mode4 ? Rgb(s, 77) : SceneRgb(c.word & 0x7FFF));
    EXPECT_EQ(img.layer[at], 2);
    EXPECT_EQ(SceneAt(s, img, c.x, c.y).address, c.at);
    // A zero pixel is clear in mode 4 only; modes 3 and 5 show black there.
    EXPECT_EQ(img.layer[at + 1], c.transparentZero ? kSceneBackdrop : 2);
  }
  TScene s = Blank(0x0405);  // mode 5 is 160 x 128: beyond it, the backdrop
  EXPECT_EQ(RenderScene(s).layer[200], kSceneBackdrop);
}

TEST(GbaRender, SpritesFindTheirTilesAsTheConsoleDoes) {
  struct {
    const char* what;
    std::uint32_t dispcnt;
    std::uint16_t a0, a1, a2;
    std::int32_t px, py;
    std::int64_t address;  // -1: not drawn
  } const cases[] = {
      {"8x8", 0x1040, 20, 10, 5, 10, 20, 0x100A0},
      {"32x16 1D", 0x1040, 0x4000, 0x8000, 4, 24, 8, 0x10160},
      {"32x16 2D", 0x1000, 0x4000, 0x8000, 4, 24, 8, 0x104E0},
      {"2D wraps in its row", 0x1000, 0x4000, 0x4000, 30, 24, 0, 0x10020},
      {"16x32 8bpp 1D", 0x1040, 0xA000, 0x8000, 8, 8, 8, 0x101C0},
      {"8bpp 2D clears bit 0", 0x1000, 0x2000, 0x4000, 9, 8, 0, 0x10140},
      {"h-flip", 0x1040, 0, 0x5000, 0, 0, 0, 0x10020},
      {"v-flip", 0x1040, 0, 0x6000, 0, 0, 0, 0x10040},
      {"X of 9 bits", 0x1040, 0, 0x4000 | 500, 0, 0, 0, 0x10020},
      {"lines wrap at 256", 0x1040, 250, 0x4000, 0, 0, 9, 0x10040},
      {"affine identity", 0x1040, 0x0100, 0x4000, 0, 15, 15, 0x10060},
      {"double size edge", 0x1040, 0x0300, 0x4000, 0, 0, 0, -1},
      {"double size inside", 0x1040, 0x0300, 0x4000, 0, 23, 23, 0x10060},
      {"bitmap mode: low tiles", 0x1043, 0, 0, 5, 0, 0, -1},
      {"bitmap mode: tile 512", 0x1043, 0, 0, 512, 0, 0, 0x14000},
      {"hidden", 0x1040, 0x0200, 0, 0, 0, 0, -1},
      {"window sprite", 0x1040, 0x0800, 0, 0, 0, 0, -1},
      {"no such shape", 0x1040, 0xC000, 0, 0, 0, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(c.dispcnt);
    std::fill(s.vram.begin() + 0x10000, s.vram.end(), 0x11);
    SetSprite(s, 0, c.a0, c.a1, c.a2);
    SetAffineGroup(s, 0, 0x100, 0, 0, 0x100);
    test::ExpectSpritePixel(s, c.px, c.py, c.address);
  }
}

TEST(GbaRender, AffineSpritesSampleThroughTheirMatrix) {
  struct {
    std::int16_t pa;
    std::int32_t px;
    std::uint32_t address;
  } const cases[] = {
      {0x80, 0, 0x10000}, {0x80, 15, 0x10020}, {0x100, 15, 0x10020}, {0x200, 4, 0x10000}};
  for (const auto& c : cases) {
    TScene s = Blank(0x1040);
    std::fill(s.vram.begin() + 0x10000, s.vram.end(), 0x11);
    SetSprite(s, 0, 0x0100, 0x4000, 0);
    SetAffineGroup(s, 0, c.pa, 0, 0, 0x100);
    EXPECT_EQ(GbaSceneAt(s, kSceneObj, c.px, 0).address, c.address);
  }
}

TEST(GbaRender, PrioritiesPutSpritesBeforeBgsOfTheSameNumber) {
  struct {
    const char* what;
    int bg0, bg1, sprite0, sprite1;  // priorities; -1 absent
    bool clear1;                     // sprite 1 is clear at the pixel
    int front, sprite;
  } const cases[] = {
      {"BG0 before BG1", 1, 1, -1, -1, false, 0, -1},
      {"smaller number first", 2, 1, -1, -1, false, 1, -1},
      {"sprite before BG", 1, -1, 1, -1, false, kSceneObj, 0},
      {"BG of a smaller number", 1, -1, 2, -1, false, 0, -1},
      {"the sprite of the smaller number", 2, -1, 2, 1, false, kSceneObj, 1},
      {"the lower index at one number", -1, -1, 1, 1, false, kSceneObj, 0},
      {"a later sprite in front of the BG", 2, -1, 3, 1, false, kSceneObj, 1},
      // A clear pixel of a later sprite with a smaller number lends it to the pixel under it.
      {"a clear later sprite lowers the number", 1, -1, 2, 0, true, kSceneObj, 0},
      {"a clear later sprite of a larger number", 1, -1, 2, 3, true, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(0x1340);
    for (int bg = 0; bg < 2; ++bg) {
      const int prio = bg == 0 ? c.bg0 : c.bg1;
      if (prio < 0) continue;
      Io(s, 0x08 + 2u * static_cast<std::uint32_t>(bg),
         static_cast<std::uint32_t>(prio) | ((8u + static_cast<std::uint32_t>(bg)) << 8));
      SetWord(s, 0x4000 + 0x800 * static_cast<std::uint32_t>(bg), 1);
    }
    fixtures::SetGbaPixel(s, 32, false, 0, 0, 3);
    fixtures::SetGbaPixel(s, 0x10000, false, 0, 0, 4);
    for (int k = 0; k < 2; ++k) {
      const int prio = k == 0 ? c.sprite0 : c.sprite1;
      const std::uint16_t tile = k == 1 && c.clear1 ? 1 : 0;
      if (prio >= 0) SetSprite(s, k, 0, 0, static_cast<std::uint16_t>(tile | prio << 10));
    }
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.layer[0], c.front);
    if (c.sprite >= 0) {
      EXPECT_EQ(SceneAt(s, img, 0, 0).sprite, c.sprite);
    }
  }
}

TEST(GbaRender, SpritesPastTheLineTimeAreNotDrawn) {
  struct {
    const char* what;
    std::uint32_t dispcnt;
    int before;  // 64 x 64 sprites ahead of the last one, at `beforeX`
    std::int32_t beforeX;
    int affine;  // then this many affine double-size 32 x 32 sprites (box 64: 138 cycles)
    bool drawn;  // the last sprite, at X 176, shows
  } const cases[] = {
      {"18 ahead: 1152 cycles used", 0x1040, 18, 0, 0, true},
      {"19 ahead: 1216", 0x1040, 19, 0, 0, false},
      {"H-blank free, 14 ahead: 896 of 954", 0x1060, 14, 0, 0, true},
      {"H-blank free, 15 ahead: 960", 0x1060, 15, 0, 0, false},
      {"out of view on the right: no time", 0x1040, 30, 240, 0, true},
      {"out of view on the left: no time", 0x1040, 30, -64, 0, true},
      {"partly in view: its width", 0x1040, 19, -63, 0, false},
      {"affine: 8 x 138 + 64", 0x1040, 1, 0, 8, true},
      {"affine: 8 x 138 + 128", 0x1040, 2, 0, 8, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(c.dispcnt);
    std::fill(s.vram.begin() + 0x10000, s.vram.end(), std::uint8_t{0x11});
    int k = 0;
    for (int i = 0; i < c.before; ++i)
      SetSprite(s, k++, 0, static_cast<std::uint16_t>((c.beforeX & 0x1FF) | 0xC000), 0);
    for (int i = 0; i < c.affine; ++i) SetSprite(s, k++, 0x0300, 0x8000, 0);
    SetSprite(s, k, 0, 176 | 0xC000, 0);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.layer[200], c.drawn ? kSceneObj : kSceneBackdrop);
    EXPECT_EQ(SceneAt(s, img, 200, 0).sprite, c.drawn ? k : -1);
  }
}

TEST(GbaRender, BlankBackdropAndLayerChoice) {
  struct {
    const char* what;
    std::uint32_t dispcnt;
    unsigned layers;
    int layer;
    std::uint32_t colour;  // 0x1000000: the backdrop
  } const cases[] = {
      {"BG0", 0x0100, kAllSceneLayers, 0, 0x2000000},
      {"BG0 left out", 0x0100, 0x1E, kSceneBackdrop, 0x1000000},
      {"BG0 off", 0x0000, kAllSceneLayers, kSceneBackdrop, 0x1000000},
      {"forced blank is white", 0x0180, kAllSceneLayers, kSceneBackdrop, 0xFFFFFF},
      {"mode 2 has no BG0", 0x0102, kAllSceneLayers, kSceneBackdrop, 0x1000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(c.dispcnt);
    Io(s, 0x08, 0x0800);
    SetWord(s, 0x4000, 1);
    fixtures::SetGbaPixel(s, 32, false, 0, 0, 3);
    const TSceneImage img = RenderScene(s, c.layers);
    EXPECT_EQ(img.width, 240);
    EXPECT_EQ(img.height, 160);
    EXPECT_EQ(img.layer[0], c.layer);
    const std::uint32_t want = c.colour == 0x1000000   ? Rgb(s, 0)
                               : c.colour == 0x2000000 ? Rgb(s, 3)
                                                       : c.colour;
    EXPECT_EQ(img.pixels[0], want);
  }
}

// Colour effects work on 5-bit levels, as the console's do: weights in sixteenths (above 16
// counting as 16), results cut down and at most 31.
TEST(GbaRender, ColourEffectsWorkOnFiveBitLevels) {
  constexpr auto kWord = [](int r, int g, int b) {
    return static_cast<std::uint16_t>(r | g << 5 | b << 10);
  };
  struct {
    const char* what;
    std::uint32_t dispcnt, bldcnt, bldalpha, bldy;
    int sprite;  // -1 none, 0 a plain sprite, 1 a semi-transparent one
    std::uint16_t shown;
  } const cases[] = {
      {"alpha: BG0 over BG1", 0x1340, 0x0241, 0x0808, 0, -1, kWord(20, 10, 19)},
      {"alpha: at most 31", 0x1340, 0x0241, 0x1010, 0, -1, kWord(31, 20, 31)},
      {"alpha: weights above 16 count as 16", 0x1340, 0x0241, 0x1F1F, 0, -1, kWord(31, 20, 31)},
      {"alpha: BG1 no second target", 0x1340, 0x0041, 0x0808, 0, -1, kWord(10, 20, 30)},
      {"alpha: the backdrop as second target", 0x1140, 0x2041, 0x0808, 0, -1, kWord(7, 12, 17)},
      {"brighten", 0x1340, 0x0081, 0, 8, -1, kWord(20, 25, 30)},
      {"darken, BLDY 20 counting as 16", 0x1340, 0x00C1, 0, 20, -1, kWord(0, 0, 0)},
      {"brighten: the top layer no first target", 0x1340, 0x0082, 0, 8, -1, kWord(10, 20, 30)},
      {"a plain sprite blends as a first target", 0x1340, 0x0150, 0x0808, 0, 0, kWord(15, 15, 15)},
      {"a semi-transparent sprite blends with no effect on", 0x1340, 0x0100, 0x0808, 0, 1,
       kWord(15, 15, 15)},
      {"a semi-transparent sprite with no second target brightens", 0x1340, 0x0090, 0, 16, 1,
       kWord(31, 31, 31)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(c.dispcnt);
    s.palette[0] = kWord(4, 4, 4);
    s.palette[16 + 3] = kWord(10, 20, 30);
    s.palette[3] = kWord(31, 0, 8);
    s.palette[256 + 4] = kWord(20, 10, 0);
    Io(s, 0x08, 0x0800);  // BG0 priority 0, BG1 priority 1
    Io(s, 0x0A, 0x0901);
    SetWord(s, 0x4000, 0x1001);  // BG0: tile 1 in bank 1, BG1: tile 1 in bank 0
    SetWord(s, 0x4800, 1);
    fixtures::SetGbaPixel(s, 32, false, 0, 0, 3);
    fixtures::SetGbaPixel(s, 0x10000, false, 0, 0, 4);
    if (c.sprite >= 0) SetSprite(s, 0, static_cast<std::uint16_t>(c.sprite << 10), 0, 0);
    Io(s, 0x50, c.bldcnt);
    Io(s, 0x52, c.bldalpha);
    Io(s, 0x54, c.bldy);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.pixels[0], SceneRgb(c.shown));
    EXPECT_TRUE(img.leftOut.empty());
  }
}

// Windows pick the layers and effects of their pixels: window 0 before window 1 before the
// OBJ window before outside; edges wrap when the start lies past the end.
TEST(GbaRender, WindowsPickTheLayersOfTheirPixels) {
  struct {
    const char* what;
    std::uint32_t dispcnt, win0h, win0v, winIn, winOut;
    bool windowSprite;  // sprite 1, a window sprite, covers (0, 0) with an opaque pixel
    int front;          // at (0, 0)
    bool brightened;
  } const cases[] = {
      {"no window: all", 0x1340, 0, 0, 0, 0, false, kSceneObj, true},
      {"inside window 0: BG1 only", 0x3340, 0x0010, 0x0010, 0x0002, 0x003F, false, 1, false},
      {"outside window 0: WINOUT", 0x3340, 0x0810, 0x0010, 0x0002, 0x0021, false, 0, true},
      {"window 0 wrapping: 200..16", 0x3340, 0xC810, 0x0010, 0x0002, 0x003F, false, 1, false},
      {"window 0 to the screen's edges", 0x3340, 0x00FA, 0x00FF, 0x0002, 0x003F, false, 1, false},
      {"OBJ window over outside", 0x9340, 0, 0, 0, 0x2201, true, 1, true},
      {"OBJ window off: outside", 0x3340, 0, 0, 0, 0x2201, true, 0, false},
      {"window 0 before the OBJ window", 0xB340, 0x0010, 0x0010, 0x0030, 0x2201, true, kSceneObj,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(c.dispcnt);
    Io(s, 0x08, 0x0800);  // BG0 priority 0, BG1 priority 1, a sprite in front of both
    Io(s, 0x0A, 0x0901);
    SetWord(s, 0x4000, 1);
    SetWord(s, 0x4800, 1);
    fixtures::SetGbaPixel(s, 32, false, 0, 0, 3);
    fixtures::SetGbaPixel(s, 0x10000, false, 0, 0, 4);
    SetSprite(s, 0, 0, 0, 0);
    if (c.windowSprite) SetSprite(s, 1, 0x0800, 0, 0);
    Io(s, 0x40, c.win0h);
    Io(s, 0x44, c.win0v);
    Io(s, 0x48, c.winIn);
    Io(s, 0x4A, c.winOut);
    Io(s, 0x50, 0x00BF);  // brighten everything
    Io(s, 0x54, 16);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.layer[0], c.front);
    EXPECT_EQ(img.pixels[0] == 0xFFFFFF, c.brightened);
  }
}

TEST(GbaRender, BgMosaicShowsEachBlocksTopLeftPixel) {
  struct {
    std::uint16_t mosaic;
    std::int32_t x, y;
    bool shown;  // the pixel shows BG0's only opaque pixel, at (0, 0)
  } const cases[] = {
      {0x0000, 1, 0, false}, {0x0003, 3, 0, true},  {0x0003, 4, 0, false},
      {0x0020, 0, 2, true},  {0x0020, 0, 3, false}, {0x00FF, 15, 15, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mosaic << " at " << c.x << "," << c.y);
    TScene s = Blank(0x0100);
    Io(s, 0x08, 0x0840);  // mosaic on, map at screen block 8
    Io(s, 0x4C, c.mosaic);
    SetWord(s, 0x4000, 1);
    fixtures::SetGbaPixel(s, 32, false, 0, 0, 3);
    const TSceneImage img = RenderScene(s);
    EXPECT_EQ(img.layer[static_cast<std::size_t>(c.y * 240 + c.x)], c.shown ? 0 : kSceneBackdrop);
  }
}

TEST(GbaRender, EffectsTheStateHoldsAreNamed) {
  struct {
    const char* what;
    std::uint16_t bg0cnt, mosaic, sprite0;
    const char* leftOut;
  } const cases[] = {
      {"BG mosaic is drawn", 0x0040, 0x0303, 0x0000, ""},
      {"sprite mosaic is not", 0x0000, 0x3300, 0x1000, "sprite mosaic"},
      {"a mosaic sprite with a mosaic size of 1", 0x0000, 0x0033, 0x1000, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScene s = Blank(0x1100);
    Io(s, 0x08, c.bg0cnt);
    Io(s, 0x4C, c.mosaic);
    SetSprite(s, 0, c.sprite0, 0, 0);
    const std::vector<std::string> left = RenderScene(s).leftOut;
    EXPECT_EQ(left.empty() ? "" : left[0], std::string(c.leftOut));
    EXPECT_LE(left.size(), 1u);
  }
}

TEST(GbaRender, LayerReadsNameTheMapTilesAndPalettesInUse) {
  TScene s = Blank(0x1140);
  Io(s, 0x08, 0x4804);  // chars 1, map block 8, 64x32
  SetWord(s, 0x4000, static_cast<std::uint16_t>(2 | (5 << 12)));
  SetWord(s, 0x4802, static_cast<std::uint16_t>(3 | (1 << 12)));
  SetSprite(s, 0, 0x4000, 0x4000, static_cast<std::uint16_t>(6 | (3 << 12)));  // 32x8 at 0, 0
  const std::vector<TLayerReads> reads = SceneLayerReads(s);
  ASSERT_EQ(reads.size(), 5u);
  const TLayerReads& bg0 = reads[0];
  EXPECT_TRUE(bg0.shown);
  ASSERT_EQ(bg0.map.size(), 1u);
  EXPECT_EQ(bg0.map[0].start, 0x4000u);
  EXPECT_EQ(bg0.map[0].length, 0x1000u);
  ASSERT_EQ(bg0.tiles.size(), 2u);  // tile 0 of the empty cells, then 2 and 3
  EXPECT_EQ(bg0.tiles[0].start, 0x4000u);
  EXPECT_EQ(bg0.tiles[0].length, 32u);
  EXPECT_EQ(bg0.tiles[1].start, 0x4040u);
  EXPECT_EQ(bg0.tiles[1].length, 64u);
  EXPECT_EQ(bg0.palettes, (std::vector<std::int32_t>{0, 16, 80}));
  EXPECT_FALSE(reads[1].shown);
  const TLayerReads& obj = reads[4];
  ASSERT_EQ(obj.tiles.size(), 1u);
  EXPECT_EQ(obj.tiles[0].start, 0x100C0u);
  EXPECT_EQ(obj.tiles[0].length, 128u);
  EXPECT_EQ(obj.palettes, (std::vector<std::int32_t>{304}));
}

}  // namespace
}  // namespace tegulo
