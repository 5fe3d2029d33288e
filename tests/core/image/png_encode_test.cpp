// The piecewise PNG encoder: read back by libpng whatever the piece size, never larger
// than zlib's level 9 on the same rows, progress after each piece, and stopping cleanly.
#include "image/png_encode.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "image/png_writer.h"
#include "sample_data.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct TReader {
  const Bytes* data;
  std::size_t at = 8;
};

void ReadFn(png_structp png, png_bytep out, png_size_t n) {
  auto& r = *static_cast<TReader*>(png_get_io_ptr(png));
  if (n > r.data->size() - r.at) png_error(png, "past the end");
  std::memcpy(out, r.data->data() + r.at, n);
  r.at += n;
}

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Plain locals only in the frame with setjmp.
bool Decode(png_structp png, png_infop info, TReader* reader, Bytes* pixels, png_uint_32* w,
            png_uint_32* h) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, reader, ReadFn);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(png, info);
  *w = png_get_image_width(png, info);
  *h = png_get_image_height(png, info);
  pixels->resize(std::size_t{*w} * *h);
  for (png_uint_32 y = 0; y < *h; ++y)
    png_read_row(png, pixels->data() + std::size_t{y} * *w, nullptr);
  png_read_end(png, nullptr);
  return true;
}

// The pixels libpng reads from `file`; empty when it refuses the file.
Bytes ReadPixels(const Bytes& file, png_uint_32& w, png_uint_32& h) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  TReader reader{&file};
  Bytes pixels;
  if (!Decode(png, info, &reader, &pixels, &w, &h)) pixels.clear();
  png_destroy_read_struct(&png, &info, nullptr);
  return pixels;
}

Bytes Encode(const TIndexedBitmap& bmp, std::size_t piece,
             std::vector<std::int32_t>* steps = nullptr) {
  Bytes file;
  EncodeIndexedPng(
      bmp, 0, [&](std::span<const std::uint8_t> b) { file.insert(file.end(), b.begin(), b.end()); },
      [&](std::int32_t rows) {
        if (steps) steps->push_back(rows);
      },
      piece);
  return file;
}

// Total IDAT payload.
std::size_t IdatBytes(const Bytes& f) {
  std::size_t total = 0;
  for (std::size_t at = 8; at + 12 <= f.size();) {
    const std::size_t len =
        (std::size_t{f[at]} << 24) | (f[at + 1] << 16) | (f[at + 2] << 8) | f[at + 3];
    if (std::memcmp(&f[at + 4], "IDAT", 4) == 0) total += len;
    at += 12 + len;
  }
  return total;
}

// Images like the exports: drawn tile art, noise, a blank page, a gradient.
TIndexedBitmap Image(int kind, std::int32_t w, std::int32_t h) {
  TIndexedBitmap bmp;
  bmp.SetSize(w, h);
  if (kind == 0) {
    const Bytes tiles = MakeTileLikeData(static_cast<std::size_t>(w / 8) * (h / 8) * 32, 5);
    Draw4bppSNES(bmp, {tiles, 0}, w / 8, h / 8);
  } else if (kind == 1) {
    std::mt19937 rng(kind);
    for (auto& p : bmp.Pixels()) p = static_cast<std::uint8_t>(rng());
  } else if (kind == 3) {
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) bmp.Row(y)[x] = static_cast<std::uint8_t>((x + y) / 7);
  }
  return bmp;
}

}  // namespace

TEST(PngEncode, ReadsBackWhateverThePieceSize) {
  for (int kind = 0; kind < 4; ++kind) {
    for (auto [w, h] :
         {std::pair{8, 8}, std::pair{1, 300}, std::pair{256, 200}, std::pair{1000, 16}}) {
      const TIndexedBitmap bmp = Image(kind, w, h);
      for (std::size_t piece :
           {std::size_t{1}, std::size_t{700}, std::size_t{5000}, kPngPieceBytes}) {
        std::vector<std::int32_t> steps;
        const Bytes file = Encode(bmp, piece, &steps);
        png_uint_32 rw = 0, rh = 0;
        const Bytes pixels = ReadPixels(file, rw, rh);
        const auto where = ::testing::Message()
                           << "kind " << kind << ", " << w << " x " << h << ", pieces of " << piece;
        ASSERT_EQ(rw, static_cast<png_uint_32>(w)) << where;
        ASSERT_EQ(rh, static_cast<png_uint_32>(h)) << where;
        ASSERT_TRUE(std::equal(pixels.begin(), pixels.end(), bmp.Pixels().begin())) << where;
        // Progress after each piece, rising, ending with every row.
        ASSERT_FALSE(steps.empty()) << where;
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end())) << where;
        EXPECT_EQ(steps.back(), h) << where;
        EXPECT_EQ(file[8 + 8 + 13 + 4 + 8 + 768 + 4 + 8 + 1 + 4 + 8], 0x78)
            << where;  // zlib header
      }
    }
  }
}

// Measured on the kinds of picture that get exported, cut in several pieces.
TEST(PngEncode, NeverLargerThanZlibLevel9) {
  for (int kind = 0; kind < 4; ++kind) {
    const TIndexedBitmap bmp = Image(kind, 1024, 768);
    Bytes raw;
    for (std::int32_t y = 0; y < bmp.Height(); ++y) {
      raw.push_back(0);
      raw.insert(raw.end(), bmp.Row(y), bmp.Row(y) + bmp.Width());
    }
    uLongf zn = compressBound(static_cast<uLong>(raw.size()));
    Bytes z(zn);
    ASSERT_EQ(compress2(z.data(), &zn, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
    for (std::size_t piece : {std::size_t{256} << 10, kPngPieceBytes}) {
      EXPECT_LE(IdatBytes(Encode(bmp, piece)), zn) << "kind " << kind << ", pieces of " << piece;
    }
  }
}

TEST(PngEncode, StoppedByProgressLeavesTheOldFile) {
  const std::string path = ::testing::TempDir() + "/tegulo-png-encode-stop.png";
  std::ofstream(path) << "old";
  const TIndexedBitmap bmp = Image(1, 512, 512);
  struct TStop {};
  int calls = 0;
  EXPECT_THROW(WritePng(path, bmp,
                        [&](std::int32_t) {
                          ++calls;
                          throw TStop{};
                        }),
               TStop);
  std::ifstream f(path);
  std::string text((std::istreambuf_iterator<char>(f)), {});
  EXPECT_EQ(text, "old");
  EXPECT_EQ(calls, 1);
  std::filesystem::remove(path);
}
