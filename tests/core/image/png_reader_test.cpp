// PNG import: every colour type and bit depth, interlaced files, colour matching, refusals.
#include "image/png_reader.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <random>
#include <string>
#include <vector>

#include "base/uCommon.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TTestPng {
  TTestPng(int w, int h, int type, int bits, bool adam7 = false, std::vector<std::uint16_t> s = {},
           int plte = 0, std::vector<png_color_16> t = {})
      : width(w),
        height(h),
        colourType(type),
        depth(bits),
        interlaced(adam7),
        samples(std::move(s)),
        plteSize(plte),
        trns(std::move(t)) {}
  int width, height, colourType, depth;
  bool interlaced;
  std::vector<std::uint16_t> samples;  // channels per pixel as the colour type has them
  int plteSize;
  std::vector<png_color_16> trns;  // grey or RGB tRNS colour
};

void OnWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

int Channels(int type) {
  switch (type) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
  }
}

// A test file written by libpng's own writer, samples packed by libpng.
Bytes MakePng(const TTestPng& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the test file";
    return {};
  }
  png_set_write_fn(png, &out, OnWrite, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> plte(s.plteSize);
    for (int i = 0; i < s.plteSize; ++i) plte[i] = {png_byte(i * 7), png_byte(i * 3), png_byte(i)};
    png_set_PLTE(png, info, plte.data(), s.plteSize);
  }
  if (!s.trns.empty()) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(&s.trns[0]));
  png_write_info(png, info);
  if (s.depth < 8) png_set_packing(png);
  if (s.depth == 16) png_set_swap(png);  // samples are given in host order
  const int ch = Channels(s.colourType);
  const int bytes = s.depth == 16 ? 2 : 1;
  std::vector<Bytes> rows(s.height, Bytes(static_cast<std::size_t>(s.width) * ch * bytes));
  for (int y = 0; y < s.height; ++y) {
    for (int i = 0; i < s.width * ch; ++i) {
      const std::uint16_t v = s.samples[static_cast<std::size_t>(y) * s.width * ch + i];
      if (bytes == 2) {
        rows[y][2 * i] = static_cast<std::uint8_t>(v);
        rows[y][2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
      } else {
        rows[y][i] = static_cast<std::uint8_t>(v);
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string ErrorOf(const Bytes& file) {
  try {
    ReadPng(file);
  } catch (const TError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(ReadPng, IndexedFilesKeepTheirIndicesAtEveryDepth) {
  std::mt19937 rng(5);
  for (const int depth : {1, 2, 4, 8}) {
    for (const bool interlaced : {false, true}) {
      TTestPng s{13, 9, PNG_COLOR_TYPE_PALETTE, depth, interlaced, {}, 1 << depth};
      for (int i = 0; i < 13 * 9; ++i) s.samples.push_back(rng() % (1u << depth));
      const TPngPicture pic = ReadPng(MakePng(s));
      ASSERT_TRUE(pic.indexed);
      ASSERT_EQ(pic.width, 13);
      ASSERT_EQ(pic.height, 9);
      const TPixelImage img = PictureIndices(pic, {});
      for (std::size_t i = 0; i < s.samples.size(); ++i) {
        ASSERT_EQ(img.pixels[i], s.samples[i]) << "depth " << depth << ", pixel " << i;
      }
    }
  }
}

TEST(ReadPng, ColourFilesMapToTheFirstMatchingPaletteIndex) {
  // Entry colours 0x00BBGGRR: 0 black, 1 red, 2 grey 0x80, 3 red again, 4 white.
  const std::vector<std::uint32_t> palette = {0x000000, 0x0000FF, 0x808080, 0x0000FF, 0xFFFFFF};
  struct TCase {
    const char* what;
    TTestPng shape;
    std::vector<std::uint8_t> expected;
  };
  const std::vector<TCase> cases = {
      {"RGB 8",
       {3, 1, PNG_COLOR_TYPE_RGB, 8, false, {255, 0, 0, 128, 128, 128, 0, 0, 0}},
       {1, 2, 0}},
      {"RGB 16", {2, 1, PNG_COLOR_TYPE_RGB, 16, false, {65535, 0, 0, 65535, 65535, 65535}}, {1, 4}},
      {"RGBA, transparent pixel of no palette colour",
       {2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {1, 2, 3, 0, 255, 0, 0, 255}},
       {0, 1}},
      {"grey 8", {3, 1, PNG_COLOR_TYPE_GRAY, 8, false, {0, 128, 255}}, {0, 2, 4}},
      {"grey 1", {2, 1, PNG_COLOR_TYPE_GRAY, 1, false, {1, 0}}, {4, 0}},
      {"grey 16 interlaced", {2, 1, PNG_COLOR_TYPE_GRAY, 16, true, {0x8080, 0xFFFF}}, {2, 4}},
      {"grey alpha", {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {77, 0, 128, 255}}, {0, 2}},
      {"grey with a tRNS colour",
       {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {33, 255}, 0, {png_color_16{0, 0, 0, 0, 33}}},
       {0, 4}},
  };
  for (const TCase& c : cases) {
    const TPngPicture pic = ReadPng(MakePng(c.shape));
    EXPECT_FALSE(pic.indexed) << c.what;
    const TPixelImage img = PictureIndices(pic, palette);
    EXPECT_EQ(img.pixels, c.expected) << c.what;
  }
}

TEST(ReadPng, LargeInterlacedColourFile) {
  std::mt19937 rng(9);
  TTestPng s{64, 40, PNG_COLOR_TYPE_RGB, 8, true, {}};
  std::vector<std::uint8_t> expected;
  const std::vector<std::uint32_t> palette = {0x000000, 0x00FF00, 0xFF0000, 0x0000FF};
  for (int i = 0; i < 64 * 40; ++i) {
    const std::uint32_t k = rng() % 4;
    expected.push_back(static_cast<std::uint8_t>(k));
    const std::uint32_t c = palette[k];
    s.samples.insert(s.samples.end(), {std::uint16_t(c & 255), std::uint16_t(c >> 8 & 255),
                                       std::uint16_t(c >> 16 & 255)});
  }
  EXPECT_EQ(PictureIndices(ReadPng(MakePng(s)), palette).pixels, expected);
}

TEST(PictureIndices, UnmatchedColoursAreNamedAndCounted) {
  TTestPng s{4, 2, PNG_COLOR_TYPE_RGB, 8, false, {}};
  for (int i = 0; i < 8; ++i) s.samples.insert(s.samples.end(), {255, std::uint16_t(i), 0});
  const TPngPicture pic = ReadPng(MakePng(s));
  try {
    PictureIndices(pic, std::vector<std::uint32_t>{0x0000FF, 0x0001FF}, std::nullopt,
                   TColourMatch::kExact);
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(),
                 "The picture has 6 pixels whose colour is not in the palette: (2, 0) #FF0200, "
                 "(3, 0) #FF0300, (0, 1) #FF0400, (1, 1) #FF0500, (2, 1) #FF0600, ...");
  }
  // The background colour of an exported picture stands for index 0 when nothing matches it.
  TTestPng bg{2, 1, PNG_COLOR_TYPE_RGB, 8, false, {0xF0, 0xF0, 0xF0, 255, 0, 0}};
  EXPECT_EQ(PictureIndices(ReadPng(MakePng(bg)), std::vector<std::uint32_t>{0, 0x0000FF}, 0xF0F0F0)
                .pixels,
            (std::vector<std::uint8_t>{0, 1}));
}

TEST(ReadPng, RefusesWhatIsNotAWholePng) {
  EXPECT_EQ(ErrorOf({}), "Not a PNG file");
  EXPECT_EQ(ErrorOf({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}), "Not a PNG file");
  TTestPng s{16, 16, PNG_COLOR_TYPE_PALETTE, 8, false, std::vector<std::uint16_t>(256, 3), 4};
  Bytes file = MakePng(s);
  for (const std::size_t keep :
       {std::size_t{8}, std::size_t{20}, file.size() / 2, file.size() - 13}) {
    const std::string e = ErrorOf(Bytes(file.begin(), file.begin() + keep));
    EXPECT_TRUE(e.starts_with("The PNG file is damaged or cut short (")) << keep << ": " << e;
  }
  file[20] ^= 0x40;  // inside IHDR: its CRC no longer matches
  EXPECT_TRUE(ErrorOf(file).starts_with("The PNG file is damaged")) << ErrorOf(file);

  // A huge picture is refused from its header, before any pixel is read.
  TTestPng big{16001, 1, PNG_COLOR_TYPE_GRAY, 1, false, std::vector<std::uint16_t>(16001, 0)};
  EXPECT_EQ(ErrorOf(MakePng(big)),
            "The picture is 16001 x 1 pixels; the largest that can be read is 16000 x 16000");
}

// A header that claims more pixels than the caller takes is refused before libpng sets up
// its row buffers or a row is allocated: the file holds one row of data, so a reader that
// went on would report it damaged instead.
TEST(ReadPng, TheCallersSizeCheckComesBeforeAnyRow) {
  for (const bool adam7 : {false, true}) {
    TTestPng claim{16000, 1,     PNG_COLOR_TYPE_RGB_ALPHA,
                   16,    adam7, std::vector<std::uint16_t>(16000 * 4, 9)};
    Bytes file = MakePng(claim);
    // The header now claims 16000 rows; its CRC is made again.
    file[16 + 4] = 0;
    file[16 + 5] = 0;
    file[16 + 6] = 0x3E;
    file[16 + 7] = 0x80;
    const std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, file.data() + 12, 17));
    for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    std::int64_t seen = 0;
    const auto refuse = [&seen](std::int64_t w, std::int64_t h) {
      seen = w * h;
      throw TError("too large: " + std::to_string(w) + " x " + std::to_string(h));
    };
    try {
      ReadPng(file, refuse);
      ADD_FAILURE() << "read";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()), "too large: 16000 x 16000") << adam7;
    }
    EXPECT_EQ(seen, 16000 * 16000);
  }
}
