// The GBA renderer: text, affine and bitmap backgrounds and the sprites, each pixel the first
// opaque one in priority order, else the backdrop.
#include <algorithm>
#include <array>

#include "scene/scene_render.h"

namespace tegulo {
namespace {

// A pixel's colour: a palette index (0-511), or kDirect plus a bitmap's colour word, which
// takes every 16-bit value, so a clear pixel needs a value above them (white 0x7FFF in a
// bitmap is 0xFFFF).
constexpr std::uint32_t kClear = 0x10000;
constexpr std::uint32_t kDirect = 0x8000;
constexpr std::int32_t kWidth = 240, kHeight = 160;
constexpr std::uint32_t kObjVram = 0x10000;

// Sprite sizes by shape (square, wide, tall) and size 0-3: width, height.
constexpr std::uint8_t kObjSizes[3][4][2] = {{{8, 8}, {16, 16}, {32, 32}, {64, 64}},
                                             {{16, 8}, {32, 8}, {32, 16}, {64, 32}},
                                             {{8, 16}, {8, 32}, {16, 32}, {32, 64}}};

std::uint16_t Io(const TScene& s, std::uint32_t address) { return s.gbaIo[address >> 1]; }
std::uint16_t Dispcnt(const TScene& s) { return Io(s, 0); }
int Mode(const TScene& s) { return Dispcnt(s) & 7; }

enum class TBgKind { None, Text, Affine, Bitmap };

TBgKind Kind(int mode, int bg) {
  switch (mode) {
    case 0: return TBgKind::Text;
    case 1: return bg < 2 ? TBgKind::Text : bg == 2 ? TBgKind::Affine : TBgKind::None;
    case 2: return bg >= 2 ? TBgKind::Affine : TBgKind::None;
    case 3:
    case 4:
    case 5: return bg == 2 ? TBgKind::Bitmap : TBgKind::None;
    default: return TBgKind::None;
  }
}

struct TPixel {
  std::uint32_t colour = kClear;
  std::uint8_t prio = 0;
  bool inside = false;  // a sprite's pixel inside its picture, clear or not
  bool semi = false;    // a semi-transparent sprite's
};

std::uint8_t VramByte(const TScene& s, std::uint32_t at, std::uint32_t end) {
  return at < end ? s.vram[at] : 0;
}

TPixel TextPixel(const TScene& s, int n, std::int32_t x, std::int32_t y, TScenePoint* info) {
  const std::uint16_t cnt = Io(s, 0x08 + 2u * static_cast<std::uint32_t>(n));
  const int size = cnt >> 14;
  const std::int32_t w = (size & 1) ? 512 : 256, h = (size & 2) ? 512 : 256;
  const std::int32_t mx = (x + (Io(s, 0x10 + 4u * static_cast<std::uint32_t>(n)) & 0x1FF)) % w;
  const std::int32_t my = (y + (Io(s, 0x12 + 4u * static_cast<std::uint32_t>(n)) & 0x1FF)) % h;
  const std::int32_t cx = mx / 8, cy = my / 8;
  std::int32_t block = 0;
  if (size == 1) block = cx / 32;
  if (size == 2) block = cy / 32;
  if (size == 3) block = cx / 32 + 2 * (cy / 32);
  const std::uint32_t mapAt = ((cnt >> 8) & 31u) * 0x800u +
                              static_cast<std::uint32_t>(block) * 0x800u +
                              2u * static_cast<std::uint32_t>(32 * (cy % 32) + cx % 32);
  const std::uint16_t entry = static_cast<std::uint16_t>(VramByte(s, mapAt, kObjVram) |
                                                         (VramByte(s, mapAt + 1, kObjVram) << 8));
  const bool wide = (cnt & 0x80) != 0;
  const bool hf = (entry & 0x400) != 0, vf = (entry & 0x800) != 0;
  const std::int32_t px = hf ? 7 - mx % 8 : mx % 8;
  const std::int32_t py = vf ? 7 - my % 8 : my % 8;
  const std::uint32_t tileAt = ((cnt >> 2) & 3u) * 0x4000u + (entry & 0x3FFu) * (wide ? 64u : 32u);
  const int pal = entry >> 12;
  if (info != nullptr) {
    info->hasCell = true;
    info->cellX = cx;
    info->cellY = cy;
    info->mapAddress = mapAt;
    info->tile = entry & 0x3FF;
    info->palette = wide ? -1 : pal;
    info->hflip = hf;
    info->vflip = vf;
    info->address = tileAt;
  }
  TPixel out;
  out.prio = cnt & 3;
  std::uint8_t c = 0;
  if (wide) {
    c = VramByte(s, tileAt + static_cast<std::uint32_t>(8 * py + px), kObjVram);
  } else {
    const std::uint8_t b =
        VramByte(s, tileAt + static_cast<std::uint32_t>(4 * py + px / 2), kObjVram);
    c = (px & 1) ? b >> 4 : b & 15;
    if (c != 0) c = static_cast<std::uint8_t>(16 * pal + c);
  }
  if (c != 0) out.colour = c;
  return out;
}

std::int32_t Signed28(std::uint32_t v) {
  return static_cast<std::int32_t>(((v & 0x0FFFFFFFu) ^ 0x08000000u)) - 0x08000000;
}

// The texel (u >> 8, v >> 8) an affine BG or bitmap (BG2 or BG3's registers) shows at (x, y).
void AffineTexel(const TScene& s, int n, std::int32_t x, std::int32_t y, std::int32_t& tx,
                 std::int32_t& ty) {
  const std::uint32_t base = n == 2 ? 0x20 : 0x30;
  const std::int32_t pa = static_cast<std::int16_t>(Io(s, base)),
                     pb = static_cast<std::int16_t>(Io(s, base + 2));
  const std::int32_t pc = static_cast<std::int16_t>(Io(s, base + 4)),
                     pd = static_cast<std::int16_t>(Io(s, base + 6));
  const std::int32_t rx =
      Signed28(Io(s, base + 8) | (static_cast<std::uint32_t>(Io(s, base + 10)) << 16));
  const std::int32_t ry =
      Signed28(Io(s, base + 12) | (static_cast<std::uint32_t>(Io(s, base + 14)) << 16));
  tx = (rx + pb * y + pa * x) >> 8;
  ty = (ry + pd * y + pc * x) >> 8;
}

TPixel AffinePixel(const TScene& s, int n, std::int32_t x, std::int32_t y, TScenePoint* info) {
  const std::uint16_t cnt = Io(s, 0x08 + 2u * static_cast<std::uint32_t>(n));
  const std::int32_t size = 128 << (cnt >> 14);
  std::int32_t tx = 0, ty = 0;
  AffineTexel(s, n, x, y, tx, ty);
  TPixel out;
  out.prio = cnt & 3;
  if (cnt & 0x2000) {
    tx &= size - 1;
    ty &= size - 1;
  } else if (tx < 0 || ty < 0 || tx >= size || ty >= size) {
    return out;
  }
  const std::uint32_t mapAt =
      ((cnt >> 8) & 31u) * 0x800u + static_cast<std::uint32_t>((ty / 8) * (size / 8) + tx / 8);
  const std::uint8_t tile = VramByte(s, mapAt, kObjVram);
  const std::uint32_t tileAt = ((cnt >> 2) & 3u) * 0x4000u + tile * 64u;
  if (info != nullptr) {
    info->hasCell = true;
    info->cellX = tx / 8;
    info->cellY = ty / 8;
    info->mapAddress = mapAt;
    info->tile = tile;
    info->address = tileAt;
  }
  const std::uint8_t c =
      VramByte(s, tileAt + static_cast<std::uint32_t>(8 * (ty & 7) + (tx & 7)), kObjVram);
  if (c != 0) out.colour = c;
  return out;
}

TPixel BitmapPixel(const TScene& s, std::int32_t x, std::int32_t y, TScenePoint* info) {
  const int mode = Mode(s);
  const std::uint16_t cnt = Io(s, 0x0C);
  std::int32_t tx = 0, ty = 0;
  AffineTexel(s, 2, x, y, tx, ty);
  const std::int32_t w = mode == 5 ? 160 : kWidth, h = mode == 5 ? 128 : kHeight;
  TPixel out;
  out.prio = cnt & 3;
  if (tx < 0 || ty < 0 || tx >= w || ty >= h) return out;
  const std::uint32_t page = mode != 3 && (Dispcnt(s) & 0x10) ? 0xA000u : 0u;
  const std::uint32_t index = static_cast<std::uint32_t>(ty * w + tx);
  const std::uint32_t at = page + (mode == 4 ? index : 2 * index);
  if (info != nullptr) info->address = at;
  if (mode == 4) {
    const std::uint8_t c = s.vram[at];
    if (c != 0) out.colour = c;
  } else {
    out.colour = kDirect | ((s.vram[at] | (s.vram[at + 1] << 8)) & 0x7FFFu);
  }
  return out;
}

// BG n's pixel at (x, y): with mosaic on, the top left pixel of its mosaic block (MOSAIC bits
// 0-3 width - 1, 4-7 height - 1).
TPixel BgPixel(const TScene& s, int n, std::int32_t x, std::int32_t y, TScenePoint* info) {
  if (Io(s, 0x08 + 2u * static_cast<std::uint32_t>(n)) & 0x40) {
    const std::uint16_t size = Io(s, 0x4C);
    x -= x % ((size & 15) + 1);
    y -= y % (((size >> 4) & 15) + 1);
  }
  switch (Kind(Mode(s), n)) {
    case TBgKind::Text: return TextPixel(s, n, x, y, info);
    case TBgKind::Affine: return AffinePixel(s, n, x, y, info);
    case TBgKind::Bitmap: return BitmapPixel(s, x, y, info);
    case TBgKind::None: break;
  }
  return {};
}

struct TSprite {
  std::uint16_t a0, a1, a2;
  std::int32_t x, y, w, h, boxW, boxH;
  bool affine;
};

// Sprite k's shape and place; false for a sprite that is off or of no valid shape. `drawn`
// tells whether it shows anything: a window sprite does not, nor in the bitmap modes one
// whose tiles lie below 512 (both still take the console's time on their lines).
bool SpriteListed(const TScene& s, int k, TSprite& o, bool& drawn) {
  const std::uint8_t* p = s.oam.data() + 8 * k;
  o.a0 = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  o.a1 = static_cast<std::uint16_t>(p[2] | (p[3] << 8));
  o.a2 = static_cast<std::uint16_t>(p[4] | (p[5] << 8));
  o.affine = (o.a0 & 0x100) != 0;
  if (!o.affine && (o.a0 & 0x200)) return false;
  const int shape = o.a0 >> 14, objMode = (o.a0 >> 10) & 3;
  if (shape == 3 || objMode == 3) return false;
  o.w = kObjSizes[shape][o.a1 >> 14][0];
  o.h = kObjSizes[shape][o.a1 >> 14][1];
  const bool dbl = o.affine && (o.a0 & 0x200);
  o.boxW = dbl ? 2 * o.w : o.w;
  o.boxH = dbl ? 2 * o.h : o.h;
  o.x = o.a1 & 0x1FF;
  if (o.x >= 256) o.x -= 512;
  o.y = o.a0 & 0xFF;
  drawn = objMode != 2 && !(Mode(s) >= 3 && (o.a2 & 0x3FF) < 512);
  return true;
}

// Sprite k's shape and place; false for a sprite that shows nothing.
bool SpriteAt(const TScene& s, int k, TSprite& o) {
  bool drawn = false;
  return SpriteListed(s, k, o, drawn) && drawn;
}

// The texel of the sprite's W x H picture that box pixel (col, row) shows; false outside it.
bool SpriteTexel(const TScene& s, const TSprite& o, std::int32_t col, std::int32_t row,
                 std::int32_t& tx, std::int32_t& ty) {
  if (!o.affine) {
    tx = (o.a1 & 0x1000) ? o.w - 1 - col : col;
    ty = (o.a1 & 0x2000) ? o.h - 1 - row : row;
    return true;
  }
  const std::uint32_t g = 32u * ((o.a1 >> 9) & 31u);
  auto param = [&](std::uint32_t i) {
    return static_cast<std::int32_t>(
        static_cast<std::int16_t>(s.oam[g + 8 * i + 6] | (s.oam[g + 8 * i + 7] << 8)));
  };
  const std::int32_t bx = col - o.boxW / 2, by = row - o.boxH / 2;
  tx = (param(0) * bx + param(1) * by + 128 * o.w) >> 8;
  ty = (param(2) * bx + param(3) * by + 128 * o.h) >> 8;
  return tx >= 0 && ty >= 0 && tx < o.w && ty < o.h;
}

// The 32-byte unit of the 8x8 cell holding texel (tx, ty), in 1D or 2D mapping.
std::uint32_t SpriteCell(const TScene& s, const TSprite& o, std::int32_t tx, std::int32_t ty) {
  const bool deep = (o.a0 & 0x2000) != 0;
  const std::uint32_t d = deep ? 2 : 1;
  std::uint32_t t = o.a2 & 0x3FF;
  if (Dispcnt(s) & 0x40) return t + (static_cast<std::uint32_t>((ty / 8) * (o.w / 8) + tx / 8)) * d;
  if (deep) t &= ~1u;
  const std::uint32_t rowBase = t + 32u * static_cast<std::uint32_t>(ty / 8);
  return (rowBase & ~31u) | ((rowBase + static_cast<std::uint32_t>(tx / 8) * d) & 31u);
}

TPixel SpritePixel(const TScene& s, const TSprite& o, int k, std::int32_t x, std::int32_t y,
                   TScenePoint* info) {
  TPixel out;
  const std::int32_t row = (y - o.y) & 0xFF, col = x - o.x;
  if (row >= o.boxH || col < 0 || col >= o.boxW) return out;
  std::int32_t tx = 0, ty = 0;
  if (!SpriteTexel(s, o, col, row, tx, ty)) return out;
  out.inside = true;
  out.prio = (o.a2 >> 10) & 3;
  out.semi = ((o.a0 >> 10) & 3) == 1;
  const bool hf = !o.affine && (o.a1 & 0x1000), vf = !o.affine && (o.a1 & 0x2000);
  const bool deep = (o.a0 & 0x2000) != 0;
  const std::uint32_t cell = SpriteCell(s, o, tx, ty);
  const std::uint32_t tileAt = kObjVram + ((cell * 32u) & 0x7FFF);
  const int pal = o.a2 >> 12;
  if (info != nullptr) {
    info->sprite = k;
    info->tile = static_cast<std::int32_t>(o.a2 & 0x3FF);
    info->palette = deep ? -1 : pal;
    info->hflip = hf;
    info->vflip = vf;
    info->address = tileAt;
  }
  std::uint8_t c = 0;
  if (deep) {
    c = s.vram[kObjVram +
               ((cell * 32u + static_cast<std::uint32_t>(8 * (ty & 7) + (tx & 7))) & 0x7FFF)];
  } else {
    const std::uint8_t b =
        s.vram[kObjVram +
               ((cell * 32u + static_cast<std::uint32_t>(4 * (ty & 7) + (tx & 7) / 2)) & 0x7FFF)];
    c = (tx & 1) ? b >> 4 : b & 15;
    if (c != 0) c = static_cast<std::uint8_t>(16 * pal + c);
  }
  if (c != 0) out.colour = 256u + c;
  return out;
}

// What the drawing leaves out: the mosaic of sprites (BG mosaic is drawn).
void NoteLeftOut(const TScene& s, unsigned drawn, std::vector<std::string>& notes) {
  if (!(drawn & (1u << kSceneObj)) || !(Io(s, 0x4C) & 0xFF00)) return;
  for (int k = 0; k < 128; ++k) {
    TSprite o{};
    if (SpriteAt(s, k, o) && (o.a0 & 0x1000)) {
      notes.emplace_back("sprite mosaic");
      return;
    }
  }
}

// The layers put together: per pixel the colours of the two highest ranks so far (the top
// one, and the one under it that colour effects blend with). Priority 0 in front; at one
// priority the sprites, then BG0..BG3.
struct TStack {
  explicit TStack(TSceneImage& image)
      : img(image),
        control(image.layer.size(), 0x3F),
        colour(image.layer.size(), kClear),
        under(image.layer.size(), kClear),
        rank(image.layer.size(), 0),
        underRank(image.layer.size(), 0),
        underLayer(image.layer.size(), kSceneBackdrop),
        semi(image.layer.size(), 0) {}
  void Put(std::size_t at, int layer, TPixel p) {
    if (p.colour == kClear || !((control[at] >> layer) & 1)) return;
    const auto depth =
        static_cast<std::uint8_t>((3 - p.prio) * 5 + (layer == kSceneObj ? 5 : 4 - layer));
    if (depth > rank[at]) {
      under[at] = colour[at];
      underRank[at] = rank[at];
      underLayer[at] = img.layer[at];
      rank[at] = depth;
      colour[at] = p.colour;
      img.layer[at] = static_cast<std::uint8_t>(layer);
      semi[at] = p.semi ? 1 : 0;
    } else if (depth > underRank[at]) {
      under[at] = p.colour;
      underRank[at] = depth;
      underLayer[at] = static_cast<std::uint8_t>(layer);
    }
  }
  TSceneImage& img;
  std::vector<std::uint8_t> control;  // the window control of each pixel
  std::vector<std::uint32_t> colour, under;
  std::vector<std::uint8_t> rank, underRank, underLayer, semi;
};

// BLDCNT, BLDALPHA and BLDY: the layers of each target (bit 5 the backdrop), the effect and
// its weights (above 16 counting as 16).
struct TEffects {
  unsigned first = 0, second = 0;
  int mode = 0, eva = 0, evb = 0, evy = 0;
};

TEffects EffectsOf(const TScene& s) {
  const std::uint16_t cnt = Io(s, 0x50), alpha = Io(s, 0x52);
  TEffects e;
  e.first = cnt & 0x3Fu;
  e.second = (cnt >> 8) & 0x3Fu;
  e.mode = (cnt >> 6) & 3;
  e.eva = std::min(alpha & 31, 16);
  e.evb = std::min((alpha >> 8) & 31, 16);
  e.evy = std::min(Io(s, 0x54) & 31, 16);
  return e;
}

// Each 5-bit channel of two colour words weighed in sixteenths, at most 31.
std::uint16_t Mix(std::uint16_t a, std::uint16_t b, int eva, int evb) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 15; shift += 5) {
    const int c = std::min(31, (((a >> shift) & 31) * eva + ((b >> shift) & 31) * evb) >> 4);
    out |= static_cast<std::uint32_t>(c) << shift;
  }
  return static_cast<std::uint16_t>(out);
}

// Each channel moved evy sixteenths of the way to white (brighten) or black (darken).
std::uint16_t Fade(std::uint16_t a, int evy, bool brighten) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 15; shift += 5) {
    const int c = (a >> shift) & 31;
    const int moved = brighten ? c + (((31 - c) * evy) >> 4) : c - ((c * evy) >> 4);
    out |= static_cast<std::uint32_t>(moved) << shift;
  }
  return static_cast<std::uint16_t>(out);
}

std::uint16_t WordOf(const TScene& s, std::uint32_t c) {
  if (c == kClear) return s.palette[0];
  return (c & kDirect) ? static_cast<std::uint16_t>(c & 0x7FFF) : s.palette[c & 0x1FF];
}

// The colour word pixel `at` shows: the top layer, blended with the one under it where the
// effects say so. A semi-transparent sprite blends with a second target whatever the effect;
// where it meets none, the effect applies as to any sprite.
std::uint16_t ShownWord(const TScene& s, const TStack& st, const TEffects& e, std::size_t at) {
  const std::uint16_t top = WordOf(s, st.colour[at]);
  if (!(st.control[at] & 0x20)) return top;
  const unsigned topBit = 1u << st.img.layer[at], underBit = 1u << st.underLayer[at];
  const bool toSecond = (e.second & underBit) != 0;
  if (toSecond && (st.semi[at] || (e.mode == 1 && (e.first & topBit))))
    return Mix(top, WordOf(s, st.under[at]), e.eva, e.evb);
  if (e.mode >= 2 && (e.first & topBit)) return Fade(top, e.evy, e.mode == 2);
  return top;
}

std::size_t At(std::int32_t x, std::int32_t y) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(kWidth) +
         static_cast<std::size_t>(x);
}

void DrawBg(const TScene& s, int bg, TStack& stack) {
  for (std::int32_t y = 0; y < kHeight; ++y) {
    for (std::int32_t x = 0; x < kWidth; ++x)
      stack.Put(At(x, y), bg, BgPixel(s, bg, x, y, nullptr));
  }
}

// Sprite pixel `p` into the sprite layer, the sprites taken in OAM order as the console
// does: it is taken over what is there by a smaller priority number (so at one number the
// lower index wins), and a clear one still lowers the number of the pixel under it, which can
// bring an earlier sprite in front of a BG. True when it takes the pixel.
bool MergeSpritePixel(TPixel& there, const TPixel& p) {
  if (!p.inside || (there.colour != kClear && there.prio <= p.prio)) return false;
  if (p.colour != kClear) {
    there = p;
    return true;
  }
  if (there.colour != kClear) there.prio = p.prio;
  return false;
}

// The sprites that draw on line y, in OAM order: the console has 1210 cycles a line for them
// (954 when DISPCNT frees the H-blank interval); each sprite in view on the line takes its
// width, an affine one 10 + twice its box width, and the sprite that uses up the time is the
// last drawn. Calls `draw(k, sprite)` for each.
// With `window`, the window sprites instead, whose pixels make the OBJ window.
template <class TDraw>
void ForEachLineSprite(const TScene& s, std::int32_t y, bool window, TDraw&& draw) {
  std::int32_t cycles = (Dispcnt(s) & 0x20) ? 954 : 1210;
  for (int k = 0; k < 128 && cycles > 0; ++k) {
    TSprite o{};
    bool drawn = false;
    if (!SpriteListed(s, k, o, drawn) || ((y - o.y) & 0xFF) >= o.boxH || o.x >= kWidth ||
        o.x + o.boxW <= 0)
      continue;
    const bool windowSprite = ((o.a0 >> 10) & 3) == 2;
    if (window ? windowSprite && !(Mode(s) >= 3 && (o.a2 & 0x3FF) < 512) : drawn) draw(k, o);
    cycles -= o.affine ? 10 + 2 * o.boxW : o.boxW;
  }
}

void DrawSpriteLine(const TScene& s, std::int32_t y, std::vector<TPixel>& obj) {
  ForEachLineSprite(s, y, false, [&](int k, const TSprite& o) {
    for (std::int32_t x = std::max(o.x, 0); x < std::min(o.x + o.boxW, kWidth); ++x)
      MergeSpritePixel(obj[At(x, y)], SpritePixel(s, o, k, x, y, nullptr));
  });
}

// Whether v lies between a window's edges (WINxH / WINxV: start in the high byte, end in the
// low one, exclusive): an end past the screen counts as its edge, and a start past the end
// wraps round (from the start to the edge and from 0 to the end).
bool InWindowSpan(std::int32_t v, std::uint16_t edges, std::int32_t size) {
  const std::int32_t start = edges >> 8, end = std::min<std::int32_t>(edges & 0xFF, size);
  return start <= end ? v >= start && v < end : v >= start || v < end;
}

// Per pixel, the window control that applies (bits 0-3 BG0-BG3 shown, 4 the sprites, 5 the
// colour effects): window 0, else window 1, else the OBJ window (the opaque pixels of window
// sprites, while the sprites are drawn), else outside; all on when no window is.
std::vector<std::uint8_t> WindowControls(const TScene& s, bool objDrawn) {
  const std::uint16_t dispcnt = Dispcnt(s);
  std::vector<std::uint8_t> control(At(0, kHeight), 0x3F);
  if ((dispcnt & 0xE000) == 0) return control;
  const std::uint16_t winIn = Io(s, 0x48), winOut = Io(s, 0x4A);
  std::fill(control.begin(), control.end(), static_cast<std::uint8_t>(winOut & 0x3F));
  for (std::int32_t y = 0; (dispcnt & 0x8000) && objDrawn && y < kHeight; ++y) {
    ForEachLineSprite(s, y, true, [&](int k, const TSprite& o) {
      for (std::int32_t x = std::max(o.x, 0); x < std::min(o.x + o.boxW, kWidth); ++x) {
        if (SpritePixel(s, o, k, x, y, nullptr).colour != kClear)
          control[At(x, y)] = static_cast<std::uint8_t>((winOut >> 8) & 0x3F);
      }
    });
  }
  for (int w = 1; w >= 0; --w) {
    if (!(dispcnt & (0x2000 << w))) continue;
    const std::uint16_t h = Io(s, 0x40 + 2u * static_cast<std::uint32_t>(w));
    const std::uint16_t v = Io(s, 0x44 + 2u * static_cast<std::uint32_t>(w));
    const auto bits = static_cast<std::uint8_t>((winIn >> (8 * w)) & 0x3F);
    for (std::int32_t y = 0; y < kHeight; ++y) {
      if (!InWindowSpan(y, v, kHeight)) continue;
      for (std::int32_t x = 0; x < kWidth; ++x) {
        if (InWindowSpan(x, h, kWidth)) control[At(x, y)] = bits;
      }
    }
  }
  return control;
}

}  // namespace

TSceneImage RenderGbaScene(const TScene& s, unsigned layers) {
  TSceneImage img;
  img.width = kWidth;
  img.height = kHeight;
  const std::size_t n = At(0, kHeight);
  img.layer.assign(n, kSceneBackdrop);
  const std::uint16_t dispcnt = Dispcnt(s);
  if (dispcnt & 0x80) {
    img.pixels.assign(n, 0xFFFFFF);
    return img;
  }
  const unsigned drawn = layers & ((dispcnt >> 8) & 0x1Fu);
  NoteLeftOut(s, drawn, img.leftOut);
  TStack stack(img);
  stack.control = WindowControls(s, ((drawn >> kSceneObj) & 1) != 0);
  for (int bg = 0; bg < 4; ++bg) {
    if (((drawn >> bg) & 1) && Kind(dispcnt & 7, bg) != TBgKind::None) DrawBg(s, bg, stack);
  }
  if ((drawn >> kSceneObj) & 1) {
    std::vector<TPixel> obj(n);
    for (std::int32_t y = 0; y < kHeight; ++y) DrawSpriteLine(s, y, obj);
    for (std::size_t at = 0; at < n; ++at) stack.Put(at, kSceneObj, obj[at]);
  }
  img.pixels.resize(n);
  const TEffects e = EffectsOf(s);
  for (std::size_t at = 0; at < n; ++at) img.pixels[at] = SceneRgb(ShownWord(s, stack, e, at));
  return img;
}

TScenePoint GbaSceneAt(const TScene& s, int layer, std::int32_t x, std::int32_t y) {
  TScenePoint p;
  p.layer = layer;
  if (layer >= 0 && layer < 4) {
    BgPixel(s, layer, x, y, &p);
  } else if (layer == kSceneObj) {
    int bestK = -1;
    TPixel there;
    ForEachLineSprite(s, y, false, [&](int k, const TSprite& o) {
      if (MergeSpritePixel(there, SpritePixel(s, o, k, x, y, nullptr))) bestK = k;
    });
    TSprite o{};
    if (bestK >= 0 && SpriteAt(s, bestK, o)) SpritePixel(s, o, bestK, x, y, &p);
  }
  return p;
}

}  // namespace tegulo
