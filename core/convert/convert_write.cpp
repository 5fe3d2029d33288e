// A rebuilt screen with palettes of its own: the conversion's indices moved to the screen's
// palette base, the tiles and map rebuilt, the palettes written.
#include "convert/convert_write.h"

#include <algorithm>

#include "palette/palette.h"
#include "rom/palette_write.h"
#include "tiles/uTiles.h"

namespace tegulo {

TScreenPaletteResult RebuildWithPalettes(std::span<const std::uint8_t> rom, const TTileEntry& e,
                                         const TScreen& s, const TPngPicture& picture,
                                         std::int32_t paletteAddress,
                                         const TWriteBackOptions& options) {
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
  TScreenPaletteResult result{{}, ConvertPicture(picture, o)};
  const TConversion& c = result.conversion;
  // The screen draws field p with palette p + base: the indices and colours move up to it.
  const int shift = bpp >= 8 ? 0 : (s.paletteBase << bpp) & 0xFF;
  TPixelImage indices = c.indices;
  for (std::uint8_t& i : indices.pixels) {
    if (i != 0) i = static_cast<std::uint8_t>(i + shift);
  }
  TTileEntry withColours = e;
  std::vector<std::uint32_t> colours(c.palettes.size() / 2);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    colours[i] =
        ConsoleColour(static_cast<std::uint16_t>(c.palettes[2 * i] | c.palettes[2 * i + 1] << 8));
    withColours.Palette[(static_cast<std::size_t>(shift) + i) & 0xFF] = colours[i];
  }
  // The palettes first: a ROM too short for them is refused before any other work.
  const std::vector<std::uint8_t> withPalettes = WritePaletteToRom(rom, paletteAddress, colours);
  result.screen =
      WriteBackScreen(withPalettes, withColours, s, indices, TScreenImportMode::kRebuild, options);
  result.screen.lines.push_back(
      PaletteWriteText(static_cast<std::int32_t>(colours.size()), paletteAddress));
  return result;
}

}  // namespace tegulo
