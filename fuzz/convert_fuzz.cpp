// libFuzzer target: convert on arbitrary bytes. The first two bytes choose the template, the
// map format, the flips and the bases; the rest is read as a PNG. It either gives outputs
// whose sizes agree with its counts, or throws TError; never anything else.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/uCommon.h"
#include "convert/convert.h"
#include "screen/map_formats.h"
#include "tiles/tile_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  tegulo::TConvertOptions o;
  o.templ = 1 + data[0] % 8;  // every template that a screen draws
  o.mapFormat = (data[0] >> 3) % tegulo::kMapFormatCount;
  o.flips = (data[1] & 1) != 0;
  o.maxPalettes = (data[1] >> 1) & 7;
  o.tileBase = -static_cast<std::int32_t>(data[1] >> 4) * 60;
  o.searchBound = std::chrono::milliseconds(20);
  try {
    // As the command line reads it: nothing above the largest map's pixels.
    const tegulo::TPngPicture pic =
        tegulo::ReadPng(std::span(data + 2, size - 2), [](std::int64_t w, std::int64_t h) {
          if (w * h > 512 * 512) throw tegulo::TError("too large for the fuzzer");
        });
    const tegulo::TConversion c = tegulo::ConvertPicture(pic, o);
    const std::size_t tileBytes =
        tegulo::TileFormats()[static_cast<std::size_t>(o.templ)].bytesPerTile;
    const int bpp = tegulo::TileFormats()[static_cast<std::size_t>(o.templ)].bitsPerPixel;
    if (c.tiles.size() != tileBytes * static_cast<std::size_t>(c.tileCount) ||
        c.palettes.size() != (static_cast<std::size_t>(c.paletteCount) * 2) << bpp ||
        c.paletteCount < 1 || c.tileCount < 1) {
      std::abort();
    }
  } catch (const tegulo::TError&) {
  }
  return 0;
}
