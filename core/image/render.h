// Drawing an entry into the indexed bitmap.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/bitmap.h"
#include "entries/tile_entry.h"

namespace tegulo {

// The background used where the platform gives no button-face colour (0x00BBGGRR).
inline constexpr std::uint32_t kFallbackBackground = 0x00F0F0F0;

// Whether the entry's bitmap is within the draw limit: Width and Height at most kMaxTiles
// (entries/limits.h), 16000 x 16000 pixels, or a side of 0 or less (an empty bitmap). Only a
// damaged or hand-made document holds more.
bool WithinDrawLimit(const TTileEntry& e);

// "Entry too large to draw (<Width> x <Height> tiles; at most 2000 x 2000)".
std::string TooLargeToDrawText(const TTileEntry& e);

// Sizes `bmp` to 8*Width x 8*Height (empty when either is 0 or less), loads its colour table
// from all 256 entry colours with colour 0 replaced by `background` (0x00BBGGRR), converted
// with SwapRedBlue, and runs the template's decoder. The tile data start at `decoded` +
// Offset for a compressed entry, at `rom` + Address + Offset otherwise; bytes outside the
// data read as 0. Template 0 is never drawn (the bitmap is left as it was); templates
// above 9 size and colour the bitmap but draw no pixel. An entry beyond the draw limit
// throws TError TooLargeToDrawText before the bitmap is touched, so it keeps its last
// image. Throws TError when the bitmap's memory cannot be had.
void DrawTiles(TIndexedBitmap& bmp, const TTileEntry& e, std::span<const std::uint8_t> rom,
               std::span<const std::uint8_t> decoded, std::uint32_t background);

}  // namespace tegulo
