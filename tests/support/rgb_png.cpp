// True-colour test pictures written with libpng.
#include "rgb_png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fstream>

namespace tegulo::test {
namespace {

void OnWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

}  // namespace

std::vector<std::uint8_t> RgbaPng(int w, int h, const std::vector<std::uint32_t>& argb) {
  std::vector<std::uint8_t> out;
  std::vector<std::vector<std::uint8_t>> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                   static_cast<std::size_t>(x)];
      rows[static_cast<std::size_t>(y)].insert(
          rows[static_cast<std::size_t>(y)].end(),
          {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
           static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 24)});
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the test picture";
    return {};
  }
  png_set_write_fn(png, &out, OnWrite, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void WriteRgbaPng(const std::string& path, int w, int h, const std::vector<std::uint32_t>& argb) {
  const std::vector<std::uint8_t> bytes = RgbaPng(w, h, argb);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tegulo::test
