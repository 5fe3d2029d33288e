// Telling whether a range of a ROM that a write would take holds live data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "entries/tile_entry.h"

namespace tegulo {

// A range of ROM bytes: [start, start + size).
struct TRomRange {
  std::int64_t start = 0;
  std::int64_t size = 0;
};

// The bytes an entry reads: a compressed one its stream (ComprSize bytes, at least 1), a
// plain one its tile data at Address + Offset. Empty for an entry that reads nothing.
TRomRange EntryRange(const TTileEntry& e);

// Refuses to write `target` unless it is free: every byte outside `own` (the bytes the write
// replaces anyway, such as the old stream) is one fill byte (`fill` when given, else 0xFF
// or 0x00, the same throughout), and no entry of `document` other than those starting in
// `own` reads a byte of it. `target` lies inside the ROM. Throws TError "The range
// $A-$B is not free space (<why>); nothing was written (--overwrite writes there anyway)",
// why being "not all one fill byte" and/or "it holds entries 3 "Name", 5 "Name"" (by their
// place in the document, from 0; at most 8 named).
void CheckFreeSpace(std::span<const std::uint8_t> rom, TRomRange target, TRomRange own,
                    std::optional<std::uint8_t> fill, std::span<const TTileEntry> document);

}  // namespace tegulo
