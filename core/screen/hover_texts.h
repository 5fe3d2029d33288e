// What the status bar says about the pixel under the pointer: on a screen its cell (tile,
// palette, flips, priority, where the map keeps the cell's entry), on a tile entry its tile and
// the byte that holds it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "entries/tile_entry.h"
#include "screen/screen.h"

namespace tegulo {

// "Cell (3, 2): tile 17, palette 3, flips H V, priority 1, entry at $001086" for screen pixel
// (x, y); "flips none", and no palette or priority for formats without the field. The entry's
// place is a ROM address for a plain map, "unpacked byte $0086 of the map at $001000" for a
// packed one. `map` is the map's bytes (MapBytes). A cell whose palette lies past the
// `loaded` colours of the entry adds ", palette not loaded (colours 48-63; 16 loaded)". ""
// outside the screen.
std::string ScreenCellText(const TScreen& s, int bpp, std::span<const std::uint8_t> map,
                           std::int32_t x, std::int32_t y, std::int32_t loaded);

// "Tile 17, pixel (3, 5): byte at $1C7D4A" for pixel (x, y) of the entry as DrawTiles draws it
// (the first byte that holds the pixel; "8bpp (PC)" has no tiles: "Row 5, column 3: byte at
// ..."); a packed entry names the byte of its unpacked data: "unpacked byte $0224 of the stream
// at $1C7D04". "" outside the picture or without a template.
std::string TilePixelText(const TTileEntry& e, std::int32_t x, std::int32_t y);

// The cells whose palettes lie past the `loaded` colours of the entry, or "" for none: "5 cells
// use palettes past the 16 colours loaded (set Colors to 256 and load the palette again)".
std::string UnloadedPalettesText(const TScreen& s, int bpp, std::span<const TMapCell> cells,
                                 std::int32_t loaded);

// "View: 64-319, 0-199 of 1024 x 512" for the part of a picture in view: its pixels across,
// then down, of the picture's size.
std::string VisiblePartText(std::int32_t left, std::int32_t top, std::int32_t right,
                            std::int32_t bottom, std::int32_t width, std::int32_t height);

}  // namespace tegulo
