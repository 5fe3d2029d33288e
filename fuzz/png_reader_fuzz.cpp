// libFuzzer target: the PNG import reader on arbitrary bytes. It either reads a picture whose
// sizes fit the limits and whose samples fill it, or throws TError; never anything else.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "base/uCommon.h"
#include "image/png_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const tegulo::TPngPicture pic = tegulo::ReadPng(std::span(data, size));
    const std::size_t n =
        static_cast<std::size_t>(pic.width) * static_cast<std::size_t>(pic.height);
    if (pic.width > tegulo::kMaxPictureSide || pic.height > tegulo::kMaxPictureSide ||
        pic.samples.size() != n * (pic.indexed ? 1 : 4)) {
      std::abort();
    }
    static const std::vector<std::uint32_t> palette = {0x000000, 0xFFFFFF, 0x0000FF};
    const tegulo::TPixelImage img = tegulo::PictureIndices(pic, palette);
    if (img.pixels.size() != n) std::abort();
  } catch (const tegulo::TError&) {
  }
  return 0;
}
