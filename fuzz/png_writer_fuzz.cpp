// libFuzzer target: the PNG encoder. A bitmap of random size, colours and pixels is encoded,
// read back with libpng and compared pixel for pixel, with its palette and transparency.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/bitmap.h"
#include "fuzz_input.h"
#include "image/png_encode.h"
#include "image/png_writer.h"

using namespace tegulo;

namespace {

struct TDecoded {
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0;
  std::vector<png_color> plte;
  std::vector<std::uint8_t> alpha, pixels;
};

struct TMemory {
  const std::vector<std::uint8_t>* bytes;
  std::size_t at = 0;
};

void OnRead(png_structp png, png_bytep out, png_size_t n) {
  auto& m = *static_cast<TMemory*>(png_get_io_ptr(png));
  if (n > m.bytes->size() - m.at) png_error(png, "short");
  std::memcpy(out, m.bytes->data() + m.at, n);
  m.at += n;
}

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The one frame with setjmp: plain locals only.
bool Decode(png_structp png, png_infop info, TMemory* m, TDecoded* d) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, m, OnRead);
  png_read_info(png, info);
  png_get_IHDR(png, info, &d->width, &d->height, &d->depth, &d->colourType, nullptr, nullptr,
               nullptr);
  png_colorp plte = nullptr;
  int n = 0;
  if (png_get_PLTE(png, info, &plte, &n) == PNG_INFO_PLTE) d->plte.assign(plte, plte + n);
  png_bytep trans = nullptr;
  int nt = 0;
  if (png_get_tRNS(png, info, &trans, &nt, nullptr) == PNG_INFO_tRNS) {
    d->alpha.assign(trans, trans + nt);
  }
  d->pixels.resize(static_cast<std::size_t>(d->width) * d->height);
  for (png_uint_32 y = 0; y < d->height; ++y) png_read_row(png, &d->pixels[y * d->width], nullptr);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TFuzzInput in(data, size);
  const std::int32_t w = static_cast<std::int32_t>(in.Take(1) % 96);
  const std::int32_t h = static_cast<std::int32_t>(in.Take(1) % 96);
  TIndexedBitmap bmp;
  bmp.SetSize(w, h);
  // A few colours from the input, repeated, so that equal colours (and so the choice of the
  // transparent index) come up often.
  const std::uint32_t distinct = in.Take(1) % 8 + 1;
  std::uint32_t colours[8];
  for (std::uint32_t i = 0; i < distinct; ++i) colours[i] = in.Take(3);
  for (std::size_t i = 0; i < 256; ++i) bmp.Colours[i] = colours[(i * 7 + i / 3) % distinct];
  const std::span<const std::uint8_t> rest = in.Rest();
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const std::size_t k = static_cast<std::size_t>(y) * w + x;
      bmp.Row(y)[x] = rest.empty() ? 0 : rest[k % rest.size()];
    }
  }

  if (bmp.Empty()) return 0;
  // Small pieces too, so that the joins between compressed pieces are read back.
  const std::size_t piece = rest.size() % 3 == 0 ? 97 + rest.size() % 500 : kPngPieceBytes;
  std::vector<std::uint8_t> file;
  EncodeIndexedPng(
      bmp, TransparentIndex(bmp),
      [&](std::span<const std::uint8_t> b) { file.insert(file.end(), b.begin(), b.end()); }, {},
      piece);

  TDecoded d;
  TMemory m{&file};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
  png_infop info = png_create_info_struct(png);
  const bool ok = Decode(png, info, &m, &d);
  png_destroy_read_struct(&png, &info, nullptr);
  fuzz::Check(ok);
  fuzz::Check(m.at == file.size());  // nothing after IEND
  fuzz::Check(d.width == static_cast<png_uint_32>(w) && d.height == static_cast<png_uint_32>(h));
  fuzz::Check(d.depth == 8 && d.colourType == PNG_COLOR_TYPE_PALETTE);
  fuzz::Check(d.plte.size() == 256);
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint32_t c = bmp.Colours[i];
    fuzz::Check(d.plte[i].red == ((c >> 16) & 0xFF) && d.plte[i].green == ((c >> 8) & 0xFF) &&
                d.plte[i].blue == (c & 0xFF));
  }
  const int k = TransparentIndex(bmp);
  fuzz::Check(d.alpha.size() == static_cast<std::size_t>(k) + 1);
  for (int i = 0; i < k; ++i) fuzz::Check(d.alpha[static_cast<std::size_t>(i)] == 255);
  fuzz::Check(d.alpha[static_cast<std::size_t>(k)] == 0);
  for (std::int32_t y = 0; y < h; ++y) {
    fuzz::Check(std::equal(bmp.Row(y), bmp.Row(y) + w, &d.pixels[static_cast<std::size_t>(y) * w]));
  }
  return 0;
}
