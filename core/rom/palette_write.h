// Colours written back into a ROM image as 15-bit console words: the inverse of the palette
// from the ROM, shared by the window and tegulo-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tegulo {

// Where a palette goes: "ADDR" or "ADDR:COUNT" in the number syntax of ParseInt.
struct TPaletteTarget {
  std::int32_t address = 0;
  std::optional<std::int32_t> count;  // none: the caller's default
};

// Throws ParseInt's TError for a bad number, and TError "The colour count must be 1 to 256"
// for a COUNT outside that range.
TPaletteTarget ParsePaletteTarget(const std::string& text);

// The colour count n of a write: 1 to 256, else the TError above.
std::int32_t CheckedColourCount(std::int64_t n);

// A copy of `rom` with colours[0..n-1] written as little-endian console words from `address`
// on, each the nearest word to its colour (ConsoleWord), so that the palette from the ROM
// at that address gives the snapped colours back. Throws TError, leaving nothing changed,
// for a count outside 1..256 and for "The palette of N colours at $XXXXXX does not fit in
// the ROM (S bytes)" when a word would lie outside the image (a negative address included).
std::vector<std::uint8_t> WritePaletteToRom(std::span<const std::uint8_t> rom, std::int32_t address,
                                            std::span<const std::uint32_t> colours);

// The PLTE colours of an indexed PNG file that a write takes: COUNT of them, or by default
// the first min(PLTE size, defaultCount). Throws TError as ReadPng does, "--write-palette
// needs an indexed PNG (its PLTE colours)" for another kind of picture, and "the PNG has N
// colours, not COUNT" for a COUNT beyond its PLTE.
std::vector<std::uint32_t> PngColoursToWrite(std::span<const std::uint8_t> pngFile,
                                             const TPaletteTarget& where,
                                             std::int32_t defaultCount);

// "Wrote N colours at $XXXXXX as console words" ("1 colour" for one).
std::string PaletteWriteText(std::int32_t count, std::int32_t address);

}  // namespace tegulo
