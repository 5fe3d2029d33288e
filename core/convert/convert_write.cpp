// A rebuilt screen with palettes of its own: the conversion's indices moved to the screen's
// palette base, the tiles and map rebuilt, the palettes written.
#include "convert/convert_write.h"

#include <algorithm>

#include "compress/refresh.h"
#include "palette/palette.h"
#include "rom/palette_write.h"
#include "tiles/uTiles.h"

namespace tegulo {

namespace {

// The conversion, its indices moved up to the screen's palette base, the entry with the
// colours made, and the ROM with the palettes written.
struct TPaletted {
  TConversion conversion;
  TPixelImage indices;
  TTileEntry withColours;
  std::vector<std::uint8_t> rom;
  std::int32_t colourCount = 0;
};

TPaletted MakePalettes(std::span<const std::uint8_t> rom, const TTileEntry& e, const TScreen& s,
                       const TPngPicture& picture, std::int32_t paletteAddress) {
  CheckScreen(s, e);
  if (s.paletteBase < 0) {
    throw TError(
        "Palettes made for a screen go from its palette base up: the base must be 0 "
        "or more, not " +
        std::to_string(s.paletteBase));
  }
  const int bpp = TileTemplates[e.Template].Value;
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  TConvertOptions o;
  o.templ = e.Template;
  o.mapFormat = s.format;
  if (bpp < 8 && f.paletteBits > 0) {
    o.maxPalettes = std::min<int>(1 << f.paletteBits, (256 >> bpp) - s.paletteBase);
    if (o.maxPalettes < 1) {
      throw TError("Palette base " + std::to_string(s.paletteBase) + " leaves no palette");
    }
  }
  TPaletted p{ConvertPicture(picture, o), {}, e, {}, 0};
  const TConversion& c = p.conversion;
  // The screen draws field p with palette p + base: the indices and colours move up to it.
  const int shift = bpp >= 8 ? 0 : (s.paletteBase << bpp) & 0xFF;
  p.indices = c.indices;
  for (std::uint8_t& i : p.indices.pixels) {
    if (i != 0) i = static_cast<std::uint8_t>(i + shift);
  }
  std::vector<std::uint32_t> colours(c.palettes.size() / 2);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    colours[i] =
        ConsoleColour(static_cast<std::uint16_t>(c.palettes[2 * i] | c.palettes[2 * i + 1] << 8));
    p.withColours.Palette[(static_cast<std::size_t>(shift) + i) & 0xFF] = colours[i];
  }
  // The palettes first: a ROM too short for them is refused before any other work.
  p.rom = WritePaletteToRom(rom, paletteAddress, colours);
  p.colourCount = static_cast<std::int32_t>(colours.size());
  return p;
}

// The values the screen of `w` draws from `rom`.
TPixelImage Drawn(std::span<const std::uint8_t> rom, const TScreenWriteResult& w) {
  TTileEntry entry = w.entry;
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(entry, rom, buffer);
  TIndexedBitmap bmp;
  DrawScreen(bmp, entry, w.screen, rom, buffer, 0);
  TPixelImage image{bmp.Width(), bmp.Height(), {}};
  image.pixels.reserve(static_cast<std::size_t>(bmp.Width()) *
                       static_cast<std::size_t>(bmp.Height()));
  for (std::int32_t y = 0; y < bmp.Height(); ++y) {
    image.pixels.insert(image.pixels.end(), bmp.Row(y), bmp.Row(y) + bmp.Width());
  }
  return image;
}

}  // namespace

TScreenPaletteResult RebuildWithPalettes(std::span<const std::uint8_t> rom, const TTileEntry& e,
                                         const TScreen& s, const TPngPicture& picture,
                                         std::int32_t paletteAddress,
                                         const TWriteBackOptions& options) {
  TPaletted p = MakePalettes(rom, e, s, picture, paletteAddress);
  TScreenPaletteResult result{
      WriteBackScreen(p.rom, p.withColours, s, p.indices, TScreenImportMode::kRebuild, options),
      std::move(p.conversion)};
  result.screen.lines.push_back(PaletteWriteText(p.colourCount, paletteAddress));
  return result;
}

TScreenPaletteResult RebuildWithPalettesRelocating(std::span<const std::uint8_t> rom,
                                                   const TTileEntry& e, const TScreen& s,
                                                   const TPngPicture& picture,
                                                   std::int32_t paletteAddress,
                                                   const TRelocateOptions& relocate,
                                                   std::vector<TRelocation>* relocations) {
  TPaletted p = MakePalettes(rom, e, s, picture, paletteAddress);
  TScreenWriteResult written;
  TStreamsRelocated moved = RelocateStreams(p.rom, relocate, [&](const TPlaceStream& place) {
    TWriteBackOptions options;
    options.placeStream = place;
    written =
        WriteBackScreen(p.rom, p.withColours, s, p.indices, TScreenImportMode::kRebuild, options);
    return written.rom;
  });
  // The pointers rewritten and the old bytes filled: the screen must still draw the same.
  const TPixelImage proved = Drawn(written.rom, written);
  written.rom = std::move(moved.rom);
  ProveScreen(written.rom, written.entry, written.screen, proved);
  for (const TRelocation& r : moved.relocations) {
    for (const std::string& line : r.Lines(relocate.layout)) written.lines.push_back(line);
  }
  written.lines.push_back(PaletteWriteText(p.colourCount, paletteAddress));
  if (relocations != nullptr) *relocations = std::move(moved.relocations);
  return {std::move(written), std::move(p.conversion)};
}

}  // namespace tegulo
