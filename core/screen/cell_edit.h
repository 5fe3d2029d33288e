// Changing a screen's cells: flips, palette, tile number and priority stepped within what the
// map format holds, and the map with a changed cell as an entry for the write-back, so that a
// packed map is packed again (and one that grew can move, as a tile stream can).
#pragma once

#include <cstdint>
#include <span>

#include "image/pixel_paint.h"
#include "screen/screen.h"

namespace tegulo {

enum class TCellChange {
  FlipH,
  FlipV,
  NextPalette,
  PreviousPalette,
  NextTile,
  PreviousTile,
  Priority,
};

// The cell after `change` in format `f`: flips and priority toggle; palette and tile number
// step by one and wrap within their fields. Throws TError naming the format when it has no
// such field ("A mode7 map has no palette numbers").
TMapCell ChangeCell(const TMapFormat& f, TMapCell cell, TCellChange change);

// The cell with tile number `tile`. Throws TError when the format's field cannot hold it
// ("A snes map's tile numbers go from 0 to 1023, not 1024").
TMapCell WithTile(const TMapFormat& f, TMapCell cell, std::int64_t tile);

// The map's cell (cx, cy) as its entry gives it (entry bytes past the map's end read 0).
TMapCell CellAt(const TScreen& s, std::span<const std::uint8_t> map, std::int32_t cx,
                std::int32_t cy);

// The map of `s` in `rom` with cell (cx, cy) set to `cell`, as an entry and picture for
// WriteBackPicture: template "8bpp (PC)" at the map's address and compression, the map's
// MapByteLength bytes as a picture's indices (W x H with W x H the length, each side at most
// 2000). A packed map's unpacked bytes past the map stay as they are. Throws TError when
// the cell lies outside the map, the map lies outside the ROM, its stream unpacks to fewer
// bytes than the map needs, or its length has no such sides.
TEditBand MapCellBand(const TScreen& s, std::span<const std::uint8_t> rom, std::int32_t cx,
                      std::int32_t cy, const TMapCell& cell);

// The tiles a map of `s` can name (numbers 0 to the format's largest that lie in the entry's
// tile set), drawn `columns` a row in palette `palette` into `bmp`, its colours loaded as
// DrawScreen loads them. Returns the first number shown and how many; {0, 0} (an empty
// bitmap) when none. Throws TError as DrawScreen does.
struct TTileSheet {
  std::int64_t first = 0;
  std::int64_t count = 0;
};
TTileSheet DrawTileSheet(TIndexedBitmap& bmp, const TTileEntry& e, const TScreen& s,
                         std::span<const std::uint8_t> rom, std::span<const std::uint8_t> decoded,
                         int palette, std::int32_t columns, std::uint32_t background);

}  // namespace tegulo
