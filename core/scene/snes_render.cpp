// The SNES renderer: each layer drawn into its own row of colours and priorities, then the
// layers put together in the mode's priority order. Output row y is scanline y + 1.
#include <algorithm>
#include <array>

#include "scene/scene_render.h"

namespace tegulo {
namespace {

constexpr std::uint16_t kClear = 0xFFFF;
constexpr std::uint16_t kDirect = 0x8000;  // a direct colour word, not a CGRAM index

// Bits per pixel of BG1..BG4 in each mode; 0 = no such layer.
constexpr std::uint8_t kDepth[8][4] = {{2, 2, 2, 2}, {4, 4, 2, 0}, {4, 4, 0, 0}, {8, 4, 0, 0},
                                       {8, 2, 0, 0}, {4, 2, 0, 0}, {4, 0, 0, 0}, {8, 0, 0, 0}};

// OBSEL's small and large sprite sizes, width and height.
constexpr std::uint8_t kObjSizes[8][2][2] = {
    {{8, 8}, {16, 16}},   {{8, 8}, {32, 32}},   {{8, 8}, {64, 64}},   {{16, 16}, {32, 32}},
    {{16, 16}, {64, 64}}, {{32, 32}, {64, 64}}, {{16, 32}, {32, 64}}, {{16, 32}, {32, 32}}};

bool HiresMode(const TSnesRegs& r) { return r.mode == 5 || r.mode == 6; }

std::int32_t Width(const TSnesRegs& r) { return HiresMode(r) || r.pseudoHires ? 512 : 256; }
std::int32_t Height(const TSnesRegs& r) { return r.overscan ? 239 : 224; }

std::uint16_t Word(const std::vector<std::uint8_t>& vram, std::uint32_t byte) {
  return static_cast<std::uint16_t>(vram[byte & 0xFFFE] | (vram[(byte & 0xFFFE) + 1] << 8));
}

// Colour c of a planar tile row: `bpp` bits from the planes at `row` (bytes 16k + 2y, +1).
std::uint8_t PlanarPixel(const std::vector<std::uint8_t>& vram, std::uint32_t row, int bpp,
                         int column) {
  const int bit = 7 - column;
  std::uint8_t c = 0;
  for (int k = 0; k < bpp / 2; ++k) {
    const std::uint32_t at = row + 16u * static_cast<std::uint32_t>(k);
    c |= static_cast<std::uint8_t>(((vram[at & 0xFFFF] >> bit) & 1) << (2 * k));
    c |= static_cast<std::uint8_t>(((vram[(at + 1) & 0xFFFF] >> bit) & 1) << (2 * k + 1));
  }
  return c;
}

// The direct colour word of 8bpp pixel c with palette bits p (BBGGGRRR + bgr).
std::uint16_t DirectColour(std::uint8_t c, int p) {
  const int r = ((c & 7) << 2) | ((p & 1) << 1);
  const int g = (((c >> 3) & 7) << 2) | (p & 2);
  const int b = (((c >> 6) & 3) << 3) | (p & 4);
  return static_cast<std::uint16_t>(kDirect | r | (g << 5) | (b << 10));
}

struct TPixel {
  std::uint16_t colour = kClear;
  std::uint8_t prio = 0;
};

// BG `n`'s pixel at output (x, y); x counts 512 columns in modes 5 and 6.
TPixel BgPixel(const TScene& s, int n, std::int32_t x, std::int32_t y, TScenePoint* info) {
  const TSnesRegs& r = s.snes;
  const TSnesBg& bg = r.bg[static_cast<std::size_t>(n)];
  const int bpp = kDepth[r.mode][n];
  const bool hires = HiresMode(r);
  const std::int32_t tileW = bg.bigTiles || hires ? 16 : 8;
  const std::int32_t tileH = bg.bigTiles ? 16 : 8;
  const std::int32_t mapW = ((bg.mapSize & 1) ? 64 : 32) * tileW;
  const std::int32_t mapH = ((bg.mapSize & 2) ? 64 : 32) * tileH;
  const std::int32_t mx = ((hires ? 2 * bg.hofs : bg.hofs) + x) % mapW;
  const std::int32_t my = (bg.vofs + y + 1) % mapH;
  const std::int32_t cx = mx / tileW, cy = my / tileH;
  std::int32_t screen = 0;
  if (bg.mapSize == 1) screen = cx / 32;
  if (bg.mapSize == 2) screen = cy / 32;
  if (bg.mapSize == 3) screen = cx / 32 + 2 * (cy / 32);
  const std::uint32_t mapAt =
      (2u * (bg.mapWord + 0x400u * static_cast<std::uint32_t>(screen) +
             32u * static_cast<std::uint32_t>(cy % 32) + static_cast<std::uint32_t>(cx % 32))) &
      0xFFFF;
  const std::uint16_t entry = Word(s.vram, mapAt);
  const bool hf = (entry & 0x4000) != 0, vf = (entry & 0x8000) != 0;
  std::int32_t px = mx % tileW, py = my % tileH;
  if (hf) px = tileW - 1 - px;
  if (vf) py = tileH - 1 - py;
  const std::uint32_t tile = (entry + (px >= 8 ? 1u : 0u) + (py >= 8 ? 16u : 0u)) & 0x3FF;
  const std::uint32_t tileAt =
      (2u * bg.tileWord + tile * 8u * static_cast<std::uint32_t>(bpp)) & 0xFFFF;
  const int pal = (entry >> 10) & 7;
  if (info != nullptr) {
    info->hasCell = true;
    info->cellX = cx;
    info->cellY = cy;
    info->mapAddress = mapAt;
    info->tile = static_cast<std::int32_t>(entry & 0x3FF);
    info->palette = bpp == 8 ? -1 : pal;
    info->hflip = hf;
    info->vflip = vf;
    info->address = tileAt;
  }
  const std::uint8_t c =
      PlanarPixel(s.vram, tileAt + 2u * static_cast<std::uint32_t>(py & 7), bpp, px & 7);
  TPixel out;
  out.prio = static_cast<std::uint8_t>((entry >> 13) & 1);
  if (c == 0) return out;
  if (bpp == 8) {
    out.colour = r.directColour ? DirectColour(c, pal) : c;
  } else if (r.mode == 0) {
    out.colour = static_cast<std::uint16_t>(32 * n + 4 * pal + c);
  } else {
    out.colour = static_cast<std::uint16_t>((pal << bpp) + c);
  }
  return out;
}

std::int32_t Signed13(std::int32_t v) { return ((v & 0x1FFF) ^ 0x1000) - 0x1000; }
std::int32_t Clip10(std::int32_t a) { return (a & 0x2000) ? (a | ~0x3FF) : (a & 0x3FF); }

// Mode 7's pixel at output (x, y).
TPixel Mode7Pixel(const TScene& s, std::int32_t x, std::int32_t y, TScenePoint* info) {
  const TSnesRegs& r = s.snes;
  const std::int32_t sy = r.m7vflip ? 255 - (y + 1) : y + 1;
  const std::int32_t sx = r.m7hflip ? 255 - x : x;
  const std::int32_t x0 = Signed13(r.m7x), y0 = Signed13(r.m7y);
  const std::int32_t dx = Clip10(Signed13(r.m7hofs) - x0);
  const std::int32_t dy = Clip10(Signed13(r.m7vofs) - y0);
  const std::int32_t a = r.m7a, b = r.m7b, c = r.m7c, d = r.m7d;
  std::int32_t X =
      (a * sx + ((a * dx) & ~63) + ((b * sy) & ~63) + ((b * dy) & ~63) + 256 * x0) >> 8;
  std::int32_t Y =
      (c * sx + ((c * dx) & ~63) + ((d * sy) & ~63) + ((d * dy) & ~63) + 256 * y0) >> 8;
  const bool outside = X < 0 || X > 1023 || Y < 0 || Y > 1023;
  TPixel out;
  if (outside && r.m7repeat == 2) return out;
  std::uint32_t mapAt = 0;
  std::uint8_t tile = 0;
  if (outside && r.m7repeat == 3) {
    X &= 7;
    Y &= 7;
  } else {
    X &= 0x3FF;
    Y &= 0x3FF;
    mapAt = 2u * static_cast<std::uint32_t>(128 * (Y >> 3) + (X >> 3));
    tile = s.vram[mapAt];
  }
  const std::uint32_t tileAt = 2u * (64u * tile) + 1u;
  if (info != nullptr) {
    info->hasCell = !(outside && r.m7repeat == 3);
    info->cellX = X >> 3;
    info->cellY = Y >> 3;
    info->mapAddress = mapAt;
    info->tile = tile;
    info->address = tileAt;
  }
  const std::uint8_t p =
      s.vram[(tileAt + 2u * static_cast<std::uint32_t>(8 * (Y & 7) + (X & 7))) & 0xFFFF];
  if (p != 0) out.colour = r.directColour ? DirectColour(p, 0) : p;
  return out;
}

// Sprite k's pixel at output (x, y) in 256 columns, or clear.
TPixel SpritePixel(const TScene& s, int k, std::int32_t x, std::int32_t y, TScenePoint* info) {
  const TSnesRegs& r = s.snes;
  const std::uint8_t* o = s.oam.data() + 4 * k;
  const std::uint8_t high = static_cast<std::uint8_t>(s.oam[512 + (k >> 2)] >> (2 * (k & 3)));
  std::int32_t sx = o[0] | ((high & 1) << 8);
  if (sx >= 256) sx -= 512;
  TPixel out;
  if (sx == -256) return out;
  const auto size = kObjSizes[r.objSize][high >> 1 & 1];
  const std::int32_t w = size[0], h = size[1];
  const std::int32_t row = (y - o[1]) & 0xFF;
  const std::int32_t col = x - sx;
  if (row >= h || col < 0 || col >= w) return out;
  const std::uint8_t attr = o[3];
  const bool hf = (attr & 0x40) != 0, vf = (attr & 0x80) != 0;
  const std::int32_t rr = vf ? (row ^ (w - 1)) : row;
  const std::int32_t cc = hf ? w - 1 - col : col;
  const std::uint32_t n = o[2] | ((attr & 1u) << 8);
  const std::uint32_t tile = (n & 0x100) |
                             (((n & 0xF0) + 16u * static_cast<std::uint32_t>(rr >> 3)) & 0xF0) |
                             ((n + static_cast<std::uint32_t>(cc >> 3)) & 0x0F);
  const std::uint32_t tileAt =
      (r.objBase + ((tile & 0x100) ? r.objTable1 : 0u) + (tile & 0xFF) * 32u) & 0xFFFF;
  const int pal = (attr >> 1) & 7;
  if (info != nullptr) {
    info->sprite = k;
    info->tile = static_cast<std::int32_t>(n);
    info->palette = pal;
    info->hflip = hf;
    info->vflip = vf;
    info->address = tileAt;
  }
  const std::uint8_t c =
      PlanarPixel(s.vram, tileAt + 2u * static_cast<std::uint32_t>(rr & 7), 4, cc & 7);
  if (c == 0) return out;
  out.colour = static_cast<std::uint16_t>(128 + 16 * pal + c);
  out.prio = static_cast<std::uint8_t>((attr >> 4) & 3);
  return out;
}

// The depth of each layer's priorities in the mode, higher in front; 0 = never shown.
using TRanks = std::array<std::array<std::uint8_t, 4>, 5>;
TRanks Ranks(const TSnesRegs& r) {
  struct TSlot {
    std::uint8_t layer, prio;
  };
  std::vector<TSlot> order;  // front to back
  constexpr std::uint8_t O = 4;
  if (r.mode == 0) {
    order = {{O, 3}, {0, 1}, {1, 1}, {O, 2}, {0, 0}, {1, 0},
             {O, 1}, {2, 1}, {3, 1}, {O, 0}, {2, 0}, {3, 0}};
  } else if (r.mode == 1) {
    if (r.bg3Priority) order.push_back({2, 1});
    for (const TSlot t : {TSlot{O, 3}, {0, 1}, {1, 1}, {O, 2}, {0, 0}, {1, 0}, {O, 1}})
      order.push_back(t);
    if (!r.bg3Priority) order.push_back({2, 1});
    order.push_back({O, 0});
    order.push_back({2, 0});
  } else if (r.mode == 7) {
    order = {{O, 3}, {O, 2}, {O, 1}, {0, 1}, {0, 0}, {O, 0}};
  } else {
    order = {{O, 3}, {0, 1}, {O, 2}, {1, 1}, {O, 1}, {0, 0}, {O, 0}, {1, 0}};
  }
  TRanks ranks{};
  std::uint8_t rank = static_cast<std::uint8_t>(order.size());
  for (const TSlot& t : order) ranks[t.layer][t.prio] = rank--;
  return ranks;
}

std::uint16_t Scaled(std::uint16_t word, int brightness) {
  if (brightness >= 15) return word;
  std::uint16_t out = 0;
  for (int shift = 0; shift < 15; shift += 5) {
    const int c = (word >> shift) & 31;
    out = static_cast<std::uint16_t>(out | ((c * (brightness + 1) / 16) << shift));
  }
  return out;
}

void NoteLeftOut(const TSnesRegs& r, unsigned drawn, std::vector<std::string>& notes) {
  if (r.colourMath) notes.emplace_back("colour math");
  if (r.windows) notes.emplace_back("windows");
  if (r.mosaic) notes.emplace_back("mosaic");
  if (r.mode == 2 || r.mode == 4 || r.mode == 6) notes.emplace_back("offset-per-tile");
  if (r.mode == 7 && r.extBg && (drawn & 2)) notes.emplace_back("mode 7 EXTBG");
  // Hi-res shows the sub screen in the even columns: the same picture when it holds the
  // same layers as the main screen.
  if ((HiresMode(r) || r.pseudoHires) && r.subLayers != r.mainLayers) {
    notes.emplace_back("separate sub screen of hi-res");
  }
  if (r.interlace) notes.emplace_back("interlace");
  if (r.brightness < 15)
    notes.emplace_back("exact brightness (scaled by " + std::to_string(r.brightness + 1) + "/16)");
}

}  // namespace

TSceneImage RenderSnesScene(const TScene& s, unsigned layers) {
  const TSnesRegs& r = s.snes;
  TSceneImage img;
  img.width = Width(r);
  img.height = Height(r);
  const std::size_t n = static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height);
  img.pixels.assign(n, 0);
  img.layer.assign(n, kSceneBackdrop);
  if (r.forcedBlank) return img;
  const unsigned drawn = layers & r.mainLayers;
  NoteLeftOut(r, drawn, img.leftOut);
  const bool wide = img.width == 512;
  const bool hires = HiresMode(r);
  std::vector<std::uint16_t> best(n, kClear);
  std::vector<std::uint8_t> bestRank(n, 0);
  const TRanks ranks = Ranks(r);
  auto put = [&](std::size_t at, int layer, TPixel p) {
    if (p.colour == kClear) return;
    const std::uint8_t rank = ranks[static_cast<std::size_t>(layer)][p.prio];
    if (rank > bestRank[at]) {
      bestRank[at] = rank;
      best[at] = p.colour;
      img.layer[at] = static_cast<std::uint8_t>(layer);
    }
  };
  for (int bg = 0; bg < 4; ++bg) {
    if (!((drawn >> bg) & 1) || kDepth[r.mode][bg] == 0) continue;
    for (std::int32_t y = 0; y < img.height; ++y) {
      for (std::int32_t x = 0; x < img.width; ++x) {
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                               static_cast<std::size_t>(x);
        if (r.mode == 7) {
          put(at, bg, Mode7Pixel(s, wide ? x / 2 : x, y, nullptr));
        } else if (hires || !wide) {
          put(at, bg, BgPixel(s, bg, x, y, nullptr));
        } else {
          put(at, bg, BgPixel(s, bg, x / 2, y, nullptr));
        }
      }
    }
  }
  if ((drawn >> kSceneObj) & 1) {
    // The first sprite in priority order wins over the others whatever their priorities;
    // drawing it last puts it in front, and its priority then goes against the BGs.
    std::vector<std::uint16_t> obj(n, kClear);
    std::vector<std::uint8_t> objPrio(n, 0);
    for (int i = 127; i >= 0; --i) {
      const int k = (r.firstSprite + i) & 127;
      // Only the sprite's box: its rows wrap at 256, its columns stop at the screen's sides.
      const std::uint8_t high = static_cast<std::uint8_t>(s.oam[512 + (k >> 2)] >> (2 * (k & 3)));
      std::int32_t left = s.oam[4 * static_cast<std::size_t>(k)] | ((high & 1) << 8);
      if (left >= 256) left -= 512;
      const auto size = kObjSizes[r.objSize][(high >> 1) & 1];
      for (std::int32_t row = 0; row < size[1]; ++row) {
        const std::int32_t y = (s.oam[4 * static_cast<std::size_t>(k) + 1] + row) & 0xFF;
        if (y >= img.height) continue;
        for (std::int32_t x = std::max(left, 0); x < std::min(left + size[0], 256); ++x) {
          const TPixel p = SpritePixel(s, k, x, y, nullptr);
          if (p.colour == kClear) continue;
          for (std::int32_t half = 0; half < (wide ? 2 : 1); ++half) {
            const std::size_t at =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                static_cast<std::size_t>(wide ? 2 * x + half : x);
            obj[at] = p.colour;
            objPrio[at] = p.prio;
          }
        }
      }
    }
    for (std::size_t at = 0; at < n; ++at) put(at, kSceneObj, {obj[at], objPrio[at]});
  }
  for (std::size_t at = 0; at < n; ++at) {
    const std::uint16_t c = best[at] == kClear ? 0 : best[at];
    const std::uint16_t word =
        (c & kDirect) ? static_cast<std::uint16_t>(c & 0x7FFF) : s.palette[c & 0xFF];
    img.pixels[at] = SceneRgb(Scaled(word, r.brightness));
  }
  return img;
}

TScenePoint SnesSceneAt(const TScene& s, int layer, std::int32_t x, std::int32_t y) {
  const TSnesRegs& r = s.snes;
  TScenePoint p;
  p.layer = layer;
  const bool wide = Width(r) == 512;
  if (layer >= 0 && layer < 4) {
    if (r.mode == 7) {
      Mode7Pixel(s, wide ? x / 2 : x, y, &p);
    } else {
      BgPixel(s, layer, HiresMode(r) || !wide ? x : x / 2, y, &p);
    }
  } else if (layer == kSceneObj) {
    const std::int32_t lx = wide ? x / 2 : x;
    for (int i = 0; i < 128; ++i) {
      const int k = (r.firstSprite + i) & 127;
      if (SpritePixel(s, k, lx, y, nullptr).colour != kClear) {
        SpritePixel(s, k, lx, y, &p);
        break;
      }
    }
  }
  return p;
}

}  // namespace tegulo
