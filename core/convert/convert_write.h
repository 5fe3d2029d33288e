// A picture put into a ROM as a screen with palettes of its own: the tiles, the map and the
// palettes made from it, written together.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "convert/convert.h"
#include "rom/relocate.h"
#include "rom/write_back.h"
#include "screen/screen.h"
#include "screen/screen_write.h"

namespace tegulo {

struct TScreenPaletteResult {
  TScreenWriteResult screen;  // the ROM with tiles, map and palettes, what was written
  TConversion conversion;     // the palettes made (paletteCount, proven, Summary)
};

// Makes palettes for `picture` as ConvertPicture does (the entry's template, the screen's
// map format; at most the palettes the map's field reaches above the screen's palette base),
// writes them as console words at `paletteAddress` (palette 0 first, 2^bpp words each; what
// the screen draws as palette base + p), and the tiles and map as WriteBackScreen's rebuild
// does, drawn again and compared. Throws TError, nothing written, as ConvertPicture and
// WriteBackScreen do, for a negative palette base, and when the palettes do not fit in the
// ROM at that address.
TScreenPaletteResult RebuildWithPalettes(std::span<const std::uint8_t> rom, const TTileEntry& e,
                                         const TScreen& s, const TPngPicture& picture,
                                         std::int32_t paletteAddress,
                                         const TWriteBackOptions& options = {});

// RebuildWithPalettes, with a map or tile stream that no longer fits its old bytes moved as
// RelocateStreams moves it (pointers rewritten, old bytes filled), and the screen drawn again
// after the move and compared. The result's entry and screen hold the new addresses, its
// lines the moves; the relocations go to `relocations` when given. Throws TError, nothing
// written, as both do.
TScreenPaletteResult RebuildWithPalettesRelocating(std::span<const std::uint8_t> rom,
                                                   const TTileEntry& e, const TScreen& s,
                                                   const TPngPicture& picture,
                                                   std::int32_t paletteAddress,
                                                   const TRelocateOptions& relocate,
                                                   std::vector<TRelocation>* relocations = nullptr);

}  // namespace tegulo
