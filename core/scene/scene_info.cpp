// What the renderers share: the console's choice, layer names, the point under a pixel and
// its words, and the video memory each layer reads.
#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstdio>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "scene/scene_render.h"

namespace tegulo {
namespace {

void CheckParts(const TScene& s) {
  const bool snes = s.console == TConsole::Snes;
  if (s.vram.size() != (snes ? kSnesVram : kGbaVram) || s.palette.size() != (snes ? 256u : 512u) ||
      s.oam.size() != (snes ? 544u : 1024u)) {
    throw TError("the scene's video memory, palette memory or sprite table has the wrong size");
  }
}

// Adds [start, start + length) of a video memory of `size` bytes (wrapping at its end).
void AddRange(std::vector<TVideoRange>& out, std::uint32_t start, std::uint32_t length,
              std::uint32_t size) {
  start %= size;
  if (start + length > size) {
    out.push_back({start, size - start});
    out.push_back({0, start + length - size});
  } else {
    out.push_back({start, length});
  }
}

// Sorts and joins touching ranges.
std::vector<TVideoRange> Merged(std::vector<TVideoRange> in) {
  std::sort(in.begin(), in.end(),
            [](const TVideoRange& a, const TVideoRange& b) { return a.start < b.start; });
  std::vector<TVideoRange> out;
  for (const TVideoRange& r : in) {
    if (!out.empty() && r.start <= out.back().start + out.back().length) {
      out.back().length = std::max(out.back().length, r.start + r.length - out.back().start);
    } else {
      out.push_back(r);
    }
  }
  return out;
}

constexpr std::uint8_t kSnesDepth[8][4] = {{2, 2, 2, 2}, {4, 4, 2, 0}, {4, 4, 0, 0}, {8, 4, 0, 0},
                                           {8, 2, 0, 0}, {4, 2, 0, 0}, {4, 0, 0, 0}, {8, 0, 0, 0}};

TLayerReads SnesBgReads(const TScene& s, int n) {
  const TSnesRegs& r = s.snes;
  TLayerReads out;
  out.layer = n;
  out.bitsPerPixel = r.mode == 7 ? (n == 0 ? 8 : 0) : kSnesDepth[r.mode][n];
  out.shown = out.bitsPerPixel > 0 && ((r.mainLayers >> n) & 1);
  if (out.bitsPerPixel == 0) return out;
  if (r.mode == 7) {
    // The map in the even bytes and the tiles in the odd bytes of the first 32 KiB.
    out.map.push_back({0, 0x8000});
    out.tiles.push_back({0, 0x8000});
    return out;
  }
  const TSnesBg& bg = r.bg[static_cast<std::size_t>(n)];
  static constexpr std::uint32_t kScreens[4] = {1, 2, 2, 4};
  const std::uint32_t screens = kScreens[bg.mapSize];
  std::bitset<1024> tiles;
  std::bitset<8> palettes;
  for (std::uint32_t i = 0; i < screens * 0x400; ++i) {
    const std::uint32_t at = (2u * (bg.mapWord + i)) & 0xFFFF;
    const std::uint16_t e = static_cast<std::uint16_t>(s.vram[at] | (s.vram[at + 1] << 8));
    const std::uint32_t t = e & 0x3FF;
    tiles.set(t);
    if (bg.bigTiles || r.mode == 5 || r.mode == 6) tiles.set((t + 1) & 0x3FF);
    if (bg.bigTiles) {
      tiles.set((t + 16) & 0x3FF);
      tiles.set((t + 17) & 0x3FF);
    }
    palettes.set((e >> 10) & 7);
  }
  AddRange(out.map, 2u * bg.mapWord, screens * 0x800, 0x10000);
  const std::uint32_t tileBytes = 8u * static_cast<std::uint32_t>(out.bitsPerPixel);
  for (std::uint32_t t = 0; t < 1024; ++t) {
    if (tiles[t]) AddRange(out.tiles, 2u * bg.tileWord + t * tileBytes, tileBytes, 0x10000);
  }
  out.tiles = Merged(out.tiles);
  if (out.bitsPerPixel < 8) {
    for (int p = 0; p < 8; ++p) {
      if (palettes[static_cast<std::size_t>(p)]) {
        out.palettes.push_back(r.mode == 0 ? 32 * n + 4 * p : p << out.bitsPerPixel);
      }
    }
  }
  return out;
}

constexpr std::uint8_t kSnesObj[8][2][2] = {
    {{8, 8}, {16, 16}},   {{8, 8}, {32, 32}},   {{8, 8}, {64, 64}},   {{16, 16}, {32, 32}},
    {{16, 16}, {64, 64}}, {{32, 32}, {64, 64}}, {{16, 32}, {32, 64}}, {{16, 32}, {32, 32}}};

TLayerReads SnesObjReads(const TScene& s) {
  const TSnesRegs& r = s.snes;
  TLayerReads out;
  out.layer = kSceneObj;
  out.bitsPerPixel = 4;
  out.shown = (r.mainLayers >> 4) & 1;
  const std::int32_t height = r.overscan ? 239 : 224;
  std::bitset<8> palettes;
  for (int k = 0; k < 128; ++k) {
    const std::uint8_t* o = s.oam.data() + 4 * k;
    const std::uint8_t high = static_cast<std::uint8_t>(s.oam[512 + (k >> 2)] >> (2 * (k & 3)));
    std::int32_t x = o[0] | ((high & 1) << 8);
    if (x >= 256) x -= 512;
    const auto size = kSnesObj[r.objSize][(high >> 1) & 1];
    const std::int32_t w = size[0], h = size[1];
    if (x == -256 || x + w <= 0) continue;
    // On screen when a row lands on an output line.
    bool visible = false;
    for (std::int32_t row = 0; row < h && !visible; ++row) visible = ((o[1] + row) & 0xFF) < height;
    if (!visible) continue;
    const std::uint32_t n = o[2] | ((o[3] & 1u) << 8);
    for (std::int32_t tr = 0; tr < h / 8; ++tr) {
      for (std::int32_t tc = 0; tc < w / 8; ++tc) {
        const std::uint32_t t = (n & 0x100) |
                                (((n & 0xF0) + 16u * static_cast<std::uint32_t>(tr)) & 0xF0) |
                                ((n + static_cast<std::uint32_t>(tc)) & 0x0F);
        AddRange(out.tiles, r.objBase + ((t & 0x100) ? r.objTable1 : 0u) + (t & 0xFF) * 32u, 32,
                 0x10000);
      }
    }
    palettes.set((o[3] >> 1) & 7);
  }
  out.tiles = Merged(out.tiles);
  for (int p = 0; p < 8; ++p) {
    if (palettes[static_cast<std::size_t>(p)]) out.palettes.push_back(128 + 16 * p);
  }
  return out;
}

std::uint16_t GbaIo(const TScene& s, std::uint32_t address) { return s.gbaIo[address >> 1]; }

// The bitmap page of modes 3 to 5.
TVideoRange GbaBitmap(std::uint16_t dispcnt) {
  const int mode = dispcnt & 7;
  const std::uint32_t page = mode != 3 && (dispcnt & 0x10) ? 0xA000u : 0u;
  if (mode == 3) return {0, 240u * 160u * 2u};
  return {page, mode == 4 ? 240u * 160u : 160u * 128u * 2u};
}

// The map bytes of a text or affine BG (within the BG part of VRAM), and the tiles and
// palette banks its entries name.
std::uint32_t WalkGbaMap(const TScene& s, std::uint16_t cnt, bool text, std::bitset<1024>& tiles,
                         std::bitset<16>& palettes) {
  const std::uint32_t mapBase = ((cnt >> 8) & 31u) * 0x800u;
  static constexpr std::uint32_t kBlocks[4] = {1, 2, 2, 4};
  const std::uint32_t side = 16u << (cnt >> 14);
  const std::uint32_t mapBytes = text ? kBlocks[cnt >> 14] * 0x800u : side * side;
  const std::uint32_t end = std::min(mapBase + mapBytes, 0x10000u);
  for (std::uint32_t at = mapBase; at < end; at += text ? 2 : 1) {
    if (!text) {
      tiles.set(s.vram[at]);
      continue;
    }
    const std::uint16_t e = static_cast<std::uint16_t>(s.vram[at] | (s.vram[at + 1] << 8));
    tiles.set(e & 0x3FF);
    palettes.set(e >> 12);
  }
  return end > mapBase ? end - mapBase : 0;
}

TLayerReads GbaBgReads(const TScene& s, int n) {
  TLayerReads out;
  out.layer = n;
  const std::uint16_t dispcnt = GbaIo(s, 0);
  const int mode = dispcnt & 7;
  const std::uint16_t cnt = GbaIo(s, 0x08 + 2u * static_cast<std::uint32_t>(n));
  const bool text = mode == 0 || (mode == 1 && n < 2);
  const bool affine = (mode == 1 && n == 2) || (mode == 2 && n >= 2);
  const bool bitmap = mode >= 3 && mode <= 5 && n == 2;
  if (!text && !affine && !bitmap) return out;
  out.shown = (dispcnt >> (8 + n)) & 1;
  if (bitmap) {
    out.bitsPerPixel = mode == 4 ? 8 : 16;
    out.tiles.push_back(GbaBitmap(dispcnt));
    return out;
  }
  std::bitset<1024> tiles;
  std::bitset<16> palettes;
  const bool deep = affine || (cnt & 0x80);
  out.bitsPerPixel = deep ? 8 : 4;
  const std::uint32_t mapBase = ((cnt >> 8) & 31u) * 0x800u;
  out.map.push_back({mapBase, WalkGbaMap(s, cnt, text, tiles, palettes)});
  const std::uint32_t charBase = ((cnt >> 2) & 3u) * 0x4000u;
  const std::uint32_t tileBytes = deep ? 64 : 32;
  for (std::uint32_t t = 0; t < 1024; ++t) {
    const std::uint32_t at = charBase + t * tileBytes;
    if (tiles[t] && at < 0x10000) out.tiles.push_back({at, std::min(tileBytes, 0x10000 - at)});
  }
  out.tiles = Merged(out.tiles);
  for (int p = 0; p < 16 && !deep; ++p) {
    if (palettes[static_cast<std::size_t>(p)]) out.palettes.push_back(16 * p);
  }
  return out;
}

constexpr std::uint8_t kGbaObj[3][4][2] = {{{8, 8}, {16, 16}, {32, 32}, {64, 64}},
                                           {{16, 8}, {32, 8}, {32, 16}, {64, 32}},
                                           {{8, 16}, {8, 32}, {16, 32}, {32, 64}}};

// Whether any pixel of a sprite's box of boxW x boxH lands on the screen.
bool GbaSpriteOnScreen(std::uint16_t a0, std::uint16_t a1, std::int32_t boxW, std::int32_t boxH) {
  std::int32_t x = a1 & 0x1FF;
  if (x >= 256) x -= 512;
  if (x >= 240 || x + boxW <= 0) return false;
  for (std::int32_t row = 0; row < boxH; ++row) {
    if ((((a0 & 0xFF) + row) & 0xFF) < 160) return true;
  }
  return false;
}

// The 8x8 cells of a w x h sprite, as the mapping places them.
void AddGbaSpriteCells(std::vector<TVideoRange>& tiles, std::uint16_t dispcnt, std::uint16_t a0,
                       std::uint16_t a2, std::uint32_t w, std::uint32_t h) {
  const bool deep = (a0 & 0x2000) != 0;
  const std::uint32_t d = deep ? 2 : 1;
  const std::uint32_t t = a2 & 0x3FF;
  for (std::uint32_t r = 0; r < h / 8; ++r) {
    const std::uint32_t rowBase = (deep ? t & ~1u : t) + 32u * r;
    for (std::uint32_t c = 0; c < w / 8; ++c) {
      const std::uint32_t cell = (dispcnt & 0x40) ? t + (r * (w / 8) + c) * d
                                                  : (rowBase & ~31u) | ((rowBase + c * d) & 31u);
      AddRange(tiles, 0x10000 + ((cell * 32u) & 0x7FFF), 32 * d, 0x18000);
    }
  }
}

TLayerReads GbaObjReads(const TScene& s) {
  TLayerReads out;
  out.layer = kSceneObj;
  const std::uint16_t dispcnt = GbaIo(s, 0);
  out.shown = (dispcnt >> 12) & 1;
  out.bitsPerPixel = 4;
  std::bitset<16> palettes;
  for (int k = 0; k < 128; ++k) {
    const std::uint8_t* p = s.oam.data() + 8 * k;
    const auto a0 = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    const auto a1 = static_cast<std::uint16_t>(p[2] | (p[3] << 8));
    const auto a2 = static_cast<std::uint16_t>(p[4] | (p[5] << 8));
    const bool affine = (a0 & 0x100) != 0;
    const bool off = (!affine && (a0 & 0x200)) || (a0 >> 14) == 3 || ((a0 >> 10) & 3) >= 2 ||
                     ((dispcnt & 7) >= 3 && (a2 & 0x3FF) < 512);
    if (off) continue;
    const std::uint32_t w = kGbaObj[a0 >> 14][a1 >> 14][0], h = kGbaObj[a0 >> 14][a1 >> 14][1];
    const std::uint32_t scale = affine && (a0 & 0x200) ? 2 : 1;
    if (!GbaSpriteOnScreen(a0, a1, static_cast<std::int32_t>(scale * w),
                           static_cast<std::int32_t>(scale * h))) {
      continue;
    }
    AddGbaSpriteCells(out.tiles, dispcnt, a0, a2, w, h);
    if (!(a0 & 0x2000)) palettes.set(a2 >> 12);
  }
  out.tiles = Merged(out.tiles);
  for (int q = 0; q < 16; ++q) {
    if (palettes[static_cast<std::size_t>(q)]) out.palettes.push_back(256 + 16 * q);
  }
  return out;
}

}  // namespace

std::string SceneLayerName(TConsole console, int layer) {
  if (layer >= 0 && layer < 4) {
    return "BG" + std::to_string(console == TConsole::Snes ? layer + 1 : layer);
  }
  return layer == kSceneObj ? "OBJ" : "backdrop";
}

namespace {
constexpr const char* kLayerWords[5] = {"bg1", "bg2", "bg3", "bg4", "obj"};
}  // namespace

unsigned SceneLayersFromText(const std::string& text) {
  unsigned layers = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(',', start), text.size());
    std::string word = text.substr(start, end - start);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto* found = std::find(std::begin(kLayerWords), std::end(kLayerWords), word);
    if (found == std::end(kLayerWords)) {
      if (word.empty() && text.find_first_not_of(',') == std::string::npos) {
        throw TError("No layer named (bg1, bg2, bg3, bg4 or obj)");
      }
      throw TError("Unknown layer \"" + word + "\" (bg1, bg2, bg3, bg4 or obj)");
    }
    layers |= 1u << (found - std::begin(kLayerWords));
    start = end + 1;
  }
  return layers;
}

std::string SceneLayersText(unsigned layers) {
  std::string text;
  for (int n = 0; n < 5; ++n) {
    if (!((layers >> n) & 1)) continue;
    if (!text.empty()) text += ',';
    text += kLayerWords[n];
  }
  return text;
}

TSceneImage RenderScene(const TScene& scene, unsigned layers) {
  CheckParts(scene);
  return scene.console == TConsole::Snes ? RenderSnesScene(scene, layers)
                                         : RenderGbaScene(scene, layers);
}

TScenePoint SceneAt(const TScene& scene, const TSceneImage& image, std::int32_t x, std::int32_t y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return {};
  const int layer =
      image.layer[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                  static_cast<std::size_t>(x)];
  if (layer == kSceneBackdrop) return {};
  CheckParts(scene);
  return scene.console == TConsole::Snes ? SnesSceneAt(scene, layer, x, y)
                                         : GbaSceneAt(scene, layer, x, y);
}

std::string ScenePointText(const TScene& scene, const TScenePoint& p) {
  std::string t = SceneLayerName(scene.console, p.layer);
  if (p.layer == kSceneBackdrop) return t;
  if (p.sprite >= 0) t += " " + std::to_string(p.sprite);
  if (p.hasCell) {
    t += " cell " + std::to_string(p.cellX) + "," + std::to_string(p.cellY) + " (map $" +
         HexDigits(p.mapAddress, 4) + ")";
  }
  if (p.tile >= 0) t += " tile 0x" + HexDigits(static_cast<std::uint32_t>(p.tile), 3);
  if (p.palette >= 0) t += " palette " + std::to_string(p.palette);
  if (p.hflip) t += " h-flip";
  if (p.vflip) t += " v-flip";
  t += (p.tile >= 0 ? ", tile at VRAM $" : ", pixel at VRAM $") + HexDigits(p.address, 4);
  return t;
}

std::vector<TLayerReads> SceneLayerReads(const TScene& scene) {
  CheckParts(scene);
  std::vector<TLayerReads> out;
  out.reserve(5);
  for (int n = 0; n < 4; ++n) {
    out.push_back(scene.console == TConsole::Snes ? SnesBgReads(scene, n) : GbaBgReads(scene, n));
  }
  out.push_back(scene.console == TConsole::Snes ? SnesObjReads(scene) : GbaObjReads(scene));
  return out;
}

}  // namespace tegulo
