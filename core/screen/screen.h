// A screen: an entry's tile set drawn through a tilemap, each cell choosing a tile, its
// flips and its palette.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/bitmap.h"
#include "base/uCommon.h"
#include "entries/tile_entry.h"
#include "screen/map_formats.h"
#include "tiles/uTiles.h"

namespace tegulo {

inline constexpr std::int32_t kMaxMapSide = 1024;

// The map half of a screen; the tile half is an entry (address, offset, template,
// compression, colours).
struct TScreen {
  std::int32_t mapAddress = 0;
  int mapCompression = 0;   // a row of Compressions
  int format = kMapSNES;    // a row of MapFormats()
  std::int32_t width = 32;  // in tiles
  std::int32_t height = 32;
  std::int32_t tileBase = 0;     // added to every tile number
  std::int32_t paletteBase = 0;  // added to every palette number
  bool showPriority = false;     // the window dims the cells whose priority bit is clear

  friend bool operator==(const TScreen&, const TScreen&) = default;
};

// A map size typed as "WxH" (also "W x H", "X" in either case), each side in the number syntax
// of addresses; nothing for other text. The sides are not range-checked here.
std::optional<std::pair<std::int32_t, std::int32_t>> ParseMapSize(std::string_view text);

// Steps of the map address while browsing for a map: an entry, a row of entries (of a 32 x 32
// block for the block layouts), the whole map.
enum class TMapStep { EntryBack, EntryForward, RowBack, RowForward, MapBack, MapForward };
std::int64_t MapAddressStep(const TScreen& s, TMapStep step);

// Throws TError when the screen cannot be drawn with the entry: an unknown map format or
// compression, a size outside 1..1024 (1..128 for the Mode 7 formats), or an entry whose
// template is none, "8bpp (PC)" (pixel rows, not tiles) or a damaged value.
void CheckScreen(const TScreen& s, const TTileEntry& e);

// The map's bytes: the ROM from mapAddress on (nothing when it lies outside), or the stream
// there unpacked into `buffer`, as far as the decoder wrote.
std::span<const std::uint8_t> MapBytes(const TScreen& s, std::span<const std::uint8_t> rom,
                                       TDecodeBuffer& buffer);

// The width x height cells, row by row; entry bytes outside `map` read as 0. `missing`, when
// given, counts the cells whose entry lies past the map's bytes.
std::vector<TMapCell> ReadMapCells(const TScreen& s, std::span<const std::uint8_t> map,
                                   std::int64_t* missing = nullptr);

// The entry's tile data as a screen reads them: the ROM from Address + Offset, or the
// unpacked data (RawSize bytes of `decoded`, as the last refresh set it) from Offset.
TByteSource ScreenTileSource(const TTileEntry& e, std::span<const std::uint8_t> rom,
                             std::span<const std::uint8_t> decoded);

// Tiles `first`..`first + count - 1` of a tile set, decoded: 64 stored pixel values a tile.
struct TTileSet {
  std::int64_t total = 0;  // tiles the data hold (a cut last tile counts)
  std::int64_t first = 0;
  std::int64_t count = 0;
  std::vector<std::uint8_t> pixels;

  const std::uint8_t* Tile(std::int64_t position) const {
    return position >= first && position < first + count ? pixels.data() + (position - first) * 64
                                                         : nullptr;
  }
};

// Tile positions the cells name (tile number + tileBase), clipped to the tiles the data hold;
// empty (first > last) when no cell names one of them.
struct TTileRange {
  std::int64_t first = 0;
  std::int64_t last = -1;
};
std::int64_t TileSetSize(int templ, TByteSource src);
TTileRange NamedTiles(const TScreen& s, const std::vector<TMapCell>& cells, std::int64_t total);

// Decodes the tiles of `range` with the template's decoder. Throws TError for memory.
TTileSet DecodeTileSet(int templ, TByteSource src, TTileRange range);

struct TScreenDrawReport {
  std::int64_t tiles = 0;       // tiles the data hold
  std::int64_t pastEnd = 0;     // cells that name a tile past them (drawn in index 0)
  std::int64_t mapMissing = 0;  // cells whose map entry lies past the map's bytes (tile 0)
  std::int32_t firstX = 0, firstY = 0;
  std::int64_t firstTile = 0;
  // One byte a cell, row by row, 1 where the entry's priority bit is set; empty for the
  // formats without one.
  std::vector<std::uint8_t> priority;

  // "" when every cell names a tile of the set, else "12 cells name tiles past the tile
  // set's end (300 tiles), the first (4, 0) tile 301"; then, when the map's bytes end
  // early, "; 40 cells lie past the map's bytes (the ROM's end or the unpacked map's) and
  // show tile 0".
  std::string Text() const;
};

// The status bar's text for a screen: "Screen: snes map 32 x 32 at $001000", with
// ", 4 cells past the tile set" when the report counts any.
std::string ScreenStatusText(const TScreen& s, const TScreenDrawReport& report);

// The colour index of stored pixel value v in a cell of palette p: 0 for v = 0 (colour 0 of
// every palette is transparent), else v + (p + paletteBase) x 2^bpp, within 0..255; 8bpp
// ignores the palette.
inline int ScreenPaletteOffset(int bpp, int palette, std::int32_t paletteBase) {
  if (bpp >= 8) return 0;
  return static_cast<int>((static_cast<std::int64_t>(palette) + paletteBase) * (1 << bpp)) & 0xFF;
}

// Draws the cells into `bmp` (8*width x 8*height) from the tile set; the bitmap's colours
// are left as they are.
TScreenDrawReport ComposeScreen(TIndexedBitmap& bmp, const TScreen& s, int bpp,
                                const std::vector<TMapCell>& cells, const TTileSet& set);

// Sizes `bmp` to 8*width x 8*height of the screen, loads its colours as DrawTiles does (the
// entry's 256 colours, colour 0 `background`) and draws the screen: the tiles of `e` (with
// `decoded` its unpacked data for a compressed entry) through the map of `s` in `rom`.
// Throws TError as CheckScreen does, and when memory cannot be had.
TScreenDrawReport DrawScreen(TIndexedBitmap& bmp, const TTileEntry& e, const TScreen& s,
                             std::span<const std::uint8_t> rom,
                             std::span<const std::uint8_t> decoded, std::uint32_t background);

}  // namespace tegulo
