#include "image/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "base/uCommon.h"
#include "png_reader.h"
#include "temp_dir.h"

using namespace tegulo;
using tegulo::test::ReadPng;
using tegulo::test::ReadPngChunks;
using tegulo::test::TPngImage;
namespace fs = std::filesystem;

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// w x h pixels of index (x + 3y) mod 256, colour i = 0x00RRGGBB with r = i, g = 255 - i, b = i / 2.
TIndexedBitmap Sample(int w, int h) {
  TIndexedBitmap bmp;
  bmp.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) bmp.Row(y)[x] = static_cast<std::uint8_t>(x + 3 * y);
  }
  for (std::uint32_t i = 0; i < 256; ++i) bmp.Colours[i] = (i << 16) | ((255 - i) << 8) | (i / 2);
  return bmp;
}

class PngWriter : public test::TempDirTest {};

}  // namespace

TEST_F(PngWriter, WritesExactlyTheFiveKindsOfChunk) {
  const TIndexedBitmap bmp = Sample(40, 24);
  WritePng(Path("a.png"), bmp);
  const auto chunks = ReadPngChunks(Path("a.png"));
  ASSERT_GE(chunks.size(), 5u);
  std::vector<std::string> types;
  for (const auto& c : chunks) {
    if (c.type != "IDAT" || types.back() != "IDAT") types.push_back(c.type);
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));

  const std::vector<std::uint8_t> ihdr = {0, 0, 0, 40, 0, 0, 0, 24, 8, 3, 0, 0, 0};
  EXPECT_EQ(chunks[0].data, ihdr);
  ASSERT_EQ(chunks[1].data.size(), 768u);
  for (int i = 0; i < 256; ++i) {
    const std::vector<std::uint8_t> rgb(chunks[1].data.begin() + 3 * i,
                                        chunks[1].data.begin() + 3 * i + 3);
    EXPECT_EQ(rgb, (std::vector<std::uint8_t>{std::uint8_t(i), std::uint8_t(255 - i),
                                              std::uint8_t(i / 2)}))
        << "PLTE entry " << i;
  }
  // zlib header: deflate, and the level field says "maximum compression".
  ASSERT_GE(chunks[3].data.size(), 2u);
  EXPECT_EQ(chunks[3].data[0] & 0x0F, 8);
  EXPECT_EQ(chunks[3].data[1] >> 6, 3);
}

TEST_F(PngWriter, ReadsBackWithItsPixelsAndPalette) {
  const TIndexedBitmap bmp = Sample(300, 7);  // rows wider than 256: indices wrap
  WritePng(Path("b.png"), bmp);
  const TPngImage d = ReadPng(Path("b.png"));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, 300u);
  EXPECT_EQ(d.height, 7u);
  EXPECT_EQ(d.depth, 8);
  EXPECT_EQ(d.colourType, PNG_COLOR_TYPE_PALETTE);
  EXPECT_EQ(d.interlace, PNG_INTERLACE_NONE);
  ASSERT_EQ(d.rgb.size(), 768u);
  for (std::uint32_t i = 0; i < 256; ++i) {
    EXPECT_EQ(d.rgb[3 * i], i);
    EXPECT_EQ(d.rgb[3 * i + 1], 255 - i);
    EXPECT_EQ(d.rgb[3 * i + 2], i / 2);
  }
  EXPECT_TRUE(
      std::equal(d.pixels.begin(), d.pixels.end(), bmp.Pixels().begin(), bmp.Pixels().end()))
      << "pixels differ";
}

TEST_F(PngWriter, RowsWiderThanAMillionPixels) {
  TIndexedBitmap bmp;
  bmp.SetSize(1200000, 2);
  bmp.Row(1)[1199999] = 7;
  WritePng(Path("wide.png"), bmp);
  const auto chunks = ReadPngChunks(Path("wide.png"));
  ASSERT_FALSE(chunks.empty());
  EXPECT_EQ(Be32(chunks[0].data.data()), 1200000u);
}

TEST_F(PngWriter, TransparencyEndsAtTheFirstColourOfTheBottomLeftPixel) {
  struct Case {
    const char* name;
    std::uint8_t bottomLeft;
    int sameAs;  // an index given the bottom-left pixel's colour, or -1
    std::vector<std::uint8_t> alpha;
  };
  const Case cases[] = {
      {"index 0", 0, -1, {0}},
      {"index 5, unique", 5, -1, {255, 255, 255, 255, 255, 0}},
      {"index 5, index 2 alike", 5, 2, {255, 255, 0}},
      {"index 255", 255, -1, {}},
  };
  for (const Case& c : cases) {
    TIndexedBitmap bmp = Sample(8, 4);
    bmp.Row(3)[0] = c.bottomLeft;
    bmp.Row(0)[0] = 9;  // the top-left pixel plays no part
    if (c.sameAs >= 0) bmp.Colours[c.sameAs] = bmp.Colours[c.bottomLeft] | 0xFF000000u;
    std::vector<std::uint8_t> alpha = c.alpha;
    if (alpha.empty()) {
      alpha.assign(256, 255);
      alpha[255] = 0;
    }
    EXPECT_EQ(TransparentIndex(bmp), static_cast<int>(alpha.size()) - 1) << c.name;
    WritePng(Path("t.png"), bmp);
    const auto chunks = ReadPngChunks(Path("t.png"));
    ASSERT_GE(chunks.size(), 3u) << c.name;
    EXPECT_EQ(chunks[2].type, "tRNS") << c.name;
    EXPECT_EQ(chunks[2].data, alpha) << c.name;
    EXPECT_EQ(ReadPng(Path("t.png")).alpha, alpha) << c.name;
  }
}

TEST_F(PngWriter, EmptyBitmapMakesNoFile) {
  TIndexedBitmap bmp;
  EXPECT_EQ(TransparentIndex(bmp), -1);
  try {
    WritePng(Path("none.png"), bmp);
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "There is no image to export");
  }
  EXPECT_FALSE(fs::exists(Path("none.png")));
}

TEST_F(PngWriter, FileThatCannotBeCreated) {
  const std::string path = Path("missing/x.png");
  try {
    WritePng(path, Sample(8, 8));
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + path + "\". " + std::strerror(ENOENT));
  }
}

TEST_F(PngWriter, WriteFailingMidwayRemovesThePartialFile) {
  // Noise does not compress, so the file outgrows a small size limit part way.
  TIndexedBitmap bmp;
  bmp.SetSize(256, 256);
  std::mt19937 rng(3);
  for (auto& p : bmp.Pixels()) p = static_cast<std::uint8_t>(rng());
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    WritePng(Path("big.png"), bmp);
  } catch (const TError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, prevHandler);
  EXPECT_EQ(message, "Cannot create file \"" + Path("big.png") + "\". " + std::strerror(EFBIG));
  EXPECT_FALSE(fs::exists(Path("big.png")));
}

TEST_F(PngWriter, ReplacesAnExistingFile) {
  std::ofstream(Path("old.png")) << std::string(100000, 'x');
  WritePng(Path("old.png"), Sample(8, 8));
  EXPECT_EQ(ReadPng(Path("old.png")).width, 8u);
}
