// The palette readers of each outside source, on the file's bytes. palette_sources.h picks
// the reader by the file's content; these are its parts.
#pragma once

#include <cstdint>
#include <span>

#include "palette/palette.h"

namespace tegulo {

// Which half of a GBA palette: the 256 background colours or the 256 sprite colours.
enum class TPaletteHalf { Background, Sprites };

// Each reader returns the 256 colours, console words converted by ConsoleColour, or throws
// TError with the reason in words ("the state is cut short", ...), without the file's name.

// ZSNES states are read by ZsnesPaletteFromBytes (palette/palette.h).

// mGBA GBA state, raw (the 0x61000-byte state block, any extra data after it) or a PNG
// image carrying the block in its gbAs chunk. A Game Boy state is refused.
TPalette MgbaRawPalette(std::span<const std::uint8_t> bytes, TPaletteHalf half);
TPalette MgbaPngPalette(std::span<const std::uint8_t> bytes, TPaletteHalf half);

// Snes9x snapshot stream (already inflated), versions 6 to 12; CGDATA is big-endian.
TPalette Snes9xPalette(std::span<const std::uint8_t> stream);

// VisualBoyAdvance / VBA-M GBA state stream (already inflated), versions 1 to 11.
TPalette VbaPalette(std::span<const std::uint8_t> stream, TPaletteHalf half);

// Mesen2 state (format versions 3 and 4; SNES and GBA consoles) and Mesen-S state (format
// versions 6 to 8, standalone and libretro headers).
TPalette Mesen2Palette(std::span<const std::uint8_t> bytes, TPaletteHalf half);
TPalette MesenSPalette(std::span<const std::uint8_t> bytes);

// The GBA palette's half from 1024 bytes of palette RAM (512 little-endian words).
TPalette GbaPaletteHalf(std::span<const std::uint8_t> ram, TPaletteHalf half);

}  // namespace tegulo
