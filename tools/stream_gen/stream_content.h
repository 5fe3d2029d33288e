// Kinds of data that games pack: tile art, tilemaps, text, palettes, sound, zero runs. Made
// from a seed, for building test streams and test ROM images; no ROM data involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace tegulo::gen {

enum class TContent {
  kTiles2bpp,  // SNES planar, 16 bytes a tile
  kTiles4bpp,  // SNES planar, 32 bytes a tile
  kTiles8bpp,  // a byte a pixel, 64 bytes a tile
  kTilemap,    // 16-bit screen words: tile number, palette, flips
  kText,       // ASCII sentences with line ends and control bytes
  kPalette,    // 15-bit colours in ramps of 16
  kSound,      // 8-bit samples of a noisy wave: hardly packs at all
  kZeroRuns,   // long runs of zero with a few bytes between
  kTiny,       // 32 to 128 bytes of 4bpp tiles
};
inline constexpr TContent kContents[] = {
    TContent::kTiles2bpp, TContent::kTiles4bpp, TContent::kTiles8bpp,
    TContent::kTilemap,   TContent::kText,      TContent::kPalette,
    TContent::kSound,     TContent::kZeroRuns,  TContent::kTiny,
};

std::string_view ContentName(TContent kind);

// `size` bytes of the kind (kTiny ignores `size` and draws 32..128). The same generator state
// gives the same bytes.
std::vector<std::uint8_t> MakeContent(TContent kind, std::size_t size, std::mt19937& rng);

// `size` bytes of a sampled instrument as a game's sound bank holds it: signed samples of
// `unitBytes` bytes (8-bit, or 16-bit little-endian) at about 13 kHz. One in four is a drum
// (low-passed noise over a falling tone, the hardest to tell from noise), the others a note of
// a few harmonics; each with an attack, a decay and a little recording noise.
std::vector<std::uint8_t> MakeInstrument(std::size_t size, int unitBytes, std::mt19937& rng);

}  // namespace tegulo::gen
