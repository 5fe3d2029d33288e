// The tilemap formats as a table: one row per format with its entry size, bit fields and
// layout, and the functions that read and write one map entry.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tegulo {

// How the entry of map cell (x, y) is found.
enum class TMapLayout {
  kScreenBlocks,  // 32 x 32 blocks one after another, left to right, then top to bottom
  kRows,          // one row-major array as wide as the map
  kRows128,       // one row-major array 128 entries wide (Mode 7)
};

// One map format. A bit number of -1 means the format has no such field.
struct TMapFormat {
  std::string_view name;  // as --map-format and the window's list take it
  int entryBytes;         // 1 or 2 (16-bit entries are little-endian)
  int spacing;            // bytes from one entry to the next (2 for the interleaved Mode 7 map)
  TMapLayout layout;
  int tileBits;      // the tile number is bits 0..tileBits-1
  int paletteShift;  // first bit of the palette number
  int paletteBits;   // 0: no palette field
  int hFlipBit;
  int vFlipBit;
  int priorityBit;
  std::int32_t maxSide;  // largest width and height in tiles the layout can address

  std::uint32_t MaxTile() const { return (1U << tileBits) - 1; }
  std::uint32_t MaxPalette() const { return (1U << paletteBits) - 1; }
  bool HasFlips() const { return hFlipBit >= 0; }
};

inline constexpr int kMapSNES = 0;
inline constexpr int kMapGBAText = 1;
inline constexpr int kMapGBAAffine = 2;
inline constexpr int kMapMode7 = 3;
inline constexpr int kMapMode7Interleaved = 4;
inline constexpr int kMapLinear = 5;
inline constexpr int kMapFormatCount = 6;

// Every row, indexed by kMapSNES..kMapLinear.
std::span<const TMapFormat, kMapFormatCount> MapFormats();

// A format by its name, in any letter case.
std::optional<int> FindMapFormat(std::string_view name);

// "snes, gba-text, gba-affine, mode7, mode7-interleaved or linear".
std::string_view MapFormatNames();

// One map cell as its entry gives it.
struct TMapCell {
  std::uint16_t tile = 0;
  std::uint8_t palette = 0;
  bool hFlip = false;
  bool vFlip = false;
  bool priority = false;

  friend bool operator==(const TMapCell&, const TMapCell&) = default;
};

TMapCell DecodeMapEntry(const TMapFormat& f, std::uint32_t value);

// The entry value of a cell; fields the format lacks are left out, and a tile or palette
// number is cut to its field (callers check the ranges first).
std::uint32_t EncodeMapEntry(const TMapFormat& f, const TMapCell& cell);

// The entry number of cell (x, y) in a map `width` cells wide; its bytes start at
// entry number x spacing from the map's start.
std::int64_t MapEntryIndex(const TMapFormat& f, std::int32_t width, std::int32_t x, std::int32_t y);

}  // namespace tegulo
