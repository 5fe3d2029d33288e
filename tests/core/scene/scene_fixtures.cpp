// Scenes and the states that hold them, each part placed where the format notes say.
#include "scene_fixtures.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "state_fixtures.h"

namespace tegulo::fixtures {
namespace {

void Le16(TBytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Be16(TBytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v);
}
void Le32(TBytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void AddLe32(TBytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Add(TBytes& b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }
void Add(TBytes& b, const TBytes& s) { b.insert(b.end(), s.begin(), s.end()); }

TBytes LeWords(const std::vector<std::uint16_t>& words) {
  TBytes b(2 * words.size());
  for (std::size_t i = 0; i < words.size(); ++i) Le16(b, 2 * i, words[i]);
  return b;
}

void SetWord(TScene& s, std::uint32_t at, std::uint16_t v) {
  s.vram[at] = static_cast<std::uint8_t>(v);
  s.vram[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

void SetSnesPixel(TScene& s, std::uint32_t tile, int bpp, int x, int y, int colour) {
  for (int k = 0; k < bpp / 2; ++k) {
    for (int half = 0; half < 2; ++half) {
      const std::uint32_t at =
          (tile + 16u * static_cast<std::uint32_t>(k) + 2u * static_cast<std::uint32_t>(y) +
           static_cast<std::uint32_t>(half)) &
          0xFFFF;
      const auto bit = static_cast<std::uint8_t>(0x80 >> x);
      if ((colour >> (2 * k + half)) & 1) {
        s.vram[at] |= bit;
      } else {
        s.vram[at] &= static_cast<std::uint8_t>(~bit);
      }
    }
  }
}

void SetGbaPixel(TScene& s, std::uint32_t tile, bool deep, int x, int y, int colour) {
  if (deep) {
    s.vram[tile + static_cast<std::uint32_t>(8 * y + x)] = static_cast<std::uint8_t>(colour);
    return;
  }
  std::uint8_t& b = s.vram[tile + static_cast<std::uint32_t>(4 * y + x / 2)];
  b = (x & 1) ? static_cast<std::uint8_t>((b & 0x0F) | (colour << 4))
              : static_cast<std::uint8_t>((b & 0xF0) | (colour & 15));
}

TScene SampleSnesScene() {
  TScene s;
  s.console = TConsole::Snes;
  s.vram.assign(kSnesVram, 0);
  s.palette.resize(256);
  for (std::size_t i = 0; i < 256; ++i)
    s.palette[i] = static_cast<std::uint16_t>((i * 0x0841 + 0x1234 * (i & 3)) & 0x7FFF);
  s.oam.assign(544, 0);
  TSnesRegs& r = s.snes;
  r.mode = 1;
  r.bg3Priority = true;
  r.mainLayers = 0x17;
  r.subLayers = 0x04;
  r.bg[0] = {0x1000, 0x0000, 0, false, 4, 0x3FF};
  r.bg[1] = {0x1800, 0x0000, 1, true, 0x3F0, 20};
  r.bg[2] = {0x2000, 0x3000, 3, false, 8, 8};
  r.bg[3] = {0x2400, 0x0000, 0, false, 0, 0};
  r.objBase = 0x8000;
  r.objTable1 = 0x2000;
  r.objSize = 1;
  r.m7hofs = 4;
  r.m7vofs = 0x3FF;
  // Tiles 1-4 of 4bpp at 0: stripes and checks in all 15 colours.
  for (int t = 1; t <= 4; ++t) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x)
        SetSnesPixel(s, 32u * static_cast<std::uint32_t>(t), 4, x, y, (x * t + y) % 16);
    }
  }
  // BG1's map: a diagonal pattern of the tiles in palettes 0-7 with flips.
  for (std::uint32_t i = 0; i < 0x400; ++i) {
    const std::uint32_t x = i % 32, y = i / 32;
    const std::uint16_t e =
        static_cast<std::uint16_t>(((x + y) % 5) | (((x ^ y) & 7) << 10) | ((x & 1) << 14) |
                                   ((y & 1) << 15) | ((x / 8 == 2) ? 0x2000 : 0));
    SetWord(s, 2u * (0x1000 + i), e);
  }
  // BG2: one 16x16 block of tiles 1, 2, 17, 18 in every fourth cell.
  for (std::uint32_t i = 0; i < 0x800; ++i) {
    SetWord(s, 2u * (0x1800 + i), static_cast<std::uint16_t>(i % 4 == 0 ? 0x0401 : 0));
  }
  // BG3 2bpp tiles at word 0x3000: tile 1 a frame.
  for (int k = 0; k < 8; ++k) {
    SetSnesPixel(s, 0x6000 + 16, 2, k, 0, 3);
    SetSnesPixel(s, 0x6000 + 16, 2, 0, k, 2);
  }
  for (std::uint32_t i = 0; i < 0x1000; ++i) {
    SetWord(s, 2u * (0x2000 + i),
            static_cast<std::uint16_t>((i % 7 == 0 ? 1 : 0) | ((i % 3) << 13) | (1u << 10)));
  }
  // Sprites at 0x8000: tile 0 of table 0 a filled square, 32x32 large ones.
  for (int t = 0; t < 4; ++t) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x)
        SetSnesPixel(s, 0x8000 + 32u * static_cast<std::uint32_t>(t), 4, x, y,
                     1 + (x + y + t) % 15);
    }
  }
  for (int k = 0; k < 128; ++k)
    s.oam[4 * static_cast<std::size_t>(k) + 1] = 0xF0;  // below the picture
  const std::uint8_t sprites[4][4] = {
      {40, 40, 0, 0x30}, {60, 48, 2, 0x72}, {200, 100, 0, 0x24}, {0xF8, 150, 1, 0x3C}};
  for (std::size_t k = 0; k < 4; ++k) {
    for (std::size_t i = 0; i < 4; ++i) s.oam[4 * k + i] = sprites[k][i];
  }
  s.oam[512] = 0x02 | 0x08 | 0xC0;  // sprite 0 large, 1 large, 3 X bit 8 and large
  return s;
}

TScene SampleGbaScene() {
  TScene s;
  s.console = TConsole::Gba;
  s.vram.assign(kGbaVram, 0);
  s.palette.resize(512);
  for (std::size_t i = 0; i < 512; ++i)
    s.palette[i] = static_cast<std::uint16_t>((i * 0x0C63 + 0x0421 * (i >> 8)) & 0x7FFF);
  s.oam.assign(1024, 0);
  auto io = [&](std::uint32_t address, std::uint16_t v) { s.gbaIo[address >> 1] = v; };
  io(0x00, 0x1340);  // mode 0, 1D sprites, BG0, BG1 and OBJ on
  io(0x08, 0x0801);  // BG0: priority 1, chars 0, map block 8, 4bpp 32x32
  io(0x0A, 0x4C84);  // BG1: priority 0, chars 1, map block 12, 8bpp 64x32
  io(0x10, 3);
  io(0x12, 500);
  io(0x14, 260);
  for (std::uint32_t t = 1; t <= 4; ++t) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        SetGbaPixel(s, 32 * t, false, x, y,
                    static_cast<int>(
                        (static_cast<std::uint32_t>(x) * t + static_cast<std::uint32_t>(y)) % 16));
        SetGbaPixel(s, 0x4000 + 64 * t, true, x, y,
                    (x == y || x == 7 - y) ? static_cast<int>(t * 40) : 0);
      }
    }
  }
  for (std::uint32_t i = 0; i < 0x400; ++i) {
    const std::uint32_t x = i % 32, y = i / 32;
    SetWord(s, 0x4000 + 2 * i,
            static_cast<std::uint16_t>(((x + y) % 5) | ((x & 1) << 10) | ((y & 1) << 11) |
                                       (((x ^ y) & 15) << 12)));
  }
  for (std::uint32_t i = 0; i < 0x800; ++i)
    SetWord(s, 0x6000 + 2 * i, static_cast<std::uint16_t>(i % 3 == 0 ? 1 + i % 4 : 0));
  for (std::uint32_t t = 0; t < 16; ++t) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x)
        SetGbaPixel(s, 0x10000 + 32 * t, false, x, y,
                    1 + static_cast<int>((static_cast<std::uint32_t>(x + y) + t) % 15));
    }
  }
  for (int k = 0; k < 128; ++k) s.oam[8 * static_cast<std::size_t>(k) + 1] = 0x02;  // hidden
  const std::uint16_t sprites[3][3] = {
      {0x0020, 0x4030, 0x1000}, {0x8050, 0x8060, 0x2004}, {0x4090, 0x30A0, 0x0008}};
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < 3; ++i) {
      s.oam[8 * k + 2 * i] = static_cast<std::uint8_t>(sprites[k][i]);
      s.oam[8 * k + 2 * i + 1] = static_cast<std::uint8_t>(sprites[k][i] >> 8);
    }
  }
  return s;
}

TBytes Snes9xSceneStream(const TScene& s, int version) {
  const TSnesRegs& r = s.snes;
  const std::size_t d = version >= 11 ? 0 : 1;  // one byte fewer before version 11
  TBytes ppu(2652 - 3 * d, 0);
  for (std::size_t n = 0; n < 4; ++n) {
    const TSnesBg& bg = r.bg[n];
    const std::size_t at = 14 + 11 * n;
    Be16(ppu, at, bg.mapWord);
    Be16(ppu, at + 2, bg.hofs | 0x400);  // write-latch leftovers above bit 9
    Be16(ppu, at + 4, bg.vofs);
    ppu[at + 6] = bg.bigTiles;
    Be16(ppu, at + 7, bg.tileWord);
    Be16(ppu, at + 9, bg.mapSize);
  }
  ppu[58] = r.mode;
  ppu[59] = r.bg3Priority;
  for (std::size_t i = 0; i < 256; ++i) Be16(ppu, 64 - d + 2 * i, s.palette[i]);
  Be16(ppu, 1987 - d, r.objBase);
  Be16(ppu, 1989 - d, r.objTable1 - 0x2000);
  ppu[1991 - d] = r.objSize;
  ppu[1996 - d] = r.firstSprite != 0;
  std::copy(s.oam.begin(), s.oam.end(), ppu.begin() + static_cast<std::ptrdiff_t>(2003 - d));
  ppu[2547 - d] = r.firstSprite;
  ppu[2570 - d] = r.m7hflip;
  ppu[2571 - d] = r.m7vflip;
  ppu[2572 - d] = r.m7repeat;
  const std::int16_t m7[8] = {r.m7a, r.m7b, r.m7c, r.m7d, r.m7x, r.m7y, r.m7hofs, r.m7vofs};
  for (std::size_t i = 0; i < 8; ++i)
    Be16(ppu, 2573 - d + 2 * i, static_cast<std::uint16_t>(m7[i]));
  ppu[2589 - d] = r.mosaic ? 4 : 1;
  ppu[2591 - d] = r.mosaic;
  ppu[2636 - d] = r.forcedBlank;
  ppu[2640 - d] = r.brightness;
  Be16(ppu, 2641 - d, r.overscan ? 239 : 224);
  TBytes fil(0x8000, 0);
  fil[0x212C] = r.mainLayers;
  fil[0x212D] = r.subLayers;
  fil[0x212E] = r.windows ? 1 : 0;
  fil[0x2130] = r.directColour;
  fil[0x2131] = r.colourMath ? 0x21 : 0;
  fil[0x2133] = static_cast<std::uint8_t>((r.overscan ? 4 : 0) | (r.extBg ? 0x40 : 0) |
                                          (r.pseudoHires ? 8 : 0) | (r.interlace ? 1 : 0));
  char header[16];
  std::snprintf(header, sizeof header, "#!s9xsnp:%04d\n", version);
  TBytes b;
  Add(b, header);
  auto block = [&](const char* name, const TBytes& data) {
    char h[16];
    std::snprintf(h, sizeof h, "%.3s:%06zu:", name, data.size());
    Add(b, std::string_view(h, 11));
    Add(b, data);
  };
  block("NAM", TBytes{'R', 'e', 'm', 'o', 'v', 'e', 'd', 0});
  block("CPU", TBytes(48, 1));
  block("REG", TBytes(16, 2));
  block("PPU", ppu);
  block("DMA", TBytes(152, 3));
  block("VRA", s.vram);
  block("RAM", TBytes(0x20000, 4));
  block("FIL", fil);
  block("SND", TBytes(100, 5));
  return b;
}

TBytes MesenSSceneState(const TScene& s) {
  const TSnesRegs& r = s.snes;
  TBytes g(143, 0);
  g[0] = r.forcedBlank;
  g[1] = r.brightness;
  g[12] = r.mode;
  g[13] = r.bg3Priority;
  g[14] = r.mainLayers;
  g[15] = r.subLayers;
  g[26] = r.mosaic ? 3 : 0;
  g[27] = r.mosaic ? 1 : 0;
  g[30] = r.objSize;
  Le16(g, 31, r.objBase / 2);
  Le16(g, 33, r.objTable1 / 2);
  Le16(g, 35, static_cast<std::uint32_t>(r.firstSprite) << 1);
  g[37] = r.firstSprite != 0;
  g[43] = r.pseudoHires;
  g[44] = r.interlace;
  g[46] = r.overscan;
  g[47] = r.directColour;
  g[57] = r.colourMath ? 0x21 : 0;
  Le16(g, 105, static_cast<std::uint16_t>(r.m7x));
  Le16(g, 107, static_cast<std::uint16_t>(r.m7y));
  g[109] = r.extBg;
  g[110] = r.m7repeat == 3;
  g[111] = r.m7hflip;
  Le16(g, 112, static_cast<std::uint16_t>(r.m7hofs));
  g[114] = r.m7repeat >= 2;
  Le16(g, 115, static_cast<std::uint16_t>(r.m7a));
  Le16(g, 117, static_cast<std::uint16_t>(r.m7b));
  Le16(g, 119, static_cast<std::uint16_t>(r.m7c));
  Le16(g, 121, static_cast<std::uint16_t>(r.m7d));
  g[124] = r.m7vflip;
  Le16(g, 125, static_cast<std::uint16_t>(r.m7vofs));
  TBytes ppu;
  AddLe32(ppu, static_cast<std::uint32_t>(g.size()));
  Add(ppu, g);
  for (const TSnesBg& bg : r.bg) {
    TBytes l(11, 0);
    Le16(l, 0, bg.tileWord);
    l[2] = (bg.mapSize & 2) != 0;
    l[3] = (bg.mapSize & 1) != 0;
    Le16(l, 4, bg.hofs);
    l[6] = bg.bigTiles;
    Le16(l, 7, bg.mapWord);
    Le16(l, 9, bg.vofs);
    AddLe32(ppu, 11);
    Add(ppu, l);
  }
  for (int w = 0; w < 2; ++w) {
    AddLe32(ppu, 14);
    Add(ppu, TBytes(14, 0));
  }
  AddLe32(ppu, 0x8000);
  Add(ppu, s.vram);
  AddLe32(ppu, 0x220);
  Add(ppu, s.oam);
  AddLe32(ppu, 0x100);
  Add(ppu, LeWords(s.palette));
  TBytes data;
  for (const TBytes& part : {TBytes(30, 1), TBytes(50, 2), ppu, TBytes(70, 3)}) {
    AddLe32(data, static_cast<std::uint32_t>(part.size()));
    Add(data, part);
  }
  TBytes b;
  Add(b, "MSS");
  AddLe32(b, 0x000400);
  AddLe32(b, 8);
  Add(b, TBytes(40, 'a'));
  b.push_back(0);
  AddLe32(b, 4);
  Add(b, "Game");
  const TBytes packed = Zlib(data);
  AddLe32(b, static_cast<std::uint32_t>(data.size()));
  AddLe32(b, static_cast<std::uint32_t>(packed.size()));
  Add(b, packed);
  return b;
}

TBytes Mesen2SceneState(const TScene& s) {
  const TSnesRegs& r = s.snes;
  TBytes data;
  auto rec = [&](const std::string& key, const TBytes& value) {
    Add(data, key);
    data.push_back(0);
    AddLe32(data, static_cast<std::uint32_t>(value.size()));
    Add(data, value);
  };
  auto u8 = [&](const std::string& key, std::uint32_t v) {
    rec(key, TBytes{static_cast<std::uint8_t>(v)});
  };
  auto u16 = [&](const std::string& key, std::uint32_t v) {
    rec(key, TBytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  };
  rec("cpu.a", TBytes(2, 1));
  rec("ppu.vram", s.vram);
  rec("ppu.oamRam", s.oam);
  rec("ppu.cgram", LeWords(s.palette));
  u8("ppu.forcedBlank", r.forcedBlank);
  u8("ppu.screenBrightness", r.brightness);
  u8("ppu.bgMode", r.mode);
  u8("ppu.mode1Bg3Priority", r.bg3Priority);
  u8("ppu.mainScreenLayers", r.mainLayers);
  u8("ppu.subScreenLayers", r.subLayers);
  u8("ppu.oamMode", r.objSize);
  u16("ppu.oamBaseAddress", r.objBase / 2);
  u16("ppu.oamAddressOffset", r.objTable1 / 2);
  u8("ppu.enableOamPriority", 0);
  u8("ppu.overscanMode", r.overscan);
  u8("ppu.extBgEnabled", r.extBg);
  u8("ppu.hiResMode", r.pseudoHires);
  u8("ppu.directColorMode", r.directColour);
  u8("ppu.colorMathEnabled", r.colourMath ? 0x21 : 0);
  for (std::size_t n = 0; n < 4; ++n) {
    const std::string at = "ppu.layers[" + std::to_string(n) + "].";
    const TSnesBg& bg = r.bg[n];
    u16(at + "tilemapAddress", bg.mapWord);
    u16(at + "chrAddress", bg.tileWord);
    u16(at + "hscroll", bg.hofs);
    u16(at + "vscroll", bg.vofs);
    u8(at + "doubleWidth", bg.mapSize & 1);
    u8(at + "doubleHeight", (bg.mapSize >> 1) & 1);
    u8(at + "largeTiles", bg.bigTiles);
  }
  u16("ppu.mode7.centerX", static_cast<std::uint16_t>(r.m7x));
  u16("ppu.mode7.centerY", static_cast<std::uint16_t>(r.m7y));
  u16("ppu.mode7.hscroll", static_cast<std::uint16_t>(r.m7hofs));
  u16("ppu.mode7.vscroll", static_cast<std::uint16_t>(r.m7vofs));
  const std::int16_t m[4] = {r.m7a, r.m7b, r.m7c, r.m7d};
  for (int i = 0; i < 4; ++i)
    u16("ppu.mode7.matrix[" + std::to_string(i) + "]", static_cast<std::uint16_t>(m[i]));
  u8("ppu.mode7.largeMap", r.m7repeat >= 2);
  u8("ppu.mode7.fillWithTile0", r.m7repeat == 3);
  u8("ppu.mode7.horizontalMirroring", r.m7hflip);
  u8("ppu.mode7.verticalMirroring", r.m7vflip);
  TBytes b;
  Add(b, "MSS");
  AddLe32(b, 0x020100);
  AddLe32(b, 4);
  AddLe32(b, 0);  // SNES
  for (int i = 0; i < 4; ++i) AddLe32(b, 0);
  const TBytes preview = Zlib(TBytes(16, 0));
  AddLe32(b, static_cast<std::uint32_t>(preview.size()));
  Add(b, preview);
  AddLe32(b, 4);
  Add(b, "Game");
  b.push_back(1);
  const TBytes packed = Zlib(data);
  AddLe32(b, static_cast<std::uint32_t>(data.size()));
  AddLe32(b, static_cast<std::uint32_t>(packed.size()));
  Add(b, packed);
  return b;
}

TBytes ZsnesSceneState(const TScene& s) {
  const TSnesRegs& r = s.snes;
  TBytes b(0x20C13 + 0x10000 + 0x1000, 0);
  const std::string_view sig = "ZSNES Save State File V143\x1A\x8F";
  std::copy(sig.begin(), sig.end(), b.begin());
  b[78] = r.brightness;
  b[80] = r.forcedBlank ? 0x80 : 0;
  Le32(b, 81, r.objBase);
  Le32(b, 85, r.objBase + r.objTable1);
  static constexpr std::uint8_t kSizes[6][2] = {{1, 4},  {1, 16}, {1, 64},
                                                {4, 16}, {4, 64}, {16, 64}};
  b[89] = kSizes[r.objSize % 6][0];
  b[90] = kSizes[r.objSize % 6][1];
  b[102] = r.mode;
  b[103] = r.bg3Priority;
  for (std::size_t n = 0; n < 4; ++n) {
    const TSnesBg& bg = r.bg[n];
    b[104] = static_cast<std::uint8_t>(b[104] | (bg.bigTiles << n));
    Le16(b, 107 + 2 * n, (2u * bg.mapWord) & 0xFFFF);
    b[139 + n] = bg.mapSize;
    Le16(b, 143 + 2 * n, (2u * bg.tileWord) & 0xFFFF);
    Le16(b, 151 + 2 * n, bg.hofs);
    Le16(b, 161 + 2 * n, bg.vofs);
  }
  b[105] = r.mosaic;
  b[106] = r.mosaic ? 3 : 0;
  Le16(b, 180, r.mainLayers | (r.subLayers << 8));
  Le16(b, 183, r.overscan ? 239 : 224);
  b[213] = static_cast<std::uint8_t>(r.m7hflip | (r.m7vflip << 1) | (r.m7repeat << 6));
  const std::int16_t m7[6] = {r.m7a, r.m7b, r.m7c, r.m7d, r.m7x, r.m7y};
  for (std::size_t i = 0; i < 6; ++i) Le16(b, 214 + 2 * i, static_cast<std::uint16_t>(m7[i]));
  std::copy(s.oam.begin(), s.oam.end(), b.begin() + 536);
  const TBytes cgram = LeWords(s.palette);
  std::copy(cgram.begin(), cgram.end(), b.begin() + 1560);
  std::copy(s.vram.begin(), s.vram.end(), b.begin() + 0x20C13);
  return b;
}

TBytes MgbaSceneBlock(const TScene& s) {
  TBytes b(0x61000, 0);
  Le32(b, 0, 0x01000007);
  for (std::size_t i = 0; i < s.gbaIo.size(); ++i) Le16(b, 0x400 + 2 * i, s.gbaIo[i]);
  const TBytes pal = LeWords(s.palette);
  std::copy(pal.begin(), pal.end(), b.begin() + 0x800);
  std::copy(s.oam.begin(), s.oam.end(), b.begin() + 0xC00);
  std::copy(s.vram.begin(), s.vram.end(), b.begin() + 0x1000);
  return b;
}

TBytes VbaSceneStream(const TScene& s, std::int32_t version) {
  const std::size_t palette = version <= 2    ? 0x81D7
                              : version == 3  ? 0x81DB
                              : version <= 10 ? 0x81DF
                                              : 0x81FF;
  const std::size_t vram = palette + 0x400 + 0x40000, oam = vram + 0x20000;
  const std::size_t io = oam + 0x400 + (version >= 6 ? 0x26208 : 0x25800);
  TBytes b(io + 0x400 + 0x1000, 0);
  Le32(b, 0, static_cast<std::uint32_t>(version));
  const std::string_view title("SCENE TEST\0\0TEST", 16);
  std::copy(title.begin(), title.end(), b.begin() + 4);
  const TBytes pal = LeWords(s.palette);
  std::copy(pal.begin(), pal.end(), b.begin() + static_cast<std::ptrdiff_t>(palette));
  std::copy(s.vram.begin(), s.vram.end(), b.begin() + static_cast<std::ptrdiff_t>(vram));
  std::copy(s.oam.begin(), s.oam.end(), b.begin() + static_cast<std::ptrdiff_t>(oam));
  for (std::size_t i = 0; i < s.gbaIo.size(); ++i) Le16(b, io + 2 * i, s.gbaIo[i]);
  return b;
}

}  // namespace tegulo::fixtures
