// A test ROM image of mixed content (code, tile art, maps, text, palettes, sound, filler)
// with streams of every variant planted at random aligned places, for measuring the scans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream_content.h"
#include "stream_variants.h"

namespace tegulo::gen {

struct TPlanted {
  std::size_t address = 0;     // a multiple of 4
  std::size_t streamSize = 0;  // the stream's bytes, padding included
  std::size_t variant = 0;     // index in AllVariants()
  TContent content = TContent::kTiles4bpp;
  std::uint32_t rawSize = 0;
};

// A stretch of the background: where it starts and what it holds ("code", "0x00", "0xFF" or
// a content kind's name).
struct TSegment {
  std::size_t start = 0;
  const char* kind = "";
};

struct TTestRom {
  std::vector<std::uint8_t> bytes;
  std::vector<TPlanted> planted;   // by address, never overlapping, at least 4 bytes apart
  std::vector<TSegment> segments;  // of the background, by start (planted streams lie on it)
};

// `size` bytes; `perVariant` streams of each variant of AllVariants(), their content kinds
// taken in turn, raw sizes from 64 bytes to 16 KiB (tiny ones 32..128). The same seed gives
// the same ROM. Fewer streams are planted when they would not fit in half the ROM.
TTestRom MakeTestRom(std::size_t size, int perVariant, std::uint32_t seed);

// `size` bytes of the background alone: mixed segments of 1 to 128 KiB.
// `segments`, when given, receives the stretches.
std::vector<std::uint8_t> MakeMixedBackground(std::size_t size, std::mt19937& rng,
                                              std::vector<TSegment>* segments = nullptr);

}  // namespace tegulo::gen
