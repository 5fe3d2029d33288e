#include "image/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "base/uCommon.h"

using namespace tegulo;
namespace fs = std::filesystem;

namespace {

struct Chunk {
  std::string type;
  std::vector<std::uint8_t> data;
};

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// The file's chunks, checked for signature, lengths and CRCs on the way.
std::vector<Chunk> ReadChunks(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(f), {}};
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<Chunk> out;
  if (b.size() < 8 || std::memcmp(b.data(), kSignature, 8) != 0) {
    ADD_FAILURE() << "no PNG signature";
    return out;
  }
  std::size_t pos = 8;
  while (pos + 12 <= b.size()) {
    const std::uint32_t len = Be32(&b[pos]);
    if (len > b.size() - pos - 12) {
      ADD_FAILURE() << "chunk runs past the end";
      return out;
    }
    Chunk c{std::string(reinterpret_cast<const char*>(&b[pos + 4]), 4),
            {b.begin() + static_cast<std::ptrdiff_t>(pos + 8),
             b.begin() + static_cast<std::ptrdiff_t>(pos + 8 + len)}};
    const uLong crc = crc32(0, &b[pos + 4], len + 4);
    EXPECT_EQ(crc, Be32(&b[pos + 8 + len])) << "CRC of " << c.type;
    out.push_back(std::move(c));
    pos += 12 + len;
  }
  EXPECT_EQ(pos, b.size()) << "bytes after the last chunk";
  return out;
}

struct Decoded {
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  std::vector<png_color> palette;
  std::vector<png_byte> alpha;
  std::vector<std::uint8_t> pixels;
};

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The frame with setjmp holds only plain locals.
bool DecodeInto(png_structp png, png_infop info, FILE* f, Decoded& d) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  png_read_info(png, info);
  png_get_IHDR(png, info, &d.width, &d.height, &d.depth, &d.colourType, &d.interlace, nullptr,
               nullptr);
  png_colorp plte = nullptr;
  int n = 0;
  if (png_get_PLTE(png, info, &plte, &n)) d.palette.assign(plte, plte + n);
  png_bytep trans = nullptr;
  int nt = 0;
  if (png_get_tRNS(png, info, &trans, &nt, nullptr)) d.alpha.assign(trans, trans + nt);
  d.pixels.resize(static_cast<std::size_t>(d.width) * d.height);
  for (png_uint_32 y = 0; y < d.height; ++y) png_read_row(png, &d.pixels[y * d.width], nullptr);
  png_read_end(png, nullptr);
  return true;
}

Decoded ReadBack(const std::string& path) {
  Decoded d;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    ADD_FAILURE() << "cannot open " << path;
    return d;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  EXPECT_TRUE(DecodeInto(png, info, f, d)) << "libpng could not read " << path;
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return d;
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

class PngWriter : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tegulo-png-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

}  // namespace

TEST_F(PngWriter, WritesExactlyTheFiveKindsOfChunk) {
  const TIndexedBitmap bmp = Sample(40, 24);
  WritePng(Path("a.png"), bmp);
  const auto chunks = ReadChunks(Path("a.png"));
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
  const Decoded d = ReadBack(Path("b.png"));
  EXPECT_EQ(d.width, 300u);
  EXPECT_EQ(d.height, 7u);
  EXPECT_EQ(d.depth, 8);
  EXPECT_EQ(d.colourType, PNG_COLOR_TYPE_PALETTE);
  EXPECT_EQ(d.interlace, PNG_INTERLACE_NONE);
  ASSERT_EQ(d.palette.size(), 256u);
  for (std::uint32_t i = 0; i < 256; ++i) {
    EXPECT_EQ(d.palette[i].red, i);
    EXPECT_EQ(d.palette[i].green, 255 - i);
    EXPECT_EQ(d.palette[i].blue, i / 2);
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
  const auto chunks = ReadChunks(Path("wide.png"));
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
    const auto chunks = ReadChunks(Path("t.png"));
    ASSERT_GE(chunks.size(), 3u) << c.name;
    EXPECT_EQ(chunks[2].type, "tRNS") << c.name;
    EXPECT_EQ(chunks[2].data, alpha) << c.name;
    EXPECT_EQ(ReadBack(Path("t.png")).alpha, alpha) << c.name;
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
  EXPECT_EQ(ReadBack(Path("old.png")).width, 8u);
}
