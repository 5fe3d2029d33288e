#include "image/render.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "base/uCommon.h"
#include "palette/palette.h"

using namespace tegulo;

namespace {

constexpr std::uint32_t kBackground = 0x00D0E0F0;  // 0x00BBGGRR

// An entry of w x h tiles of "8bpp (Mode7-2)": pixel (x, y) of tile t is byte 64t + 8y + x,
// so every pixel shows which source byte it came from.
TTileEntry Entry(std::int32_t w, std::int32_t h, std::uint8_t tmpl = 7) {
  TTileEntry e{};
  e.Width = w;
  e.Height = h;
  e.Template = tmpl;
  e.Bpp = 8;
  e.PalCount = 256;
  for (int i = 0; i < 256; ++i)
    e.Palette[i] = 0xAB000000u | static_cast<std::uint32_t>(i * 0x010203);
  return e;
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t salt) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + salt);
  return v;
}

// The first tile row of the bitmap's tile `tx` as source bytes, read back.
std::vector<std::uint8_t> Tile(const TIndexedBitmap& bmp, int tx) {
  std::vector<std::uint8_t> v;
  for (int y = 0; y < 8; ++y) v.insert(v.end(), bmp.Row(y) + 8 * tx, bmp.Row(y) + 8 * tx + 8);
  return v;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::uint8_t>& d, std::int64_t from) {
  std::vector<std::uint8_t> v(64, 0);
  for (std::int64_t i = 0; i < 64; ++i) {
    if (from + i >= 0 && from + i < static_cast<std::int64_t>(d.size())) v[i] = d[from + i];
  }
  return v;
}

bool AllZero(const TIndexedBitmap& bmp) {
  for (auto p : bmp.Pixels()) {
    if (p != 0) return false;
  }
  return true;
}

}  // namespace

TEST(DrawTiles, ColourTableTakesAll256ColoursWithTheBackgroundAtZero) {
  TTileEntry e = Entry(2, 1);
  e.PalCount = 16;  // the table still takes colours 16..255
  const TTileEntry before = e;
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, {}, {}, kBackground);
  EXPECT_EQ(bmp.Colours[0], 0x00F0E0D0u);
  for (int i = 1; i < 256; ++i) {
    EXPECT_EQ(bmp.Colours[i], SwapRedBlue(e.Palette[i])) << "colour " << i;
  }
  EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0) << "the entry changed";

  // The grid keeps showing the entry's own colour 0 and only the first PalCount colours.
  TPalette view;
  view.fill(0x123456);
  LoadViewPalette(view, e);
  EXPECT_EQ(view[0], e.Palette[0]);
  EXPECT_EQ(view[15], e.Palette[15]);
  for (int i = 16; i < 256; ++i) EXPECT_EQ(view[i], 0u) << "colour " << i;
}

TEST(DrawTiles, SizesTheBitmapByTiles) {
  TIndexedBitmap bmp;
  DrawTiles(bmp, Entry(3, 2), {}, {}, kBackground);
  EXPECT_EQ(bmp.Width(), 24);
  EXPECT_EQ(bmp.Height(), 16);
  const std::pair<std::int32_t, std::int32_t> none[] = {{0, 4},  {4, 0},       {-3, 2},
                                                        {2, -1}, {INT_MAX, 0}, {INT_MIN, INT_MIN}};
  for (auto [w, h] : none) {
    DrawTiles(bmp, Entry(w, h), {}, {}, kBackground);
    EXPECT_TRUE(bmp.Empty()) << w << " x " << h;
    EXPECT_EQ(bmp.Colours[0], 0x00F0E0D0u) << "coloured all the same";
  }
}

TEST(DrawTiles, CompressedEntriesReadTheDecodeBufferPlainOnesTheRom) {
  const auto rom = Pattern(4096, 1);
  const auto decoded = Pattern(4096, 100);
  TTileEntry e = Entry(2, 1);
  e.Address = 100;
  e.Offset = 32;
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, decoded, kBackground);
  EXPECT_EQ(Tile(bmp, 0), Bytes(rom, 132));
  EXPECT_EQ(Tile(bmp, 1), Bytes(rom, 196));
  for (std::uint8_t scheme : {1, 4, 9}) {  // 9: a damaged value still means "compressed"
    e.Compression = scheme;
    DrawTiles(bmp, e, rom, decoded, kBackground);
    EXPECT_EQ(Tile(bmp, 0), Bytes(decoded, 32)) << "compression " << int(scheme);
    EXPECT_EQ(Tile(bmp, 1), Bytes(decoded, 96)) << "compression " << int(scheme);
  }
}

TEST(DrawTiles, SourcesOutsideTheDataReadAsZero) {
  const auto rom = Pattern(1000, 1);
  const auto decoded = Pattern(1000, 100);
  struct Case {
    const char* name;
    std::int32_t address, offset;
    std::uint8_t compression;
    std::int64_t from;  // where tile 0 starts in the data chosen
  };
  const Case cases[] = {
      {"before the ROM", -10, -60, 0, -70},
      {"sum back inside", -10, 20, 0, 10},
      {"sum past 32 bits", INT_MAX, 2, 0, INT64_C(0x80000001)},
      {"both huge", INT_MAX, INT_MAX, 0, 2LL * INT_MAX},
      {"both most negative", INT_MIN, INT_MIN, 0, 2LL * INT_MIN},
      {"straddles the end", 0, 960, 0, 960},
      {"buffer, huge offset", 5, INT_MAX, 1, INT_MAX},
      {"buffer, before start", 5, -64, 1, -64},
      {"buffer, straddles start", 5, -30, 1, -30},
  };
  for (const Case& c : cases) {
    TTileEntry e = Entry(2, 1);
    e.Address = c.address;
    e.Offset = c.offset;
    e.Compression = c.compression;
    TIndexedBitmap bmp;
    DrawTiles(bmp, e, rom, decoded, kBackground);
    const auto& data = c.compression ? decoded : rom;
    EXPECT_EQ(Tile(bmp, 0), Bytes(data, c.from)) << c.name;
    EXPECT_EQ(Tile(bmp, 1), Bytes(data, c.from + 64)) << c.name;
  }
}

TEST(DrawTiles, TemplateZeroLeavesTheBitmapAsItWas) {
  const auto rom = Pattern(4096, 1);
  TIndexedBitmap bmp;
  DrawTiles(bmp, Entry(2, 1), rom, {}, kBackground);
  const std::vector<std::uint8_t> pixels(bmp.Pixels().begin(), bmp.Pixels().end());
  const auto colours = bmp.Colours;
  TTileEntry none = Entry(5, 5, 0);
  none.Palette[3] = 0x777777;
  DrawTiles(bmp, none, rom, {}, 0x00FFFFFF);
  EXPECT_EQ(bmp.Width(), 16);
  EXPECT_EQ(bmp.Height(), 8);
  EXPECT_EQ(bmp.Colours, colours);
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), bmp.Pixels().begin()));
}

TEST(DrawTiles, UnknownTemplatesAreSizedAndColouredButNotDrawn) {
  const auto rom = Pattern(4096, 1);
  TIndexedBitmap bmp;
  DrawTiles(bmp, Entry(2, 1), rom, {}, kBackground);
  const std::vector<std::uint8_t> pixels(bmp.Pixels().begin(), bmp.Pixels().end());
  TTileEntry damaged = Entry(2, 1, 200);
  damaged.Palette[7] = 0x00332211;
  DrawTiles(bmp, damaged, rom, {}, kBackground);
  EXPECT_EQ(bmp.Colours[7], 0x00112233u);
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), bmp.Pixels().begin()))
      << "same size: the pixels stay";
  damaged.Width = 3;
  DrawTiles(bmp, damaged, rom, {}, kBackground);
  EXPECT_EQ(bmp.Width(), 24);
  EXPECT_TRUE(AllZero(bmp)) << "a new size starts at index 0";
}

TEST(DrawTiles, LinearBlockKeepsTheRestOfTheBitmap) {
  const auto rom = Pattern(4096, 1);
  TIndexedBitmap bmp;
  DrawTiles(bmp, Entry(2, 3), rom, {}, kBackground);  // 16 x 24, every pixel from the ROM
  const std::vector<std::uint8_t> old(bmp.Pixels().begin(), bmp.Pixels().end());
  TTileEntry pc = Entry(2, 3, 9);
  pc.Address = 500;
  DrawTiles(bmp, pc, rom, {}, kBackground);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t want = (x < 2 && y < 3) ? rom[500 + 2 * y + x] : old[16 * y + x];
      ASSERT_EQ(bmp.Row(y)[x], want) << "pixel " << x << ", " << y;
    }
  }
  pc.Height = 4;
  DrawTiles(bmp, pc, rom, {}, kBackground);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t want = (x < 2 && y < 4) ? rom[500 + 2 * y + x] : 0;
      ASSERT_EQ(bmp.Row(y)[x], want) << "after resizing, pixel " << x << ", " << y;
    }
  }
}

TEST(DrawTiles, EntriesBeyondTheDrawLimitAreRefusedAndTheBitmapKept) {
  TIndexedBitmap bmp;
  DrawTiles(bmp, Entry(3, 2), {}, {}, kBackground);
  DrawTiles(bmp, Entry(2000, 1), {}, {}, kBackground);  // the limit itself is drawn
  EXPECT_EQ(bmp.Width(), 16000);
  DrawTiles(bmp, Entry(3, 2), {}, {}, kBackground);
  const struct {
    std::int32_t w, h;
    const char* text;
  } cases[] = {
      {INT_MAX, 1, "Entry too large to draw (2147483647 x 1 tiles; at most 2000 x 2000)"},
      {2001, 2000, "Entry too large to draw (2001 x 2000 tiles; at most 2000 x 2000)"},
      {1, 4000, "Entry too large to draw (1 x 4000 tiles; at most 2000 x 2000)"},
  };
  for (const auto& c : cases) {
    try {
      DrawTiles(bmp, Entry(c.w, c.h), {}, {}, kBackground);
      ADD_FAILURE() << c.text;
    } catch (const TError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_EQ(bmp.Width(), 24);
    EXPECT_EQ(bmp.Height(), 16);
  }
  // A side of 0 or less makes no bitmap at all, whatever the other side.
  DrawTiles(bmp, Entry(INT_MAX, 0), {}, {}, kBackground);
  EXPECT_TRUE(bmp.Empty());
}

TEST(DrawTiles, AllocationThatFailsIsAnError) {
  // Large bitmaps are mapped pages, so this fails cleanly under the sanitizers too.
  // 2,147,483,640 pixels square: no machine gives that, and nothing must crash.
  TIndexedBitmap bmp;
  EXPECT_THROW(DrawTiles(bmp, Entry(268435455, 268435455), {}, {}, kBackground), TError);
  EXPECT_TRUE(bmp.Empty());
}
