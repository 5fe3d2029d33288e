// PNG reading for the tests: a chunk walk with CRC checks, and libpng for the pixels.
#include "png_reader.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace tegulo::test {
namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

struct TMemoryInput {
  std::span<const std::uint8_t> file;
  std::size_t pos = 0;
};

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<TMemoryInput*>(png_get_io_ptr(png));
  if (n > in->file.size() - in->pos) png_error(png, "read past the end");
  std::memcpy(out, in->file.data() + in->pos, n);
  in->pos += n;
}

// The frame with setjmp holds only plain locals.
bool DecodeInto(png_structp png, png_infop info, TMemoryInput* in, TPngImage& d) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, in, ReadFromMemory);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  png_get_IHDR(png, info, &w, &h, &d.depth, &d.colourType, &d.interlace, nullptr, nullptr);
  d.width = w;
  d.height = h;
  if (d.depth != 8 || d.colourType != PNG_COLOR_TYPE_PALETTE) return false;
  png_colorp plte = nullptr;
  int n = 0;
  if (png_get_PLTE(png, info, &plte, &n) == PNG_INFO_PLTE) {
    for (int i = 0; i < n; ++i)
      d.rgb.insert(d.rgb.end(), {plte[i].red, plte[i].green, plte[i].blue});
  }
  png_bytep trans = nullptr;
  int nt = 0;
  if (png_get_tRNS(png, info, &trans, &nt, nullptr) == PNG_INFO_tRNS) {
    d.alpha.assign(trans, trans + nt);
  }
  d.pixels.resize(static_cast<std::size_t>(w) * h);
  for (png_uint_32 y = 0; y < h; ++y) {
    png_read_row(png, d.pixels.data() + static_cast<std::size_t>(y) * w, nullptr);
  }
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

std::vector<TPngChunk> ReadPngChunks(std::span<const std::uint8_t> b) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<TPngChunk> out;
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
    TPngChunk c{std::string(reinterpret_cast<const char*>(&b[pos + 4]), 4),
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

std::vector<TPngChunk> ReadPngChunks(const std::string& path) {
  return ReadPngChunks(ReadFileBytes(path));
}

TPngImage DecodePng(std::span<const std::uint8_t> file) {
  TPngImage d;
  TMemoryInput in{file};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  d.ok = DecodeInto(png, info, &in, d);
  png_destroy_read_struct(&png, &info, nullptr);
  return d;
}

TPngImage ReadPng(const std::string& path) { return DecodePng(ReadFileBytes(path)); }

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

}  // namespace tegulo::test
