// Choosing an entry's tile template, which also resets the start of its palette.
#pragma once

#include "entries/tile_entry.h"

namespace tegulo {

// Template choice: Template := row (1..9), Bpp := its bits per pixel, PalCount := 2^Bpp,
// colours 0..PalCount-1 := forward grey ramp; other colours keep their values.
// A row outside 1..9 changes nothing.
void ApplyTemplate(TTileEntry& e, int row);

}  // namespace tegulo
