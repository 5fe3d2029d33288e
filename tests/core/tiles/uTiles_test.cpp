#include "tiles/uTiles.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace tegulo;

namespace {

// Decodes w x h tiles of template `row` from `data` at `start` into a fresh bitmap.
TIndexedBitmap Decode(int row, const std::vector<std::uint8_t>& data, std::int32_t w,
                      std::int32_t h, std::int64_t start = 0) {
  TIndexedBitmap bmp;
  bmp.SetSize(8 * w, 8 * h);
  DrawTemplate(row, bmp, TByteSource{data, start}, w, h);
  return bmp;
}

std::vector<int> RowOf(const TIndexedBitmap& bmp, int y, int from = 0, int n = 8) {
  std::vector<int> v;
  for (int x = from; x < from + n; ++x) v.push_back(bmp.Row(y)[x]);
  return v;
}

using V = std::vector<int>;

// How a failure names a template: its row and name.
std::string Name(int row) {
  const std::string_view name = row >= 0 && row < kTemplateCount ? TileTemplates[row].name() : "";
  return "template " + std::to_string(row) + " \"" + std::string(name) + "\"";
}

}  // namespace

TEST(TileDecoders, PlanarExamples) {
  {
    std::vector<std::uint8_t> d(16);
    d[0] = 0x81;
    d[1] = 0xC0;
    auto b = Decode(kTemplate2bppSNES, d, 1, 1);
    EXPECT_EQ(RowOf(b, 0), (V{3, 2, 0, 0, 0, 0, 0, 1}));
    for (int y = 1; y < 8; ++y) EXPECT_EQ(RowOf(b, y), V(8, 0)) << "row " << y;
  }
  {
    std::vector<std::uint8_t> d(32);
    d[0] = 0x21;
    d[1] = 0x43;
    d[2] = 0x65;
    d[3] = 0x87;
    EXPECT_EQ(RowOf(Decode(kTemplate4bppGBA, d, 1, 1), 0), (V{1, 2, 3, 4, 5, 6, 7, 8}));
  }
  {
    std::vector<std::uint8_t> d(32);
    d[0] = 0xFF;
    d[16] = 0x0F;
    d[17] = 0xF0;
    EXPECT_EQ(RowOf(Decode(kTemplate4bppSNES, d, 1, 1), 0), (V{9, 9, 9, 9, 5, 5, 5, 5}));
  }
  {
    std::vector<std::uint8_t> d(24);
    d[4] = 0x80;
    d[5] = 0x01;
    d[18] = 0xFF;
    auto b = Decode(kTemplate3bppSNES, d, 1, 1);
    for (int y = 0; y < 8; ++y) {
      EXPECT_EQ(RowOf(b, y), (y == 2 ? V{5, 4, 4, 4, 4, 4, 4, 6} : V(8, 0))) << "row " << y;
    }
  }
  {
    std::vector<std::uint8_t> d(64);
    d[0] = 0x80;
    d[48] = 0x01;
    d[49] = 0x80;
    EXPECT_EQ(RowOf(Decode(kTemplate8bppSNES, d, 1, 1), 0), (V{129, 0, 0, 0, 0, 0, 0, 64}));
  }
  {
    std::vector<std::uint8_t> d(8);
    d[0] = 0xA0;
    d[7] = 0x01;
    auto b = Decode(kTemplate1bpp, d, 1, 1);  // bit 7 leftmost
    EXPECT_EQ(RowOf(b, 0), (V{1, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RowOf(b, 7), (V{0, 0, 0, 0, 0, 0, 0, 1}));
  }
}

TEST(TileDecoders, Mode7Layouts) {
  std::vector<std::uint8_t> d(128);
  d[0] = 0xEE;
  d[1] = 0x11;
  d[3] = 0x22;
  d[17] = 0x33;
  auto b = Decode(kTemplateMode7Interleaved, d, 1, 1);
  EXPECT_EQ(b.Row(0)[0], 0x11);
  EXPECT_EQ(b.Row(0)[1], 0x22);
  EXPECT_EQ(b.Row(1)[0], 0x33);
  for (auto p : b.Pixels()) EXPECT_NE(p, 0xEE);

  std::vector<std::uint8_t> lin(128);
  for (int i = 0; i < 128; ++i) lin[i] = static_cast<std::uint8_t>(i + 1);
  auto m = Decode(kTemplateMode7Linear, lin, 2, 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(m.Row(y)[8 + x], lin[64 + 8 * y + x]);
}

TEST(TileDecoders, TileOrderRowByRow) {
  std::vector<std::uint8_t> d(64);
  for (int t = 0; t < 4; ++t) d[16 * t] = static_cast<std::uint8_t>(0x80 >> t);  // plane 0, row 0
  auto b = Decode(kTemplate2bppSNES, d, 2, 2);
  EXPECT_EQ(b.Row(0)[0], 1);   // tile 0: top-left, pixel 0
  EXPECT_EQ(b.Row(0)[9], 1);   // tile 1: top-right, pixel 1
  EXPECT_EQ(b.Row(8)[2], 1);   // tile 2: bottom-left, pixel 2
  EXPECT_EQ(b.Row(8)[11], 1);  // tile 3: bottom-right, pixel 3
  int ones = 0;
  for (auto p : b.Pixels()) ones += p;
  EXPECT_EQ(ones, 4);
}

TEST(TileDecoders, Linear8bppFillsOnlyTheTopLeftBlock) {
  std::vector<std::uint8_t> d = {10, 11, 12, 13, 14, 15};
  TIndexedBitmap b;
  b.SetSize(16, 24);
  for (auto& p : b.Pixels()) p = 0xAA;
  DrawLinear8bpp(b, {d, 0}, 2, 3);
  EXPECT_EQ(RowOf(b, 0, 0, 3), (V{10, 11, 0xAA}));
  EXPECT_EQ(RowOf(b, 1, 0, 3), (V{12, 13, 0xAA}));
  EXPECT_EQ(RowOf(b, 2, 0, 3), (V{14, 15, 0xAA}));
  int untouched = 0;
  for (auto p : b.Pixels()) untouched += p == 0xAA;
  EXPECT_EQ(untouched, 16 * 24 - 6);
}

TEST(TileDecoders, NonPositiveSizesTouchNothing) {
  std::vector<std::uint8_t> d(64, 0xFF);
  TIndexedBitmap b;
  b.SetSize(8, 8);
  for (int row = kTemplate4bppGBA; row < kTemplateCount; ++row) {
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-1, 1}, {1, -5}}) {
      DrawTemplate(row, b, {d, 0}, w, h);
    }
    for (auto p : b.Pixels()) ASSERT_EQ(p, 0) << Name(row);
  }
}

TEST(TileDecoders, BitmapOfAnotherSizeIsLeftAlone) {
  std::vector<std::uint8_t> d(256, 0xFF);
  TIndexedBitmap b;
  b.SetSize(8, 8);
  for (int row = kTemplate4bppGBA; row < kTemplateCount; ++row) {
    DrawTemplate(row, b, {d, 0}, 2, 1);
    for (auto p : b.Pixels()) ASSERT_EQ(p, 0) << Name(row);
  }
}

TEST(TileDecoders, BytesOutsideTheDataReadAsZero) {
  // Run under the sanitizers: every template, starts before, inside and past the data,
  // and data ending mid-tile. Out-of-range bytes must decode as if they were zero.
  std::vector<std::uint8_t> all(300, 0xFF);
  for (int row = kTemplate4bppGBA; row < kTemplateCount; ++row) {
    for (std::int64_t start : {-1000LL, -129LL, -5LL, 0LL, 7LL, 150LL, 299LL, 300LL, 5000LL}) {
      for (std::size_t len : {0u, 1u, 7u, 33u, 100u, 300u}) {
        std::vector<std::uint8_t> data(all.begin(), all.begin() + len);
        // Reference: the same bytes laid into a zero array covering the whole read range.
        const std::int64_t pad = 2000;
        std::vector<std::uint8_t> big(static_cast<std::size_t>(2 * pad + 600), 0);
        std::copy(data.begin(), data.end(), big.begin() + pad);
        auto got = Decode(row, data, 3, 2, start);
        auto want = Decode(row, big, 3, 2, start + pad);
        ASSERT_TRUE(std::equal(got.Pixels().begin(), got.Pixels().end(), want.Pixels().begin()))
            << Name(row) << " start " << start << " len " << len;
      }
    }
  }
}

TEST(TileDecoders, TemplateZeroAndAboveNineDrawNothing) {
  std::vector<std::uint8_t> d(128, 0xFF);
  for (int row : {kTemplateNone, kTemplateCount, 255}) {
    auto b = Decode(row, d, 1, 1);
    for (auto p : b.Pixels()) EXPECT_EQ(p, 0) << Name(row);
  }
}

TEST(IndexedBitmap, ResizeClearsAndSameSizeKeeps) {
  TIndexedBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetSize(16, 8);
  b.Row(7)[15] = 9;
  b.SetSize(16, 8);
  EXPECT_EQ(b.Row(7)[15], 9);
  b.SetSize(8, 16);
  for (auto p : b.Pixels()) EXPECT_EQ(p, 0);
  b.SetSize(0, 5);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
}

namespace {

// A plain per-pixel reading of each layout, to check the fast decoders against.
int ReferencePixel(int row, const std::vector<std::uint8_t>& t, int x, int y) {
  auto bit = [&](int byte, int n) { return ((t[byte] >> (7 - x)) & 1) << n; };
  switch (row) {
    case kTemplate4bppGBA: return (t[4 * y + x / 2] >> (x % 2 ? 4 : 0)) & 15;
    case kTemplate4bppSNES:
      return bit(2 * y, 0) | bit(2 * y + 1, 1) | bit(16 + 2 * y, 2) | bit(17 + 2 * y, 3);
    case kTemplate3bppSNES: return bit(2 * y, 0) | bit(2 * y + 1, 1) | bit(16 + y, 2);
    case kTemplate2bppSNES: return bit(2 * y, 0) | bit(2 * y + 1, 1);
    case kTemplate1bpp: return bit(y, 0);
    case kTemplateMode7Interleaved: return t[1 + 16 * y + 2 * x];
    case kTemplateMode7Linear: return t[8 * y + x];
    case kTemplate8bppSNES: {
      int v = 0;
      for (int k = 0; k < 4; ++k)
        v |= bit(16 * k + 2 * y, 2 * k) | bit(16 * k + 2 * y + 1, 2 * k + 1);
      return v;
    }
  }
  return -1;
}

}  // namespace

TEST(TileDecoders, RandomTilesMatchAPlainReading) {
  const struct {
    int row;
    int B;  // bytes per tile
  } templates[] = {{kTemplate4bppGBA, 32},     {kTemplate4bppSNES, 32},
                   {kTemplate3bppSNES, 24},    {kTemplate2bppSNES, 16},
                   {kTemplate1bpp, 8},         {kTemplateMode7Interleaved, 128},
                   {kTemplateMode7Linear, 64}, {kTemplate8bppSNES, 64}};
  std::uint32_t seed = 12345;
  for (const auto [row, B] : templates) {
    for (int rep = 0; rep < 20; ++rep) {
      std::vector<std::uint8_t> d(static_cast<std::size_t>(B) * 6);
      for (auto& b : d) b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
      auto bmp = Decode(row, d, 3, 2);
      for (int t = 0; t < 6; ++t) {
        std::vector<std::uint8_t> tile(d.begin() + t * B, d.begin() + (t + 1) * B);
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x)
            ASSERT_EQ(bmp.Row(8 * (t / 3) + y)[8 * (t % 3) + x], ReferencePixel(row, tile, x, y))
                << Name(row) << " tile " << t << " pixel " << x << "," << y;
      }
    }
  }
}
