// A document from what LocateScene found: an entry per piece of tiles, a screen per map.
#pragma once

#include <span>
#include <vector>

#include "entries/tile_entry.h"
#include "locate/locate.h"
#include "screen/screen_doc.h"

namespace tegulo {

struct TLocatedDocument {
  std::vector<TTileEntry> entries;
  std::vector<TSavedScreen> screens;
};

// For each piece of tiles found whole, an entry at its first place (address, scheme and
// offset as found, the layer's template, 16 tiles wide) named "BG1 tiles $0800", with the
// layer's colours from the scene, and PalAddress where the layer's first palette piece lies
// plain in the ROM. For each map found whole, plainly or at the start of a stream, a screen on
// the entry of its layer's first tiles (its tile base counting from the tiles the entry
// starts at). A map found at an offset inside a stream has no screen: a screen's map starts
// at its stream's first byte.
TLocatedDocument LocatedDocument(std::span<const TPartFound> found, const TScene& scene);

}  // namespace tegulo
