// The window-free half of an entry refresh: unpacking with the per-scheme size rules
// (the status-bar texts are in entries/status_texts.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/uCommon.h"
#include "entries/tile_entry.h"

namespace tegulo {

struct TUnpackReport {
  // The message for a stream that breaks a rule of its scheme ("Not valid LZ10 stream",
  // NotValidStreamText), shown by the window and printed by the CLI; empty when none.
  std::string notValid;
};

// Clears `buffer` to exactly kDecodeBufferSize zero bytes (a longer buffer is cut back, so
// no byte of an earlier unpacking survives anywhere), unpacks the entry's stream at its Address (a
// bounded view ending at the end of `rom`; an Address outside the ROM is a stream of no bytes, and
// header fields it lacks read as 0) and sets RawSize and ComprSize by the entry's scheme.
// Scheme 0: RawSize := Width * Height * Bpp * 8 (32-bit), ComprSize kept. A value outside the
// table (a damaged record): nothing.
TUnpackReport UnpackEntry(TTileEntry& e, std::span<const std::uint8_t> rom, TDecodeBuffer& buffer);

}  // namespace tegulo
