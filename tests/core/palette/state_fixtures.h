// Save states and palette files built in code from the formats' layouts, for the tests and
// the fuzz seeds. Every state carries the same known colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "palette/palette.h"

namespace tegulo::fixtures {

using TBytes = std::vector<std::uint8_t>;

// The known console words: the background (SNES) palette and the GBA sprite palette. Some
// have bit 15 set, which readers must ignore.
std::uint16_t BgWord(int i);
std::uint16_t ObjWord(int i);
TPalette BgColours();
TPalette ObjColours();

TBytes Zlib(const TBytes& data);
// One gzip member per part; the parts joined give `data`.
TBytes Gzip(const TBytes& data, int members = 1);

// 512 bytes: the background words LE. 1024 bytes: background then sprite words LE.
TBytes CgramDump();
TBytes GbaPaletteRam();

// mGBA: the raw state block of `version` (magic 0x01000000 + version), with the extra-data
// table and records after it when `extdata`; a Game Boy state; the PNG form with the block
// (or any bytes) in a gbAs chunk, and without one.
TBytes MgbaRaw(std::uint8_t version, bool extdata);
TBytes MgbaGameBoy();
TBytes MgbaPng(const TBytes& block);
TBytes MgbaPngWithoutState();

// Snes9x: the stream of a snapshot version (CGDATA big-endian at 63 or 64 in the PPU block);
// `longName` writes the NAM block with the long length form ("--" and a u32).
TBytes Snes9xStream(int version, bool longName = false);

// VisualBoyAdvance: the inflated stream of a GBA state of `version`, or of a Game Boy state.
TBytes VbaStream(std::int32_t version);
TBytes VbaGameBoyStream();

// Mesen2: console 0 (SNES) or 5 (GBA), format 3 or 4, data compressed or not.
TBytes Mesen2(std::uint32_t console, std::uint32_t format, bool compressed);
// Mesen-S: format 6 to 8; `screenshot` for the standalone build, without it the libretro
// layout padded with zeros; `gameBoy` sets the Game Boy mode byte of format 8.
TBytes MesenS(std::uint32_t format, bool screenshot, bool gameBoy = false);

// A ZIP archive of one entry, deflated or stored (a Mesen2 game file holds "Savestate.mss").
TBytes Zip(const std::string& name, const TBytes& data, bool deflated);

// A ZSNES state: the signature, the background words at 1560.
TBytes Zsnes();

}  // namespace tegulo::fixtures
