#include "tiles/tile_encoders.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "base/bitmap.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {

TPixelImage RandomImage(int w, int h, int bpp, unsigned seed) {
  std::mt19937 rng(seed);
  TPixelImage img{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
  for (auto& p : img.pixels) p = static_cast<std::uint8_t>(rng() & ((1u << bpp) - 1));
  return img;
}

TPixelImage OneRow(std::initializer_list<std::uint8_t> row0) {
  TPixelImage img{8, 8, std::vector<std::uint8_t>(64, 0)};
  std::copy(row0.begin(), row0.end(), img.pixels.begin());
  return img;
}

}  // namespace

TEST(EncodeTiles, EveryTemplateDecodesBackToTheImage) {
  const struct {
    int row;
    int bpp;
    std::size_t bytesPerTile;
  } cases[] = {{1, 4, 32}, {2, 4, 32},  {3, 3, 24}, {4, 2, 16},
               {5, 1, 8},  {6, 8, 128}, {7, 8, 64}, {8, 8, 64}};
  for (const auto& c : cases) {
    const TPixelImage img = RandomImage(24, 16, c.bpp, static_cast<unsigned>(c.row));
    const std::vector<std::uint8_t> bytes = EncodeTiles(c.row, img);
    EXPECT_EQ(bytes.size(), 6 * c.bytesPerTile) << "template " << c.row;

    TIndexedBitmap bmp;
    bmp.SetSize(24, 16);
    DrawTemplate(c.row, bmp, {bytes, 0}, 3, 2);
    EXPECT_TRUE(std::equal(img.pixels.begin(), img.pixels.end(), bmp.Pixels().begin()))
        << "template " << c.row;
  }
}

TEST(EncodeTiles, RandomGeometryRoundTripsThroughTheDecoders) {
  std::mt19937 rng(1405);
  for (int round = 0; round < 60; ++round) {
    const int row = 1 + static_cast<int>(rng() % 9);
    const int bpp = TileTemplates[row].Value;
    const int w = 1 + static_cast<int>(rng() % 7);
    const int h = 1 + static_cast<int>(rng() % 5);
    const int pw = row == 9 ? w : 8 * w;
    const int ph = row == 9 ? h : 8 * h;
    const TPixelImage img = RandomImage(pw, ph, bpp, rng());
    std::vector<std::uint8_t> bytes(TemplateDataSize(row, w, h));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    const std::vector<std::uint8_t> before = bytes;
    EncodeTilesInto(row, img, bytes);

    TIndexedBitmap bmp;
    bmp.SetSize(8 * w, 8 * h);
    DrawTemplate(row, bmp, {bytes, 0}, w, h);
    for (int y = 0; y < ph; ++y) {
      for (int x = 0; x < pw; ++x) {
        ASSERT_EQ(bmp.Row(y)[x], img.At(x, y)) << "template " << row << " at " << x << "," << y;
      }
    }
    if (row == 6) {
      for (std::size_t i = 0; i < bytes.size(); i += 2) {
        ASSERT_EQ(bytes[i], before[i]) << "Mode7-1 keeps the byte it does not use, at " << i;
      }
    }
  }
}

TEST(EncodeTiles, DataSizes) {
  EXPECT_EQ(TemplateDataSize(1, 3, 2), 6u * 32);
  EXPECT_EQ(TemplateDataSize(3, 1, 1), 24u);
  EXPECT_EQ(TemplateDataSize(5, 2, 2), 32u);
  EXPECT_EQ(TemplateDataSize(6, 1, 1), 128u);
  EXPECT_EQ(TemplateDataSize(9, 13, 5), 65u) << "pixel rows, not tiles";
  EXPECT_EQ(TemplateDataSize(0, 4, 4), 0u);
  EXPECT_EQ(TemplateDataSize(10, 4, 4), 0u);
  EXPECT_EQ(TemplateDataSize(2, 0, 4), 0u);
}

TEST(EncodeTiles, LinearBytesAreThePixelRows) {
  const TPixelImage img = RandomImage(13, 5, 8, 9);
  const std::vector<std::uint8_t> bytes = EncodeTiles(9, img);
  EXPECT_EQ(bytes, img.pixels);
  TIndexedBitmap bmp;
  bmp.SetSize(8 * 13, 8 * 5);
  DrawTemplate(9, bmp, {bytes, 0}, 13, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 13; ++x) ASSERT_EQ(bmp.Row(y)[x], img.At(x, y)) << x << "," << y;
  }
}

TEST(EncodeTiles, LayoutsOfKnownRows) {
  // The layouts as the formats define them, so that encoder and decoder cannot share a slip.
  const auto snes2 = EncodeTiles(4, OneRow({3, 2, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(snes2[0], 0x81);
  EXPECT_EQ(snes2[1], 0xC0);
  const auto gba = EncodeTiles(1, OneRow({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ((std::vector<std::uint8_t>(gba.begin(), gba.begin() + 4)),
            (std::vector<std::uint8_t>{0x21, 0x43, 0x65, 0x87}));
  const auto snes4 = EncodeTiles(2, OneRow({9, 9, 9, 9, 5, 5, 5, 5}));
  EXPECT_EQ(snes4[0], 0xFF);
  EXPECT_EQ(snes4[1], 0x00);
  EXPECT_EQ(snes4[16], 0x0F);
  EXPECT_EQ(snes4[17], 0xF0);
  const auto snes3 = EncodeTiles(3, OneRow({5, 4, 4, 4, 4, 4, 4, 6}));
  EXPECT_EQ(snes3[0], 0x80);
  EXPECT_EQ(snes3[1], 0x01);
  EXPECT_EQ(snes3[16], 0xFF);
  const auto mode3 = EncodeTiles(8, OneRow({129, 0, 0, 0, 0, 0, 0, 64}));
  EXPECT_EQ(mode3[0], 0x80);
  EXPECT_EQ(mode3[48], 0x01);
  EXPECT_EQ(mode3[49], 0x80);
  const auto mode7 = EncodeTiles(6, OneRow({0x11, 0x22}));
  EXPECT_EQ(mode7[1], 0x11);
  EXPECT_EQ(mode7[3], 0x22);
  EXPECT_EQ(mode7[0], 0xEE) << "skipped bytes hold the complement";
  const auto mono = EncodeTiles(5, OneRow({1, 0, 0, 0, 0, 0, 1, 1}));
  EXPECT_EQ(mono[0], 0x83);
}

TEST(EncodeTiles, RefusesImagesThatDoNotFit) {
  EXPECT_THROW(EncodeTiles(4, RandomImage(8, 8, 3, 1)), std::invalid_argument) << "index above 3";
  EXPECT_THROW(EncodeTiles(2, RandomImage(12, 8, 4, 1)), std::invalid_argument)
      << "not whole tiles";
  EXPECT_THROW(EncodeTiles(0, RandomImage(8, 8, 1, 1)), std::invalid_argument) << "no template";
  EXPECT_THROW(EncodeTiles(10, RandomImage(8, 8, 1, 1)), std::invalid_argument) << "no template";
  TPixelImage bad = RandomImage(8, 8, 1, 1);
  bad.pixels.pop_back();
  EXPECT_THROW(EncodeTiles(5, bad), std::invalid_argument) << "short pixel data";
  std::vector<std::uint8_t> small(31);
  EXPECT_THROW(EncodeTilesInto(1, RandomImage(8, 8, 4, 1), small), std::invalid_argument)
      << "destination one byte short";
}
