// The render pipeline of one entry: unpack, draw, write, as the CLI and the window's export run it.
#include "image/render_entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include "base/uCommon.h"
#include "compress/uCompress.h"
#include "greedy_encoders.h"
#include "palette/entry_template.h"
#include "png_reader.h"
#include "temp_dir.h"
#include "tiles/tile_encoders.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {

class RenderEntry : public test::TempDirTest {};

TPixelImage RandomImage(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  TPixelImage img{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
  for (auto& p : img.pixels) p = static_cast<std::uint8_t>(rng() & 3);
  return img;
}

}  // namespace

TEST_F(RenderEntry, CompressedTilesComeOutAsTheirPixels) {
  const TPixelImage img = RandomImage(16, 24, 5);
  const std::vector<std::uint8_t> raw = EncodeTiles(kTemplate2bppSNES, img);
  std::vector<std::uint8_t> rom(100, 0xEE);
  const std::vector<std::uint8_t> stream = EncodeFF5(raw);
  rom.insert(rom.end(), stream.begin(), stream.end());

  TTileEntry e{};
  e.Address = 100;
  e.Width = 2;
  e.Height = 3;
  ApplyTemplate(e, kTemplate2bppSNES);
  e.Compression = kSchemeFF5;
  const TUnpackReport report = RenderEntryToPng(e, rom, 0x00102030, Path("a.png"));
  EXPECT_EQ(report.notValid, "");
  EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(raw.size())) << "the refresh's sizes";
  EXPECT_EQ(e.ComprSize, static_cast<std::int32_t>(stream.size()));

  const test::TPngImage png = test::ReadPng(Path("a.png"));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 16u);
  EXPECT_EQ(png.height, 24u);
  EXPECT_EQ(png.pixels, img.pixels);
  EXPECT_EQ(png.Colour(0), 0x00102030u) << "the background as colour 0";
  EXPECT_EQ(png.Colour(3), 0x00FFFFFFu) << "the template's grey ramp";
}

TEST_F(RenderEntry, AWrongTypeByteIsReportedAndTheImageStillWritten) {
  const std::vector<std::uint8_t> rom = {0x11, 0x40, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};
  TTileEntry e{};
  e.Width = 1;
  e.Height = 1;
  ApplyTemplate(e, kTemplate1bpp);
  e.Compression = kSchemeLZ10;
  EXPECT_EQ(RenderEntryToPng(e, rom, 0, Path("b.png")).notValid, "Not valid LZ10 stream");
  EXPECT_TRUE(test::ReadPng(Path("b.png")).ok);
}

TEST_F(RenderEntry, NoTemplateDrawsNothingSoNothingIsWritten) {
  const std::vector<std::uint8_t> rom(64, 0x55);
  TTileEntry e{};
  e.Width = 1;
  e.Height = 1;
  try {
    RenderEntryToPng(e, rom, 0, Path("c.png"));
    FAIL() << "no error";
  } catch (const TError& error) {
    EXPECT_STREQ(error.what(), "There is no image to export");
  }
  EXPECT_FALSE(std::filesystem::exists(Path("c.png")));
}
