// Putting an edited screen back into a ROM image: into the tiles its map names, or as a new
// tile set and map. Every change is drawn again and compared before anything is handed back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "entries/tile_entry.h"
#include "image/render.h"
#include "rom/write_back.h"
#include "screen/screen.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

enum class TScreenImportMode {
  kKeepMap,  // each cell's pixels go into the tile it names, flipped back
  kRebuild,  // a new tile set and map from the picture
};

struct TScreenWriteResult {
  std::vector<std::uint8_t> rom;   // the new ROM image, the same length as the old
  std::vector<std::string> lines;  // what was written, one line each
  TTileEntry entry{};              // the tile source; its Address moved with a moved stream
  TScreen screen{};                // the map; its mapAddress moved with a moved stream
};

// The picture in a PNG file's bytes as colour indices for a screen of `e`: indexed files keep
// their indices; other colours take the first of the entry's 256 colours that has their
// colour (by `match`, as PictureIndices, which fills `report`), and a transparent pixel or one
// of `background` (0x00BBGGRR, the export's colour 0) is index 0. A picture of another size
// than the screen's is refused from the PNG's header, before any row is decoded. Throws
// TError as ReadPng, PictureIndices and CheckScreenPicture do.
TPixelImage PictureForScreen(std::span<const std::uint8_t> pngFile, const TTileEntry& e,
                             const TScreen& s, std::uint32_t background = kFallbackBackground,
                             TColourMatch match = TColourMatch::kConsole,
                             TColourMatchReport* report = nullptr);

// Writes `picture` (8*width x 8*height colour indices) into a copy of `rom` as the screen of
// entry `e` and map `s` shows it. A cell's indices are taken in its palette (CellValues); the
// first index of a palette's block and index 0 draw as index 0.
// Keep-map: each cell's values, flipped back, go into the tile its entry names; the tiles go
// through WriteBackPicture (streams packed again, options as there, so a packed tile set
// that grew may move to the free space); the map is not touched.
// Throws TError, nothing written, when two cells that name one tile differ ("Cells (1, 0)
// and (4, 2) show tile 7 but differ at its pixel (3, 5)"), a cell's index has no place in its
// palette, or a cell naming a tile past the set's end is not all index 0.
// Rebuild: EncodeScreen makes a tile set numbered from max(0, tileBase) and a map; the map
// is written first (a stream packed again at its address), then the tiles. Refused
// (TStreamDoesNotFit) when a stream no longer fits its old bytes and options.placeStream
// gives it no other place; refused when plain tiles need more than the old map named.
// Both: the screen is drawn from the new image and compared with the picture; WriteBackPicture's
// errors pass through.
TScreenWriteResult WriteBackScreen(std::span<const std::uint8_t> rom, const TTileEntry& e,
                                   const TScreen& s, const TPixelImage& picture,
                                   TScreenImportMode mode, const TWriteBackOptions& options = {});

// Draws the screen of `e` and `s` from `rom` and compares it with `expected` (the values each
// cell shows); throws TError naming the first pixel that differs.
void ProveScreen(std::span<const std::uint8_t> rom, const TTileEntry& e, const TScreen& s,
                 const TPixelImage& expected);

}  // namespace tegulo
