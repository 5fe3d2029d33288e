// Colours: console colour words, grey ramps, the palette sources and the palette actions.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "entries/tile_entry.h"

namespace tegulo {

using TPalette = std::array<std::uint32_t, 256>;

// A 15-bit console colour word (red bits 0-4, green 5-9, blue 10-14, bit 15 ignored) as
// 0x00BBGGRR, each channel v scaled to v * 255 / 31, truncating.
constexpr std::uint32_t ConsoleColour(std::uint16_t w) {
  const std::uint32_t r = (w & 31u) * 255u / 31u;
  const std::uint32_t g = ((w >> 5) & 31u) * 255u / 31u;
  const std::uint32_t b = ((w >> 10) & 31u) * 255u / 31u;
  return r | (g << 8) | (b << 16);
}

// Writes an even grey ramp of n colours into colours[0..n-1], black to white
// (white to black when reverse). n <= 0 writes nothing, n == 1 writes black.
// Never writes past colours.size().
void MakeMonoPalette(std::span<std::uint32_t> colours, std::int32_t n, bool reverse);

// The colour count that sePalNum's value gives: above 256 counts as 256, 0 or less as 0.
std::int32_t PaletteCount(std::int32_t value);

// n colours from the console words at `address` in the ROM (n clamped by PaletteCount);
// words wholly or partly outside the ROM, a negative address included, give black.
// Colours from n on are black.
TPalette PaletteFromRom(std::span<const std::uint8_t> rom, std::int32_t address, std::int32_t n);

// The 256 colours of a ZSNES save state's bytes (the 512 bytes at offset 1560). Colours
// whose bytes the state does not hold (all of a word) are black.
TPalette ZsnesPaletteFromBytes(std::span<const std::uint8_t> state);

// ZsnesPaletteFromBytes of the file's first 2072 bytes (io/read_file.h). Throws TError
// "<path> not found" when the file does not exist or is a folder, "Cannot open "<path>".
// <reason>" for other failed opens, "<path> is not a regular file" for a FIFO or device
// (without blocking), "Cannot read "<path>". <reason>" when reading fails.
TPalette ReadZsnesPalette(const std::string& path);

// The refresh's copy: all black, then the entry's first PalCount colours (clamped 0..256).
void LoadViewPalette(TPalette& view, const TTileEntry& e);

// The palette actions. Each fills `view` and then changes the entry (when not null) by its
// rule; the caller redraws.
// Grey ramp: view := n greys (n from PaletteCount(count)), black after them; the entry's
//   colours 0..PalCount-1 := a ramp of its own PalCount (clamped 0..256) colours.
// From the ROM: view := PaletteFromRom(rom, address, count); PalAddress := address; the
//   entry's colours 0..PalCount-1 := view's (black where PalCount exceeds n). The window
//   runs it only with a current entry.
// Import: view and all 256 entry colours := imported; PalAddress and PalCount unchanged.
// Pick: colour `index` := colour (top byte cleared) in both, whatever PalCount is; an index
//   outside 0..255 changes nothing.
void ApplyGreyRamp(TPalette& view, TTileEntry* e, std::int32_t count, bool reverse);
void ApplyRomPalette(TPalette& view, TTileEntry* e, std::span<const std::uint8_t> rom,
                     std::int32_t address, std::int32_t count);
void ApplyImportedPalette(TPalette& view, TTileEntry* e, const TPalette& imported);
void ApplyPickedColour(TPalette& view, TTileEntry* e, int index, std::uint32_t colour);

}  // namespace tegulo
