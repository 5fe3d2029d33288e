// The GBA test ROMs behind tests/fixtures/scenes: each sets up the video hardware once and
// then waits forever, so a state saved at any frame holds the registers every line used.
// One source, one ROM per scene: build with -DSCENE=<one of the functions at the end>.
// Tiles, maps and palettes are pseudo-random (a fixed LCG), which exercises every colour,
// flip and palette bank; tile 0 is empty and about a quarter of the pixels are clear, so
// the layers behind show through.
typedef unsigned short u16;
typedef unsigned int u32;
typedef short s16;

#define IO16(o) (*(volatile u16*)(0x04000000u + (o)))
#define IO32(o) (*(volatile u32*)(0x04000000u + (o)))
#define VRAM ((volatile u16*)0x06000000u)
#define PAL ((volatile u16*)0x05000000u)
#define OAM ((volatile u16*)0x07000000u)

#define DISPCNT 0x00
#define BGCNT(n) (0x08 + 2 * (n))
#define BGHOFS(n) (0x10 + 4 * (n))
#define BGVOFS(n) (0x12 + 4 * (n))
#define BLDCNT 0x50
#define BLDALPHA 0x52

static u32 Next(u32* seed) {
  *seed = *seed * 1664525u + 1013904223u;
  return *seed >> 8;
}

// A number in 0..range-1 from a random one.
static u32 Below(u32 r, u32 range) { return ((r & 0xFFFFu) * range) >> 16; }

// 512 palette words drawn from 32 random colours (pictures of few colours pack small; a wrong
// index still mostly lands on a different colour).
static void Palettes(u32 seed) {
  u16 set[32];
  for (int i = 0; i < 32; ++i) set[i] = (u16)(Next(&seed) & 0x7FFF);
  for (int i = 0; i < 512; ++i) PAL[i] = set[Next(&seed) & 31];
}

// One of 64 tile looks, spread over 32 bits: tiles repeat, so the states and frames pack
// small, yet a wrong tile number mostly lands on a different look.
static u32 Look(u32* seed) { return (Next(seed) & 63) * 0x9E3779B1u; }

// Tile pixel (x, y) of a tile whose look is `r`: one of four colours (the first clear) by
// 4 x 4 quadrant, turned by the look, with a diagonal line in the next colour so that no two
// neighbouring pixels need be alike (pictures of few runs pack small).
static u32 Stripe(u32 r, int x, int y) {
  const u32 quadrant = (u32)((x >> 2) | ((y >> 2) << 1));
  return (quadrant + (r & 3) + (x == y ? 1 : 0)) & 3;
}

// `count` 4bpp tiles (32-byte units) at VRAM byte `at`; tile 0 empty.
static void Tiles4(u32 at, int count, u32 seed) {
  for (int t = 0; t < count; ++t) {
    const u32 r = Look(&seed);
    const u32 colours = t == 0 ? 0 : (r >> 4) << 4;  // nibbles 1-3: the stripe's colours
    for (int y = 0; y < 8; ++y) {
      for (int h = 0; h < 2; ++h) {
        u32 v = 0;
        for (int n = 0; n < 4; ++n) v |= (colours >> (4 * Stripe(r, 4 * h + n, y)) & 15) << (4 * n);
        VRAM[(at >> 1) + 16 * t + 2 * y + h] = (u16)v;
      }
    }
  }
}

// `count` 8bpp tiles at VRAM byte `at`; tile 0 empty.
static void Tiles8(u32 at, int count, u32 seed) {
  for (int t = 0; t < count; ++t) {
    const u32 r = Look(&seed);
    const u32 colours = t == 0 ? 0 : (r >> 4) << 8;  // bytes 1-3
    for (int y = 0; y < 8; ++y) {
      for (int h = 0; h < 4; ++h) {
        u32 v = 0;
        for (int n = 0; n < 2; ++n)
          v |= (colours >> (8 * Stripe(r, 2 * h + n, y)) & 255) << (8 * n);
        VRAM[(at >> 1) + 32 * t + 4 * y + h] = (u16)v;
      }
    }
  }
}

// Text map entries in `blocks` 2 KiB screen blocks from `block`: a run of 61 random entries
// repeated (so no two rows of 32 match), half of them empty, the rest any tile below
// `tiles` (a power of two), any flips and palette bank.
static void TextMap(int block, int blocks, u32 tiles, u32 seed) {
  u16 run[61];
  for (int i = 0; i < 61; ++i) {
    const u32 r = Next(&seed);
    run[i] = (r & 1) ? (u16)(((r >> 2) & (tiles - 1)) | (r & 0xFC00)) : 0;
  }
  int k = 0;
  for (int i = 0; i < 1024 * blocks; ++i) {
    VRAM[0x400 * block + i] = run[k];
    k = k == 60 ? 0 : k + 1;
  }
}

// An affine map of `bytes` bytes at screen block `block`, 61 random tile numbers repeated,
// a quarter of them 0 (empty).
static void AffineMap(int block, int bytes, u32 seed) {
  unsigned char run[61];
  for (int i = 0; i < 61; ++i) {
    const u32 r = Next(&seed);
    run[i] = (unsigned char)((r & 3) ? (r >> 2) & 255 : 0);
  }
  int k = 0;
  for (int i = 0; i < bytes / 2; ++i) {
    const u32 lo = run[k];
    k = k == 60 ? 0 : k + 1;
    VRAM[0x400 * block + i] = (u16)(lo | (u32)run[k] << 8);
    k = k == 60 ? 0 : k + 1;
  }
}

static void HideSprites(void) {
  for (int k = 0; k < 128; ++k) {
    OAM[4 * k] = 0x200;
    OAM[4 * k + 1] = 0;
    OAM[4 * k + 2] = 0;
  }
}

static const unsigned char kObjSize[3][4][2] = {{{8, 8}, {16, 16}, {32, 32}, {64, 64}},
                                                {{16, 8}, {32, 8}, {32, 16}, {64, 32}},
                                                {{8, 16}, {8, 32}, {16, 32}, {32, 64}}};

static void Sprite(int k, int x, int y, int shape, int size, int deep, int flips, int tile,
                   int prio, int pal) {
  OAM[4 * k] = (u16)((y & 255) | (deep << 13) | (shape << 14));
  OAM[4 * k + 1] = (u16)((x & 511) | (flips << 12) | (size << 14));
  OAM[4 * k + 2] = (u16)(tile | (prio << 10) | (pal << 12));
}

static void AffineSprite(int k, int x, int y, int shape, int size, int deep, int dbl, int group,
                         int tile, int prio, int pal) {
  OAM[4 * k] = (u16)((y & 255) | 0x100 | (dbl << 9) | (deep << 13) | (shape << 14));
  OAM[4 * k + 1] = (u16)((x & 511) | (group << 9) | (size << 14));
  OAM[4 * k + 2] = (u16)(tile | (prio << 10) | (pal << 12));
}

static void ObjMatrix(int g, s16 a, s16 b, s16 c, s16 d) {
  OAM[16 * g + 3] = (u16)a;
  OAM[16 * g + 7] = (u16)b;
  OAM[16 * g + 11] = (u16)c;
  OAM[16 * g + 15] = (u16)d;
}

static void AffineBg(int n, s16 a, s16 b, s16 c, s16 d, int x, int y) {
  const u32 base = n == 2 ? 0x20 : 0x30;
  IO16(base) = (u16)a;
  IO16(base + 2) = (u16)b;
  IO16(base + 4) = (u16)c;
  IO16(base + 6) = (u16)d;
  IO32(base + 8) = (u32)x & 0x0FFFFFFFu;
  IO32(base + 12) = (u32)y & 0x0FFFFFFFu;
}

struct TextBg {
  int size, deep, prio, hofs, vofs;
};

// Four text BGs: 4bpp tiles in character block 0, 8bpp in block 1, maps from screen block 16.
static void TextBgs(const struct TextBg* bg) {
  Palettes(1);
  Tiles4(0x0000, 512, 2);
  Tiles8(0x4000, 256, 3);
  int block = 16;
  for (int n = 0; n < 4; ++n) {
    const int blocks = bg[n].size == 0 ? 1 : bg[n].size == 3 ? 4 : 2;
    TextMap(block, blocks, bg[n].deep ? 256 : 512, 10 + n);
    IO16(BGCNT(n)) =
        (u16)(bg[n].prio | (bg[n].deep ? 0x84 : 0) | (block << 8) | (bg[n].size << 14));
    IO16(BGHOFS(n)) = (u16)bg[n].hofs;
    IO16(BGVOFS(n)) = (u16)bg[n].vofs;
    block += blocks;
  }
}

static const struct TextBg kTextA[4] = {
    {0, 0, 2, 3, 5}, {1, 1, 0, 301, 7}, {2, 0, 2, 17, 400}, {3, 1, 1, 511, 289}};
static const struct TextBg kTextB[4] = {
    {3, 0, 3, 100, 50}, {2, 1, 1, 0, 0}, {1, 0, 1, 250, 511}, {0, 1, 0, 7, 255}};

// Mode 0, four text BGs of every size, 4 and 8 bpp, priorities shared and not, scroll.
static void Mode0TextA(void) {
  TextBgs(kTextA);
  IO16(DISPCNT) = 0x0F00;
}

static void Mode0TextB(void) {
  TextBgs(kTextB);
  IO16(DISPCNT) = 0x0F00;
}

// Every sprite shape and size in 4bpp, then in 8bpp, flips cycling, priorities rising with
// the OAM index (so no later sprite has a smaller priority number than one it overlaps),
// over BG0 (priority 1) and BG1 (priority 3); one sprite wraps past X 511 and Y 255.
static void Sprites(u16 mapping) {
  static const struct TextBg kBgs[4] = {
      {0, 0, 1, 0, 0}, {1, 1, 3, 40, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}};
  TextBgs(kBgs);
  Tiles4(0x10000, 1024, 5);
  HideSprites();
  u32 seed = 77;
  for (int i = 0; i < 24; ++i) {
    const int shape = (i % 12) / 4, size = i % 4;
    const int w = kObjSize[shape][size][0], h = kObjSize[shape][size][1];
    const int x = 4 + (int)Below(Next(&seed), (u32)(236 - w));
    const int y = 10 + (int)Below(Next(&seed), (u32)(150 - h));
    const int tile = (int)(Next(&seed) & 511);
    Sprite(i, x, y, shape, size, i >= 12, i & 3, tile, i * 4 / 24, (int)(Next(&seed) & 15));
  }
  Sprite(24, 500, 250, 0, 1, 0, 1, 40, 3, 2);  // rows 250-255 and 0-9, columns -12..3
  Sprite(25, 228, 150, 0, 2, 1, 2, 64, 3, 0);  // cut by the right and bottom edges
  IO16(DISPCNT) = (u16)(0x1300 | mapping);
}

static void Sprites1D(void) { Sprites(0x40); }
static void Sprites2D(void) { Sprites(0); }

// Affine and double-size sprites, both depths, six matrices, in two bands so that no line
// holds more sprite work than the hardware allows.
static void AffineSprites(void) {
  static const struct TextBg kBgs[4] = {
      {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}};
  TextBgs(kBgs);
  Tiles4(0x10000, 1024, 6);
  HideSprites();
  ObjMatrix(0, 256, 0, 0, 256);
  ObjMatrix(1, 0, 256, -256, 0);
  ObjMatrix(2, 181, -181, 181, 181);
  ObjMatrix(3, 128, 0, 0, 128);
  ObjMatrix(4, 300, 60, -40, 200);
  ObjMatrix(5, -256, 0, 0, 384);
  u32 seed = 99;
  for (int i = 0; i < 10; ++i) {
    const int shape = i % 3, size = (i / 3) % 3, dbl = (i >> 1) & 1;
    const int w = kObjSize[shape][size][0] << dbl, h = kObjSize[shape][size][1] << dbl;
    const int band = i < 5 ? 0 : 80;
    const int x = (int)Below(Next(&seed), (u32)(240 - w));
    const int y = band + (int)Below(Next(&seed), (u32)(80 - h));
    AffineSprite(i, x, y, shape, size, i & 1, dbl, i % 6, (int)(Next(&seed) & 511), i * 4 / 10,
                 (int)(Next(&seed) & 15));
  }
  IO16(DISPCNT) = 0x1140;
}

// Mode 1: BG0 4bpp and BG1 8bpp text, BG2 affine 256 x 256 rotated and scaled with
// wraparound; BG3's enable bit set, which mode 1 ignores.
static void Mode1Affine(void) {
  Palettes(4);
  Tiles4(0x0000, 512, 2);
  Tiles8(0x4000, 256, 3);
  TextMap(16, 1, 512, 20);
  TextMap(18, 2, 256, 21);
  AffineMap(22, 1024, 22);
  IO16(BGCNT(0)) = 0x1001;
  IO16(BGCNT(1)) = 0x5286;
  IO16(BGCNT(2)) = 0x7604;  // size 1, wrap, screen block 22, char block 1, priority 0
  IO16(BGHOFS(0)) = 33;
  IO16(BGVOFS(1)) = 70;
  AffineBg(2, 200, -70, 90, 220, -5000, 30000);
  IO16(DISPCNT) = 0x0F01;
}

// Mode 2: BG2 128 x 128 scaled without wraparound (the backdrop around it), BG3 512 x 512
// rotated with wraparound, both priority 1; a few sprites in front and behind.
static void Mode2Affine(void) {
  Palettes(5);
  Tiles8(0x0000, 256, 7);
  Tiles8(0x4000, 256, 3);
  Tiles4(0x10000, 256, 5);
  AffineMap(16, 256, 30);
  AffineMap(17, 4096, 31);
  IO16(BGCNT(2)) = 0x1005;       // size 0, no wrap, block 16, char block 1
  IO16(BGCNT(3)) = (u16)0xB101;  // size 2, wrap, block 17, char block 0
  AffineBg(2, 160, 20, -10, 150, -5120, -2560);
  AffineBg(3, 222, -128, 128, 222, 100000, -70000);
  HideSprites();
  Sprite(0, 20, 20, 0, 2, 0, 0, 10, 0, 3);
  Sprite(1, 150, 90, 1, 3, 1, 3, 100, 2, 0);
  IO16(DISPCNT) = 0x1D42;
}

// Mode 2 with the largest affine BG (1024 x 1024, wrapped, zoomed out) over a 256 x 256 one
// without wraparound; an OBJ window sprite while no window is on shows nothing.
static void Mode2Large(void) {
  Palettes(19);
  Tiles8(0x0000, 256, 20);
  Tiles4(0x10000, 256, 21);
  AffineMap(16, 16384, 32);
  AffineMap(24, 1024, 33);
  IO16(BGCNT(2)) = (u16)0xF002;  // size 3, wrap, screen block 16, char block 0, priority 2
  IO16(BGCNT(3)) = (u16)0x5801;  // size 1, no wrap, screen block 24, priority 1
  AffineBg(2, 600, 100, -90, 560, -300000, 200000);
  AffineBg(3, 256, 0, 0, 256, -(40 << 8), 30 << 8);
  HideSprites();
  Sprite(0, 100, 60, 0, 3, 0, 0, 4, 0, 1);
  OAM[0] |= 0x0800;  // OBJ window mode
  Sprite(1, 150, 100, 0, 2, 0, 0, 8, 0, 2);
  IO16(DISPCNT) = 0x1C42;
}

// Mode 6 does not exist: nothing but the backdrop.
static void Mode6(void) {
  TextBgs(kTextA);
  IO16(DISPCNT) = 0x0F06;
}

// Mode 3: a 240 x 160 picture drawn through a scaled, sheared matrix (the backdrop where it
// leaves the picture); sprites from tile 512 on, and one below 512 that is not drawn.
static void Mode3Bitmap(void) {
  Palettes(6);
  for (int y = 0; y < 160; ++y) {
    for (int x = 0; x < 240; ++x) {
      VRAM[240 * y + x] =
          (u16)((x & 31) | ((y & 31) << 5) | (((x + y) >> 3 & 31) << 10) | ((u32)y & 16) << 11);
    }
  }
  Tiles4(0x14000, 512, 9);
  HideSprites();
  Sprite(0, 30, 40, 0, 2, 0, 1, 520, 0, 1);
  Sprite(1, 100, 100, 1, 2, 1, 2, 600, 2, 0);
  Sprite(2, 180, 20, 0, 2, 0, 0, 100, 0, 0);  // tile below 512: not drawn in bitmap modes
  IO16(BGCNT(2)) = 1;
  AffineBg(2, 200, 30, -20, 230, -1000, 500);
  IO16(DISPCNT) = 0x1443;
}

// Mode 4: page 1 shown (page 0 holds something else), index 0 clear, shifted by the
// reference point so the backdrop shows at the edges.
static void Mode4Page(void) {
  Palettes(7);
  for (int i = 0; i < 240 * 160 / 2; ++i) {
    VRAM[i] = 0x0101;
    const u32 x = (u32)i % 120, y = (u32)i / 120;  // pixels 2x and 2x+1 of row y
    const u32 bx = x >> 2, by = y >> 3;            // blocks of 8 x 8 pixels
    const u32 lo = (bx + by) & 3 ? (bx * 5 + by * 11) & 255 : 0, hi = lo;
    VRAM[0x5000 + i] = (u16)(lo | hi << 8);
  }
  Tiles4(0x14000, 512, 9);
  HideSprites();
  Sprite(0, 60, 60, 2, 3, 0, 3, 540, 1, 5);
  IO16(BGCNT(2)) = 2;
  AffineBg(2, 256, 0, 0, 256, 7 << 8, -(5 << 8));
  IO16(DISPCNT) = 0x1414;
}

// Mode 5: page 1 of 160 x 128, scaled up by 4/3 and moved; page 0 differs.
static void Mode5Page(void) {
  Palettes(8);
  for (int i = 0; i < 160 * 128; ++i) {
    VRAM[i] = 0x001F;
    const u32 x = (u32)i % 160, y = (u32)i / 160;
    VRAM[0x5000 + i] = (u16)((x >> 2 & 31) | (y >> 2 & 31) << 5 | (((x ^ y) >> 3) & 31) << 10);
  }
  IO16(BGCNT(2)) = 0;
  AffineBg(2, 192, 0, 0, 192, -(10 << 8), -(6 << 8));
  IO16(DISPCNT) = 0x0415;
}

// The edges of the address space: an 8bpp text BG in character block 3 whose tiles from 256
// on lie past BG video memory (shown clear), a 4bpp BG naming tiles 512-1023 (the map
// blocks); sprites whose 1D tiles run past the last one, that wrap past Y 255, sit partly
// left of the screen, and an affine double-size one cut by the top and left edges.
static void Edges(void) {
  Palettes(12);
  Tiles8(0xC000, 256, 13);
  Tiles4(0x8000, 512, 14);
  TextMap(8, 4, 1024, 40);  // block 8 = char block 1: nothing else lives there
  TextMap(12, 1, 1024, 41);
  IO16(BGCNT(0)) = 0xC88C;  // 64 x 64, 8bpp, char block 3, screen block 8, priority 0
  IO16(BGCNT(1)) = 0x0C0A;  // 32 x 32, 4bpp, char block 2, screen block 12, priority 2
  IO16(BGHOFS(0)) = 0x1FF;
  IO16(BGVOFS(0)) = 0x100;
  Tiles4(0x10000, 1024, 15);
  HideSprites();
  ObjMatrix(0, 200, 50, -50, 200);
  Sprite(0, 100, 40, 0, 3, 0, 0, 1000, 1, 3);           // 64 x 64 from unit 1000: wraps to 0
  Sprite(1, 20, 200, 2, 3, 1, 1, 300, 1, 0);            // 32 x 64 from line 200: rows 0-7 on top
  Sprite(2, 490, 90, 1, 2, 0, 2, 77, 1, 4);             // X -22: the right 10 columns show
  Sprite(3, 448, 20, 0, 3, 0, 0, 5, 1, 0);              // X -64: nothing shows
  AffineSprite(4, 500, 240, 0, 2, 0, 1, 0, 130, 2, 6);  // 64 x 64 box at (-12, -16)
  IO16(DISPCNT) = 0x1340;
}

// Overlapping sprites where a later one has the smaller priority number: its clear pixels
// still lower the priority of the earlier sprite's pixels under them, so those come in
// front of BG0 (priority 1). Sprite 5 (tile 0) is clear throughout; affine sprite 7 does it
// only inside its rotated picture.
static void SpriteOrder(void) {
  static const struct TextBg kBgs[4] = {
      {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}};
  TextBgs(kBgs);
  Tiles4(0x10000, 1024, 16);
  HideSprites();
  ObjMatrix(0, 181, -181, 181, 181);
  Sprite(0, 20, 20, 0, 2, 0, 0, 100, 2, 1);
  Sprite(1, 36, 30, 0, 2, 0, 1, 200, 0, 2);  // over sprite 0, priority 0
  Sprite(2, 100, 20, 0, 2, 1, 0, 300, 3, 0);
  Sprite(3, 110, 28, 1, 2, 0, 2, 400, 1, 3);  // over sprite 2, priority 1 (as BG0)
  Sprite(4, 170, 20, 0, 3, 0, 0, 500, 3, 4);
  Sprite(5, 180, 30, 0, 2, 0, 0, 0, 0, 5);  // clear, over sprite 4
  Sprite(6, 20, 90, 0, 3, 0, 3, 600, 2, 6);
  AffineSprite(7, 30, 100, 0, 2, 0, 0, 0, 700, 0, 7);
  Sprite(8, 120, 90, 0, 2, 0, 0, 800, 1, 8);  // the same priorities the other way round
  Sprite(9, 130, 100, 0, 2, 0, 0, 900, 3, 9);
  IO16(DISPCNT) = 0x1140;
}

// More sprite work on a line than the hardware has time for: 1210 cycles a line (954 with
// DISPCNT bit 5), a sprite costs its width, an affine one 10 + twice its box width. Lines
// 0-31: seventeen 64 x 32 sprites right of the screen, then four visible ones; lines 40-71:
// the same with the seventeen partly left of the screen; lines 80-111: eight affine sprites,
// then four more; lines 120-151: twenty visible ones side by side, the later ones peeking
// out from under the earlier.
static void SpriteWork(u16 dispcnt) {
  Palettes(17);
  Tiles4(0x10000, 1024, 18);
  HideSprites();
  ObjMatrix(0, 256, 0, 0, 256);
  int k = 0;
  for (int band = 0; band < 2; ++band) {
    for (int i = 0; i < 17; ++i) Sprite(k++, band ? -40 : 240, 40 * band, 1, 3, 0, 0, 32 * i, 0, i);
    for (int i = 0; i < 4; ++i) Sprite(k++, 50 + 48 * i, 40 * band, 1, 3, 0, 0, 64 * i, 0, i);
  }
  for (int i = 0; i < 8; ++i) AffineSprite(k++, 28 * i, 80, 1, 2, 0, 1, 0, 16 * i, 0, i);
  for (int i = 0; i < 4; ++i) Sprite(k++, 8 + 56 * i, 96, 1, 3, 0, 0, 8 * i, 0, i + 8);
  for (int i = 0; i < 20; ++i) Sprite(k++, 9 * i, 120, 1, 3, 0, 0, 64 * (i & 7), 0, i & 15);
  IO16(DISPCNT) = (u16)(0x1040 | dispcnt);
}

static void SpriteBudget(void) { SpriteWork(0); }

// Forced blank over a full mode 0 screen.
static void ForcedBlank(void) {
  TextBgs(kTextA);
  IO16(DISPCNT) = 0x0F80;
}

// No layer on: the backdrop alone.
static void NoLayers(void) {
  Palettes(11);
  IO16(DISPCNT) = 0;
}

// Window 0 on, the backdrop brightened inside it only: windows are not drawn (nor then the
// effects), and the drawing says so.
static void Window(void) {
  Palettes(24);
  IO16(0x40) = (40 << 8) | 200;  // WIN0H
  IO16(0x44) = (30 << 8) | 120;  // WIN0V
  IO16(0x48) = 0x20;             // WININ: effects inside window 0
  IO16(0x4A) = 0;                // WINOUT
  IO16(BLDCNT) = 0x00A0;
  IO16(0x54) = 8;
  IO16(DISPCNT) = 0x2000;
}

// Windows 0 and 1 (window 1 wrapping past the right edge), the OBJ window of two window
// sprites, and outside: each with its own layers, effects (brighten) in some. The backdrop
// is no first target, and no sprite overlaps a window sprite: there mGBA departs from the
// window rules (it takes the backdrop's effects from windows 0 and 1 and outside only, and a
// sprite pixel over a window sprite's loses the OBJ window's effects).
static void Windows(u16 win0h, u16 win0v) {
  TextBgs(kTextA);
  Tiles4(0x10000, 512, 25);
  HideSprites();
  Sprite(0, 150, 20, 0, 3, 0, 0, 64, 0, 1);
  OAM[0] |= 0x0800;
  Sprite(1, 60, 100, 1, 3, 0, 1, 128, 0, 1);
  OAM[4] |= 0x0800;
  Sprite(2, 100, 50, 0, 2, 0, 0, 200, 0, 2);
  Sprite(3, 20, 120, 0, 2, 1, 0, 300, 1, 3);  // clear of the window sprites (see below)
  IO16(0x40) = win0h;
  IO16(0x42) = (200 << 8) | 40;  // WIN1H: from 200 past the edge to 40
  IO16(0x44) = win0v;
  IO16(0x46) = (60 << 8) | 150;  // WIN1V
  IO16(0x48) = 0x0A35;           // WININ: 0 = BG0 BG2 OBJ effects, 1 = BG1 BG3
  IO16(0x4A) = 0x3806;           // WINOUT: outside BG1 BG2, OBJ window BG3 OBJ effects
  IO16(BLDCNT) = 0x009F;         // brighten every layer but the backdrop (see below)
  IO16(0x54) = 6;
  IO16(DISPCNT) = 0xFF40;
}

static void WindowsA(void) { Windows((20 << 8) | 120, (10 << 8) | 90); }
// Window 0 upside down (Y1 > Y2: wraps) and past the right edge (X2 > 240).
static void WindowsB(void) { Windows((100 << 8) | 250, (120 << 8) | 30); }

// BG mosaic: blocks of 4 x 3 pixels on BG0 and BG2 (text), and of 5 x 7 on BG2 of mode 1
// (affine).
static void MosaicText(void) {
  TextBgs(kTextA);
  IO16(BGCNT(0)) |= 0x40;
  IO16(BGCNT(2)) |= 0x40;
  IO16(0x4C) = 0x0023;
  IO16(DISPCNT) = 0x0F00;
}

static void MosaicAffine(void) {
  Mode1Affine();
  IO16(BGCNT(2)) |= 0x40;
  IO16(BGCNT(0)) |= 0x40;
  IO16(0x4C) = 0x0064;
}

// Colour effects over the four text BGs of Mode0TextA and eight sprites (semi-transparent
// ones with `semi`): BLDCNT, BLDALPHA and BLDY as given.
static void Effects(u16 bldcnt, u16 bldalpha, u16 bldy, int semi) {
  TextBgs(kTextA);
  Tiles4(0x10000, 512, 22);
  HideSprites();
  u32 seed = 23;
  for (int i = 0; i < 8; ++i) {
    const int x = (int)Below(Next(&seed), 200), y = (int)Below(Next(&seed), 120);
    Sprite(i, x, y, 0, 2, i & 1, i & 3, (int)(Next(&seed) & 255) * 2, i / 2, i);
    if (semi) OAM[4 * i] |= 0x0400;
  }
  IO16(BLDCNT) = bldcnt;
  IO16(BLDALPHA) = bldalpha;
  IO16(0x54) = bldy;
  IO16(DISPCNT) = 0x1F40;
}

// Alpha: BG1 and the sprites over BG2, BG3 and the backdrop, 12/16 and 7/16.
static void BlendAlpha(void) { Effects(0x2C52, 0x070C, 0, 0); }
// Darker BG1, BG3 and sprites; BLDY 20 counts as 16.
static void Darken(void) { Effects(0x00DA, 0, 20, 0); }
// Semi-transparent sprites while sprites and BG0 brighten: over BG1 they blend instead.
static void SemiBright(void) { Effects(0x0291, 0x0808, 6, 1); }

int main(void) {
  SCENE();
  for (;;) {
  }
}
