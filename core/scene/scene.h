// A scene: what a console was showing when an emulator saved its state. Video memory,
// palette memory, the sprite table and the video registers, read from the state's bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegulo {

enum class TConsole { Snes, Gba };

// One SNES background's registers, in the units the PPU uses.
struct TSnesBg {
  std::uint16_t mapWord = 0;         // map base, VRAM word address ((BGnSC & 0x7C) << 8)
  std::uint16_t tileWord = 0;        // tile base, VRAM word address (nibble << 12)
  std::uint8_t mapSize = 0;          // BGnSC & 3: 0 32x32, 1 64x32, 2 32x64, 3 64x64 entries
  bool bigTiles = false;             // 16x16 tiles
  std::uint16_t hofs = 0, vofs = 0;  // 10 bits
  bool operator==(const TSnesBg&) const = default;
};

// The SNES video registers a screen is drawn from.
struct TSnesRegs {
  bool forcedBlank = false;
  std::uint8_t brightness = 15;
  std::uint8_t mode = 0;
  bool bg3Priority = false;  // BGMODE bit 3 (mode 1 only)
  std::array<TSnesBg, 4> bg{};
  std::uint8_t mainLayers = 0x1F;    // TM: bits 0-3 BG1-BG4, bit 4 OBJ
  std::uint8_t subLayers = 0x1F;     // TS, the same bits (hi-res shows it in the even columns)
  std::uint32_t objBase = 0;         // OBJ table 0, VRAM byte address
  std::uint32_t objTable1 = 0x2000;  // table 1 = objBase + this (bytes)
  std::uint8_t objSize = 0;          // OBSEL >> 5
  std::uint8_t firstSprite = 0;      // the sprite first in priority order
  bool overscan = false;             // 239 lines
  bool pseudoHires = false;
  bool directColour = false;
  bool extBg = false;
  // Mode 7.
  std::int16_t m7a = 0x100, m7b = 0, m7c = 0, m7d = 0x100;
  std::int16_t m7x = 0, m7y = 0, m7hofs = 0, m7vofs = 0;  // as written; the low 13 bits count
  bool m7hflip = false, m7vflip = false;
  std::uint8_t m7repeat = 0;  // M7SEL >> 6: 0 or 1 wrap, 2 transparent, 3 tile 0
  // Effects the state says are on, which the renderer does not draw.
  bool colourMath = false, windows = false, mosaic = false, interlace = false;
  bool operator==(const TSnesRegs&) const = default;
};

struct TScene {
  TConsole console = TConsole::Snes;
  std::string source;                  // "Snes9x snapshot version 12", "mGBA state"...
  std::vector<std::uint8_t> vram;      // SNES 64 KiB, GBA 96 KiB
  std::vector<std::uint16_t> palette;  // SNES 256 CGRAM words, GBA 512 (BG, then OBJ)
  std::vector<std::uint8_t> oam;       // SNES 544 bytes, GBA 1 KiB
  TSnesRegs snes;
  std::array<std::uint16_t, 0x200> gbaIo{};  // GBA I/O 0x04000000.. as 16-bit words
};

inline constexpr std::size_t kSnesVram = 0x10000;
inline constexpr std::size_t kGbaVram = 0x18000;

// The scene of a save state's bytes, told by their content: mGBA (raw or PNG), VisualBoyAdvance
// / VBA-M, Snes9x (gzip or not), Mesen2 (SNES), Mesen-S and ZSNES. Throws TError with the
// reason in words: a kind that holds no scene, a damaged state, or the part a state lacks
// ("the Snes9x snapshot has no VRA block (video memory)").
TScene ReadScene(std::span<const std::uint8_t> bytes);

// Reads the file (at most 64 MiB) and ReadScene. Throws TError "<path>: <reason>", or
// "<path> not found".
TScene ReadSceneFile(const std::string& path);

// The parts of each kind, for the readers' tests and the fuzz target.
TScene Snes9xScene(std::span<const std::uint8_t> stream);
TScene MesenSScene(std::span<const std::uint8_t> bytes);
TScene Mesen2Scene(std::span<const std::uint8_t> bytes);
TScene ZsnesScene(std::span<const std::uint8_t> bytes);
TScene MgbaScene(std::span<const std::uint8_t> block);  // the 0x61000-byte state block
TScene VbaScene(std::span<const std::uint8_t> stream);

}  // namespace tegulo
