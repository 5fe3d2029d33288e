// The demo's layout: a title, the palettes, then each picture's data on a 256-byte
// boundary, padded with 0xFF to a power-of-two size like a cartridge image.
#include "demo_rom.h"

#include <functional>
#include <stdexcept>

#include "base/numbers.h"
#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "demo_art.h"
#include "greedy_encoders.h"
#include "palette/entry_template.h"
#include "palette/palette.h"
#include "tiles/tile_formats.h"

namespace tegulo::demo {
namespace {

struct TPicture {
  const char* name;
  int templ;        // a row of TileTemplates
  int compression;  // a row of Compressions
  std::function<TPixelImage()> art;
  std::function<std::vector<std::uint16_t>()> palette;
  // a second entry on the same data that shows its lower pixel rows (a multiple of 8)
  // through Offset; only for the templates of 64 bytes a tile
  int offsetRows = 0;
  const char* offsetName = nullptr;
};

std::vector<std::uint8_t> Compress(int scheme, std::span<const std::uint8_t> raw) {
  if (scheme == kSchemeNone) return {raw.begin(), raw.end()};
  const TGreedyEncoder encode = GreedyEncoder(scheme);
  if (encode == nullptr) throw std::invalid_argument("no such scheme");
  return encode(raw);
}

class TRomWriter {
public:
  std::int32_t Place(std::span<const std::uint8_t> bytes, std::size_t align) {
    while (rom_.size() % align != 0) rom_.push_back(0xFF);
    const std::size_t at = rom_.size();
    rom_.insert(rom_.end(), bytes.begin(), bytes.end());
    return static_cast<std::int32_t>(at);
  }
  std::int32_t PlaceWords(const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint16_t w : words) {
      bytes.push_back(static_cast<std::uint8_t>(w));
      bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return Place(bytes, 32);
  }
  std::vector<std::uint8_t> Finish() {
    std::size_t size = 64 * 1024;
    while (size < rom_.size()) size *= 2;
    rom_.resize(size, 0xFF);
    return std::move(rom_);
  }

private:
  std::vector<std::uint8_t> rom_;
};

TPixelImage LowerRows(const TPixelImage& img, int fromRow) {
  TPixelImage part{img.width, img.height - fromRow, {}};
  part.pixels.assign(img.pixels.begin() + static_cast<std::ptrdiff_t>(fromRow) * img.width,
                     img.pixels.end());
  return part;
}

}  // namespace

std::vector<TTileEntry> TDemo::Entries() const {
  std::vector<TTileEntry> v;
  for (const TDemoItem& i : items) v.push_back(i.entry);
  return v;
}

TDemo BuildDemo() {
  const TPicture pictures[] = {
      {"TEGULO banner 4bpp GBA", kTemplate4bppGBA, kSchemeNone, BannerArt, SunsetPalette},
      {"TEGULO banner 4bpp SNES LZ77", kTemplate4bppSNES, kSchemeLZ10, BannerArt, SunsetPalette},
      {"Gradients 3bpp SNES FF5", kTemplate3bppSNES, kSchemeFF5, GradientArt, OceanPalette},
      {"Gradients 3bpp SNES", kTemplate3bppSNES, kSchemeNone, GradientArt, OceanPalette},
      {"Checkerboard 2bpp SNES FF6", kTemplate2bppSNES, kSchemeFF6, CheckerboardArt,
       CheckerPalette},
      {"Font 1bpp CT", kTemplate1bpp, kSchemeCT, FontSheetArt, FontPalette},
      {"Font 1bpp", kTemplate1bpp, kSchemeNone, FontSheetArt, FontPalette},
      {"Plasma Mode7-1", kTemplateMode7Interleaved, kSchemeNone, PlasmaArt, PlasmaPalette},
      {"Plasma Mode7-2 LZ77", kTemplateMode7Linear, kSchemeLZ10, PlasmaArt, PlasmaPalette, 32,
       "Plasma lower half, Offset"},
      {"Mandelbrot Mode3 CT", kTemplate8bppSNES, kSchemeCT, MandelbrotArt, FractalPalette},
      {"Mandelbrot PC linear FF5", kTemplateLinear8bpp, kSchemeFF5, MandelbrotArt, FractalPalette},
      {"Mandelbrot PC linear", kTemplateLinear8bpp, kSchemeNone, MandelbrotArt, FractalPalette},
  };

  TRomWriter writer;
  const std::string title = "TEGULO DEMO ROM - pictures drawn by tegulo-make-demo";
  writer.Place(std::span(reinterpret_cast<const std::uint8_t*>(title.data()), title.size()), 1);

  struct TPlaced {
    const TPicture* picture;
    TPixelImage art;
    std::int32_t address, palAddress, palCount;
  };
  std::vector<TPlaced> placed;
  for (const TPicture& p : pictures) {
    const auto words = p.palette();
    placed.push_back(
        {&p, p.art(), 0, writer.PlaceWords(words), static_cast<std::int32_t>(words.size())});
  }
  for (TPlaced& p : placed) {
    const std::vector<std::uint8_t> raw = FindTileFormat(p.picture->templ)->encode(p.art);
    p.address = writer.Place(Compress(p.picture->compression, raw), 256);
  }

  TDemo demo;
  demo.rom = writer.Finish();
  TDecodeBuffer buffer(kDecodeBufferSize);
  auto add = [&](const TPlaced& p, const char* name, TPixelImage art, std::int32_t offset) {
    const bool linear = p.picture->templ == kTemplateLinear8bpp;  // Width counts bytes, Height rows
    const std::int32_t w = linear ? art.width : art.width / 8;
    const std::int32_t h = linear ? art.height : art.height / 8;
    TTileEntry e = NewEntry(FormatAddress(p.address), w, h, offset);
    SetName(e, name);
    ApplyTemplate(e, p.picture->templ);
    e.Compression = static_cast<std::uint8_t>(p.picture->compression);
    TPalette view{};
    ApplyRomPalette(view, &e, demo.rom, p.palAddress, p.palCount);
    UnpackEntry(e, demo.rom, buffer);
    demo.items.push_back({e, std::move(art)});
  };
  for (const TPlaced& p : placed) {
    add(p, p.picture->name, p.art, 0);
    if (const int rows = p.picture->offsetRows) {
      const std::int32_t tileRowBytes = p.art.width / 8 * 64;
      add(p, p.picture->offsetName, LowerRows(p.art, rows), rows / 8 * tileRowBytes);
    }
  }
  return demo;
}

}  // namespace tegulo::demo
