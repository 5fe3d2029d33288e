// The three status-bar texts of an entry: its tile count and its two sizes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "entries/tile_entry.h"

namespace tegulo {

// RawSize as unsigned 32-bit div (Bpp * 8); 0 when Bpp is 0.
std::uint32_t TileCount(const TTileEntry& e);

// "#Tiles: %3d ($%.2x)", "RawSize: %3d ($%.2x)", "Compr.Size: %3d ($%.2x)", upper-case hex,
// negative values in hex as their unsigned 32-bit form.
std::array<std::string, 3> StatusTexts(const TTileEntry& e);

}  // namespace tegulo
