// Colours: console colour words, grey ramps.
#pragma once

#include <cstdint>
#include <span>

namespace tegulo {

// A 15-bit console colour word (red bits 0-4, green 5-9, blue 10-14) as 0x00BBGGRR,
// each channel v scaled to v * 255 / 31, truncating.
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

}  // namespace tegulo

#include <array>
#include <string>

#include "tile_entry.h"

namespace tegulo {

using TPalette = std::array<std::uint32_t, 256>;

// The colour count that sePalNum's value gives: above 256 counts as 256, 0 or less as 0.
std::int32_t PaletteCount(std::int32_t value);

// n colours from the console words at `address` in the ROM (n clamped by PaletteCount);
// words wholly or partly outside the ROM, a negative address included, give black.
// Colours from n on are black.
TPalette PaletteFromRom(std::span<const std::uint8_t> rom, std::int32_t address, std::int32_t n);

// The 256 colours of a ZSNES save state (the 512 bytes at offset 1560). Colours whose bytes
// the file does not hold are black. Throws TError "<path> not found" when it cannot be opened.
TPalette ReadZsnesPalette(const std::string& path);

// The refresh's copy: all black, then the entry's first PalCount colours (clamped 0..256).
void LoadViewPalette(TPalette& view, const TTileEntry& e);

// The palette actions. Each fills `view` and then changes the entry (when not null) by its
// rule. Grey ramp: view gets n greys (n from PaletteCount), the entry a ramp of its own
// PalCount colours. From the ROM: PalAddress := address, entry colours 0..PalCount-1 :=
// view's. Import: all 256. Pick: colour `index` (0..255) in both.
void ApplyGreyRamp(TPalette& view, TTileEntry* e, std::int32_t count, bool reverse);
void ApplyRomPalette(TPalette& view, TTileEntry* e, std::span<const std::uint8_t> rom,
                     std::int32_t address, std::int32_t count);
void ApplyImportedPalette(TPalette& view, TTileEntry* e, const TPalette& imported);
void ApplyPickedColour(TPalette& view, TTileEntry* e, int index, std::uint32_t colour);

}  // namespace tegulo
