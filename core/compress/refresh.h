// The window-free half of an entry refresh: unpacking with the per-scheme size rules,
// and the three status-bar texts.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "base/uCommon.h"
#include "entries/tile_entry.h"

namespace tegulo {

struct TUnpackReport {
  bool notValidLZ10 = false;  // the window shows "Not valid LZ10 stream"
};

// Clears `buffer` to exactly kDecodeBufferSize zero bytes (a longer buffer is cut back, so
// no byte of an earlier unpacking survives anywhere), unpacks the entry's stream at its Address (a
// bounded view ending at the end of `rom`; an Address outside the ROM is a stream of no bytes, and
// header fields it lacks read as 0) and sets RawSize and ComprSize by the entry's scheme.
// Scheme 0: RawSize := Width * Height * Bpp * 8 (32-bit), ComprSize kept. Above 4: nothing.
TUnpackReport UnpackEntry(TTileEntry& e, std::span<const std::uint8_t> rom, TDecodeBuffer& buffer);

// RawSize as unsigned 32-bit div (Bpp * 8); 0 when Bpp is 0.
std::uint32_t TileCount(const TTileEntry& e);

// "#Tiles: %3d ($%.2x)", "RawSize: %3d ($%.2x)", "Compr.Size: %3d ($%.2x)", upper-case hex,
// negative values in hex as their unsigned 32-bit form.
std::array<std::string, 3> StatusTexts(const TTileEntry& e);

}  // namespace tegulo
