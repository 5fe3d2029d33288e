// Drawing an entry into the indexed bitmap.
#pragma once

#include <cstdint>
#include <span>

#include "base/bitmap.h"
#include "entries/tile_entry.h"

namespace tegulo {

// The background used where the platform gives no button-face colour (0x00BBGGRR).
inline constexpr std::uint32_t kFallbackBackground = 0x00F0F0F0;

// Sizes `bmp` to 8*Width x 8*Height (empty when either is 0 or less), loads its colour table
// from all 256 entry colours with colour 0 replaced by `background` (0x00BBGGRR), converted
// with SwapRedBlue, and runs the template's decoder. The tile data start at `decoded` +
// Offset for a compressed entry, at `rom` + Address + Offset otherwise; bytes outside the
// data read as 0. Template 0 is never drawn (the bitmap is left as it was); templates
// above 9 size and colour the bitmap but draw no pixel. Throws TError when the bitmap's
// memory cannot be had.
void DrawTiles(TIndexedBitmap& bmp, const TTileEntry& e, std::span<const std::uint8_t> rom,
               std::span<const std::uint8_t> decoded, std::uint32_t background);

}  // namespace tegulo
