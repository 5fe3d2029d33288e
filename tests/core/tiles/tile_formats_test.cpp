// The template table: each row's sizes, decoder and encoder agree with one another.
#include "tiles/tile_formats.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace tegulo;
using tegulo::TPixelImage;

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> d(n);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng());
  return d;
}

std::vector<std::uint8_t> Decode(const TTileFormat& f, std::span<const std::uint8_t> data,
                                 std::int64_t start, int w, int h) {
  TIndexedBitmap bmp;
  bmp.SetSize(8 * w, 8 * h);
  f.decode(bmp, {data, start}, w, h);
  return {bmp.Pixels().begin(), bmp.Pixels().end()};
}

std::string Name(const TTileFormat& f) { return std::string(TileTemplates[f.row].name()); }

}  // namespace

TEST(TileFormats, RowsFollowTheChoiceTable) {
  ASSERT_EQ(TileFormats().size(), std::size_t{kTemplateCount});
  for (const TTileFormat& f : TileFormats()) {
    EXPECT_EQ(f.bitsPerPixel, TileTemplates[f.row].Value) << Name(f);
    if (f.row == kTemplateNone) {
      EXPECT_EQ(FindTileFormat(f.row), nullptr);
      continue;
    }
    EXPECT_EQ(FindTileFormat(f.row), &f) << Name(f);
    EXPECT_NE(f.decode, nullptr) << Name(f);
  }
  EXPECT_EQ(FindTileFormat(kTemplateCount), nullptr);
  EXPECT_EQ(FindTileFormat(255), nullptr);
  EXPECT_EQ(FindTileFormat(-1), nullptr);
}

// The second tile of a strip is the one that starts bytesPerTile bytes in.
TEST(TileFormats, BytesPerTileIsTheDecodersStep) {
  for (const TTileFormat& f : TileFormats()) {
    if (f.bytesPerTile == 0) continue;
    const auto data = RandomBytes(2 * static_cast<std::size_t>(f.bytesPerTile), 7);
    const auto strip = Decode(f, data, 0, 2, 1);
    const auto second = Decode(f, data, f.bytesPerTile, 1, 1);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        ASSERT_EQ(strip[16 * y + 8 + x], second[8 * y + x])
            << Name(f) << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(TileFormats, EncodersGiveBytesTheirDecoderDrawsBack) {
  for (const TTileFormat& f : TileFormats()) {
    if (f.encode == nullptr) continue;
    std::mt19937 rng(static_cast<unsigned>(f.row));
    TPixelImage img{24, 16, std::vector<std::uint8_t>(24 * 16)};
    for (auto& p : img.pixels) p = static_cast<std::uint8_t>(rng() & ((1u << f.bitsPerPixel) - 1));
    const auto bytes = f.encode(img);
    if (f.bytesPerTile != 0) {
      EXPECT_EQ(bytes.size(), 6u * static_cast<std::size_t>(f.bytesPerTile)) << Name(f);
      EXPECT_EQ(Decode(f, bytes, 0, 3, 2), img.pixels) << Name(f);
    } else {
      EXPECT_EQ(bytes, img.pixels) << Name(f);  // one byte a pixel, rows in order
    }
  }
}

TEST(TileFormats, DrawTemplateRunsTheRowsDecoder) {
  const auto data = RandomBytes(512, 3);
  for (const TTileFormat& f : TileFormats()) {
    TIndexedBitmap bmp;
    bmp.SetSize(16, 16);
    DrawTemplate(f.row, bmp, {data, 0}, 2, 2);
    const std::vector<std::uint8_t> drawn(bmp.Pixels().begin(), bmp.Pixels().end());
    if (f.decode == nullptr) {
      EXPECT_EQ(drawn, std::vector<std::uint8_t>(256, 0)) << "no template draws nothing";
    } else {
      EXPECT_EQ(drawn, Decode(f, data, 0, 2, 2)) << Name(f);
    }
  }
}
