// The containers of the emulators' save states, opened once for every reader that needs
// their parts: the palette readers here and the scene readers above. Every function reads
// within the view it is given and throws TError with the reason in words.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tegulo {

// mGBA: the 0x61000-byte state block of a raw state (extra data after it ignored) or of a
// PNG image's gbAs chunk. A Game Boy state and a block cut short are refused.
inline constexpr std::size_t kMgbaStateSize = 0x61000;
std::vector<std::uint8_t> MgbaRawBlock(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> MgbaPngBlock(std::span<const std::uint8_t> bytes);

// Snes9x: the version (6 to 12) and the named blocks of a snapshot stream (inflated).
struct TSnes9xBlocks {
  int version = 0;
  struct TBlock {
    std::array<char, 3> name{};
    std::span<const std::uint8_t> data;
  };
  std::vector<TBlock> blocks;
  // Why the walk stopped before the stream's end (a damaged or cut block), else empty.
  std::string damage;
  // The data of the first block named `name`, or an empty view when there is none.
  std::span<const std::uint8_t> Find(std::string_view name) const;
};
TSnes9xBlocks Snes9xBlocks(std::span<const std::uint8_t> stream);

// VisualBoyAdvance / VBA-M: the version (1 to 11) of a GBA state stream, after checking
// that bytes 4..19 read as a GBA title and code.
std::int32_t VbaVersion(std::span<const std::uint8_t> stream);
// Where palette RAM starts in the stream of that version.
std::size_t VbaPaletteOffset(std::int32_t version);

// Mesen2 (format 3 and 4): the console number and the serializer data (inflated).
struct TMesen2Data {
  std::uint32_t console = 0;
  std::vector<std::uint8_t> data;
};
inline constexpr std::uint32_t kMesenSnes = 0;
inline constexpr std::uint32_t kMesenGba = 5;
TMesen2Data Mesen2Data(std::span<const std::uint8_t> bytes);
// The value of the record named `key` in Mesen2 serializer data, or an empty view.
std::span<const std::uint8_t> MesenRecord(std::span<const std::uint8_t> data, std::string_view key);

// Mesen-S (format 6 to 8): the PPU's seven register sub-blocks (main, BG1-4, two windows)
// and its VRAM, OAM and CGRAM arrays, as views into `data`.
struct TMesenSPpu {
  std::vector<std::uint8_t> data;
  std::array<std::span<const std::uint8_t>, 7> registers;
  std::span<const std::uint8_t> vram, oam, cgram;
};
TMesenSPpu MesenSPpu(std::span<const std::uint8_t> bytes);

}  // namespace tegulo
