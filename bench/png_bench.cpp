// PNG export speed in pixels, on drawn tile art and on noise, at 256 KiB and 4 MiB of
// pixels: "zlib9" is the libpng writer at zlib level 9 (the export as it was), "encoder" the
// export's own encoder (libdeflate in pieces). The "bytes" counter is the file size.
#include <png.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/png_encode.h"
#include "ratio_main.h"
#include "sample_data.h"
#include "tiles/uTiles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(png_structp png, png_bytep data, png_size_t n) {
  auto& out = *static_cast<Bytes*>(png_get_io_ptr(png));
  out.insert(out.end(), data, data + n);
}
void Flush(png_structp) {}

// The previous export: libpng, level 9, rows one at a time. Plain locals only (setjmp).
bool LibpngInto(const tegulo::TIndexedBitmap* bmp, Bytes* out, png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, Append, Flush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bmp->Width()),
               static_cast<png_uint_32>(bmp->Height()), 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color plte[256] = {};
  png_set_PLTE(png, info, plte, 256);
  png_byte alpha[1] = {0};
  png_set_tRNS(png, info, alpha, 1, nullptr);
  png_write_info(png, info);
  for (std::int32_t y = 0; y < bmp->Height(); ++y) png_write_row(png, bmp->Row(y));
  png_write_end(png, nullptr);
  return true;
}

std::size_t Libpng(const tegulo::TIndexedBitmap& bmp) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  LibpngInto(&bmp, &out, png, info);
  png_destroy_write_struct(&png, &info);
  return out.size();
}

std::size_t Encoder(const tegulo::TIndexedBitmap& bmp) {
  std::size_t n = 0;
  tegulo::EncodeIndexedPng(bmp, 0, [&](std::span<const std::uint8_t> b) { n += b.size(); });
  return n;
}

std::shared_ptr<tegulo::TIndexedBitmap> Image(bool tiles, int side) {
  auto bmp = std::make_shared<tegulo::TIndexedBitmap>();
  bmp->SetSize(side, side);
  if (tiles) {
    const Bytes d =
        tegulo::MakeTileLikeData(static_cast<std::size_t>(side / 8) * (side / 8) * 32, 9);
    tegulo::Draw4bppSNES(*bmp, {d, 0}, side / 8, side / 8);
  } else {
    std::mt19937 rng(3);
    for (auto& p : bmp->Pixels()) p = static_cast<std::uint8_t>(rng());
  }
  return bmp;
}

void RegisterAll() {
  const std::pair<const char*, int> sizes[] = {{"256K", 512}, {"4M", 2048}};
  for (auto [sizeName, side] : sizes) {
    for (bool tiles : {true, false}) {
      auto bmp = Image(tiles, side);
      const std::string base = std::string("png/") + (tiles ? "tiles/" : "random/") + sizeName;
      const std::pair<const char*, std::size_t (*)(const tegulo::TIndexedBitmap&)> who[] = {
          {"zlib9", Libpng}, {"encoder", Encoder}};
      for (auto [name, encode] : who) {
        benchmark::RegisterBenchmark(
            (base + "/" + name).c_str(), [bmp, encode = encode](benchmark::State& st) {
              std::size_t bytes = 0;
              for (auto _ : st) bytes = encode(*bmp);
              st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(bmp->PixelCount()));
              st.counters["bytes"] = static_cast<double>(bytes);
            });
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  return tegulo::bench::RatioMain(argc, argv, {"zlib9"});
}
