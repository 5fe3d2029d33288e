// Building the demo ROM image and its document in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "entries/tile_entry.h"
#include "tiles/tile_encoders.h"

namespace tegulo::demo {

struct TDemoItem {
  TTileEntry entry;  // as saved in the document, sizes set by a refresh
  TPixelImage art;   // what the entry shows: the top-left block of its bitmap
};

struct TDemo {
  std::vector<std::uint8_t> rom;
  std::vector<TDemoItem> items;

  std::vector<TTileEntry> Entries() const;
};

// The whole demo: artwork in every template 1 to 9, streams of LZ77-10, LZSS-FF5, LZSS-FF6
// and LZSS-CT, palettes stored as 15-bit colours in the ROM and taken from there by every
// entry.
// Deterministic: the same bytes on every run.
TDemo BuildDemo();

}  // namespace tegulo::demo
