// Imported palettes: save states and palette files, told apart by content, and the import rows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "palette/palette.h"
#include "palette/state_readers.h"

namespace tegulo {

enum class TPaletteSourceKind {
  Unknown,      // read by the ZSNES rule
  Zsnes,        // "ZSNES Save State File"
  MgbaPng,      // PNG image (with or without a gbAs chunk)
  MgbaRaw,      // u32 0x010000xx at 0 (the size is checked when reading)
  MgbaGameBoy,  // u32 0x004000xx at 0: refused
  Gzip,         // Snes9x or VisualBoyAdvance, told apart once inflated
  Snes9x,       // "#!s9xsnp:" not compressed
  Mesen,        // "MSS": Mesen2 or Mesen-S by the format version
  Bsnes,        // .bst: refused
  Zip,          // .bsz or a Mesen game file: refused
  JascPal,
  RiffPal,
  Gpl,
  Act,            // 768 or 772 bytes
  CgramDump,      // 512 bytes
  GbaPaletteDump  // 1024 bytes
};

// The kind of the bytes, by signature first and size last (a file matching no signature and
// no palette size is Unknown). The extension plays no part.
TPaletteSourceKind DetectPaletteSource(std::span<const std::uint8_t> bytes);

// Whether the kind is a palette file (JASC-PAL, RIFF, GPL, ACT or a raw dump).
bool IsPaletteFile(TPaletteSourceKind kind);

// The 256 colours of a save state or palette file in `bytes`, read as its content says.
// `half` picks the sprite palette of a GBA source; SNES sources and palette files of 8-bit
// colours have none and are refused with it. Unknown content gives the ZSNES rule.
// Throws TError with the reason, without a file name. `count`, when given, is set to the
// colours the source holds: a palette file's own count, 256 for a state or a raw dump.
TPalette ReadPaletteSource(std::span<const std::uint8_t> bytes, TPaletteHalf half,
                           std::int32_t* count = nullptr);

// What a file may be.
enum class TPaletteFileRule { AnySource, PaletteFileOnly, ZsnesRule };

// Reads the file and then ReadPaletteSource (or only the ZSNES rule). A file that cannot be
// opened or read gives "<path> not found"; any other failure "<path>: <reason>". A file over
// kMaxPaletteFileBytes is read only by the ZSNES rule; other kinds are refused as too large.
inline constexpr std::size_t kMaxPaletteFileBytes = 64u << 20;
// What the reading found out beyond the colours: whether a file of no known kind fell back
// on the ZSNES rule, and how many colours its bytes held there; and how many colours the
// source holds (ReadPaletteSource's count; 256 for the ZSNES rule).
struct TPaletteReadNote {
  bool zsnesFallback = false;
  std::int32_t colours = 0;
  std::int32_t held = 256;
};
TPalette ReadPaletteFile(const std::string& path, TPaletteHalf half,
                         TPaletteFileRule rule = TPaletteFileRule::AnySource,
                         TPaletteReadNote* note = nullptr);

// The number of colours the ZSNES rule finds in a file of `size` bytes (whole words at
// 1560..2071).
std::int32_t ZsnesColourCount(std::uint64_t size);

// The status text after a fallback: "<name> is of no known kind: read as a ZSNES save state,
// N colours" ("1 colour" for one).
std::string ZsnesFallbackText(const std::string& name, std::int32_t colours);

// The rows of the import dialog's filter, in order: description, patterns separated by ";",
// and the half of a GBA palette the row asks for.
struct TPaletteImportRow {
  std::string_view description;
  std::string_view patterns;
  TPaletteHalf half;
};
std::span<const TPaletteImportRow> PaletteImportRows();

// The half the import row asks for; Background for a row outside the table.
TPaletteHalf PaletteImportHalf(int row);

// The rows as one filter text, "description|patterns|description|patterns...".
std::string PaletteImportFilter();

}  // namespace tegulo
