// What the status bar says about the pixel under the pointer.
#include "screen/hover_texts.h"

#include "base/numbers.h"
#include "tiles/tile_formats.h"

namespace tegulo {

namespace {

std::string Pair(std::int64_t a, std::int64_t b) {
  return "(" + std::to_string(a) + ", " + std::to_string(b) + ")";
}

// FormatAddress's "$XXXXXX" for small offsets reads as an address; four digits do.
std::string Hex(std::int64_t v) { return "$" + HexDigits(static_cast<std::uint64_t>(v), 4); }

// The byte of a tile that holds pixel (px, py): the first one for planar templates.
std::int64_t ByteInTile(int templ, int px, int py) {
  switch (templ) {
    case kTemplate4bppGBA: return 4 * py + px / 2;
    case kTemplate1bpp: return py;
    case kTemplateMode7Interleaved: return 16 * py + 2 * px + 1;
    case kTemplateMode7Linear: return 8 * py + px;
    default: return 2 * py;  // the SNES planar rows: bit planes 0 and 1 first
  }
}

// The palette block of a cell's palette: its first index, or -1 for 8bpp.
int PaletteFirst(int bpp, const TScreen& s, int palette) {
  return bpp >= 8 ? -1 : ScreenPaletteOffset(bpp, palette, s.paletteBase);
}

}  // namespace

std::string ScreenCellText(const TScreen& s, int bpp, std::span<const std::uint8_t> map,
                           std::int32_t x, std::int32_t y, std::int32_t loaded) {
  if (s.format < 0 || s.format >= kMapFormatCount || x < 0 || y < 0 || x >= 8 * s.width ||
      y >= 8 * s.height) {
    return {};
  }
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const std::int32_t cx = x / 8;
  const std::int32_t cy = y / 8;
  const std::int64_t at = MapEntryIndex(f, s.width, cx, cy) * f.spacing;
  std::uint32_t value = 0;
  for (int b = 0; b < f.entryBytes; ++b) {
    if (at + b < static_cast<std::int64_t>(map.size())) {
      value |= std::uint32_t{map[static_cast<std::size_t>(at + b)]} << (8 * b);
    }
  }
  const TMapCell c = DecodeMapEntry(f, value);
  std::string text =
      "Cell " + Pair(cx, cy) + ": tile " + std::to_string(std::int64_t{c.tile} + s.tileBase);
  if (f.paletteBits > 0) text += ", palette " + std::to_string(c.palette);
  if (f.HasFlips()) {
    text += std::string(", flips ") + (c.hFlip ? "H" : "") + (c.hFlip && c.vFlip ? " " : "") +
            (c.vFlip ? "V" : "") + (!c.hFlip && !c.vFlip ? "none" : "");
  }
  if (f.priorityBit >= 0) text += ", priority " + std::to_string(c.priority ? 1 : 0);
  text += s.mapCompression == 0
              ? ", entry at " + FormatAddress(static_cast<std::int32_t>(s.mapAddress + at))
              : ", unpacked byte " + Hex(at) + " of the map at " + FormatAddress(s.mapAddress);
  const int first = PaletteFirst(bpp, s, c.palette);
  if (first >= 0 && first + (1 << bpp) > loaded) {
    text += ", palette not loaded (colours " + std::to_string(first) + "-" +
            std::to_string(first + (1 << bpp) - 1) + "; " + std::to_string(loaded) + " loaded)";
  }
  return text;
}

std::string TilePixelText(const TTileEntry& e, std::int32_t x, std::int32_t y) {
  const TTileFormat* format = FindTileFormat(e.Template);
  if (format == nullptr || x < 0 || y < 0 || x >= 8 * e.Width || y >= 8 * e.Height) return {};
  std::int64_t byte = 0;
  std::string text;
  if (format->bytesPerTile == 0) {  // "8bpp (PC)": Width bytes a row
    if (x >= e.Width || y >= e.Height) return {};
    byte = std::int64_t{y} * e.Width + x;
    text = "Row " + std::to_string(y) + ", column " + std::to_string(x);
  } else {
    const std::int64_t tile = std::int64_t{y / 8} * e.Width + x / 8;
    byte = tile * format->bytesPerTile + ByteInTile(e.Template, x % 8, y % 8);
    text = "Tile " + std::to_string(tile) + ", pixel " + Pair(x % 8, y % 8);
  }
  byte += e.Offset;
  if (e.Compression != 0) {
    return text + ": unpacked byte " + Hex(byte) + " of the stream at " + FormatAddress(e.Address);
  }
  return text + ": byte at " + FormatAddress(static_cast<std::int32_t>(e.Address + byte));
}

std::string UnloadedPalettesText(const TScreen& s, int bpp, std::span<const TMapCell> cells,
                                 std::int32_t loaded) {
  if (bpp >= 8) return {};
  std::int64_t count = 0;
  for (const TMapCell& c : cells) {
    if (PaletteFirst(bpp, s, c.palette) + (1 << bpp) > loaded) ++count;
  }
  if (count == 0) return {};
  return std::to_string(count) + (count == 1 ? " cell uses" : " cells use") +
         " palettes past the " + std::to_string(loaded) +
         " colours loaded (set Colors to 256 and load the palette again)";
}

std::string VisiblePartText(std::int32_t left, std::int32_t top, std::int32_t right,
                            std::int32_t bottom, std::int32_t width, std::int32_t height) {
  return "View: " + std::to_string(left) + "-" + std::to_string(right) + ", " +
         std::to_string(top) + "-" + std::to_string(bottom) + " of " + std::to_string(width) +
         " x " + std::to_string(height);
}

}  // namespace tegulo
