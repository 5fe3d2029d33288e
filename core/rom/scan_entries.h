// Entries and documents made from the hits of a scan, as the window's list and the CLI's
// --doc take them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compress/scan/stream_scan.h"
#include "entries/document.h"
#include "entries/tile_entry.h"

namespace tegulo {

// The entry for a hit: Address the hit's, name "$ADDRESS SCHEME" ("$001600 LZ77-10"), the
// hit's scheme as Compression, the template (row 1..9) with its grey ramp, Width tiles
// ("8bpp (PC)": bytes) and as many rows as the raw size fills (at least 1, at most
// kMaxTiles). Throws TError for a template outside 1..9 or a width below 1.
TTileEntry EntryForHit(const TScanHit& hit, int templateRow, std::int32_t width);

// Writes the document of EntryForHit of every hit to `path` through the safe-write path, the
// records streamed a few at a time, so that memory stays small for any number of hits.
// Returns the safe-write path's note ("" or HardLinkNote). Throws as EntryForHit and
// TAtomicFile do, with the old file left as it was.
std::string WriteScanDocument(const std::string& path, std::span<const TScanHit> hits,
                              int templateRow, std::int32_t width);

}  // namespace tegulo
