// The render pipeline of a screen, shared by the window's export and the CLI.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "compress/refresh.h"
#include "entries/tile_entry.h"
#include "screen/screen.h"

namespace tegulo {

struct TScreenRenderReport {
  TUnpackReport unpack;
  TScreenDrawReport draw;
};

// Unpacks the entry (RawSize and ComprSize set), draws the screen with `background`
// (0x00BBGGRR) as colour 0 and writes it as an indexed PNG, as RenderEntryToPng does for
// tiles. Throws TError.
TScreenRenderReport RenderScreenToPng(TTileEntry& e, const TScreen& s,
                                      std::span<const std::uint8_t> rom, std::uint32_t background,
                                      const std::string& path);

}  // namespace tegulo
