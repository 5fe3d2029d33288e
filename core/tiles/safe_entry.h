// The safe reading of an entry record that may come from a damaged document.
#pragma once

#include <cstdint>

#include "entries/tile_entry.h"

namespace tegulo {

// The safe reading of a record, which may come from a damaged document. Every consumer
// takes field values through this rather than trusting the raw bytes.
struct TSafeEntry {
  std::int32_t palCount;  // PalCount clamped to 0..256
  bool hasTiles;          // Bpp != 0: tiles can be counted
  bool decodable;         // Compression 0..4: the refresh knows the scheme
  bool drawable;          // Template 1..9 and Width, Height > 0
};
TSafeEntry SafeReading(const TTileEntry& e);

}  // namespace tegulo
