// Palette choices written as text ("mono", "rom:$1000:16", "state:game.ss1:obj", ...), as the
// command line takes them, and the palette action each one runs.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/uCommon.h"
#include "entries/tile_entry.h"
#include "palette/palette.h"
#include "palette/state_readers.h"

namespace tegulo {

enum class TPaletteOptionKind { Mono, MonoReverse, Rom, Zsnes, State, File };

struct TPaletteOption {
  TPaletteOptionKind kind = TPaletteOptionKind::Mono;
  std::int32_t address = 0;
  std::int32_t count = -1;  // rom: -1 means the entry's PalCount
  std::string path;
  TPaletteHalf half = TPaletteHalf::Background;
};

// mono | mono-reverse | rom:ADDR[:COUNT] | zst:FILE | state:FILE[:obj] | file:FILE.
// ADDR and COUNT take the number syntax of ParseInt (its error for a bad number). ":obj" at
// the end of a state asks for a GBA state's sprite palette. Anything else throws TError
// "Unknown palette '<text>' (mono, mono-reverse, rom:ADDR[:COUNT], zst:FILE, state:FILE[:obj]
// or file:FILE)".
TPaletteOption ParsePaletteOption(const std::string& text);

// The error for text that names no palette form (a bad number inside a form is a TError of
// its own), so that a command line can report it as a usage error.
class TUnknownPaletteOption : public TError {
public:
  using TError::TError;
};

// Runs the action the choice names, as the window's palette buttons do: mono leaves the
// entry's own ramp, mono-reverse is the reversed grey ramp of the entry's PalCount, rom:
// the palette from `rom` (COUNT or the entry's PalCount colours), and zst:, state: and
// file: the import (zst: by the ZSNES rule alone, state: of any source, file: of palette
// files only). Throws the readers' TError; nothing changes then. `held`, when given, is set
// to the colours the source holds: a palette file's own count, a state's 256, the colours
// read from the ROM, the entry's PalCount for a ramp.
void RunPaletteOption(const TPaletteOption& option, TPalette& view, TTileEntry& e,
                      std::span<const std::uint8_t> rom, std::int32_t* held = nullptr);

}  // namespace tegulo
