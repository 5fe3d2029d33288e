// The render pipeline of one entry, shared by the window's export and the CLI: refresh
// (unpacking with the size rules), drawing, and writing the image as a PNG.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/bitmap.h"
#include "compress/refresh.h"
#include "entries/tile_entry.h"
#include "io/safe_write.h"

namespace tegulo {

// Refresh, draw and export of one entry with a fresh working buffer and bitmap, in the
// window's order: UnpackEntry (RawSize and ComprSize set), DrawTiles with `background`
// (0x00BBGGRR) as colour 0, WritePng. An entry without a template draws nothing, so
// the export fails. Throws TError.
TUnpackReport RenderEntryToPng(TTileEntry& e, std::span<const std::uint8_t> rom,
                               std::uint32_t background, const std::string& path);
// The same into a file of a set, prepared but not yet renamed (its owner commits the set).
TUnpackReport RenderEntryToPng(TTileEntry& e, std::span<const std::uint8_t> rom,
                               std::uint32_t background, TAtomicFile& file);

}  // namespace tegulo
