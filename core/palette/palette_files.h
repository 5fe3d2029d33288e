// Palette files of paint programs and raw palette dumps: reading, and writing the three
// kinds the programs export.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "palette/palette.h"
#include "palette/state_readers.h"

namespace tegulo {

// Readers on the file's bytes. Colours of 8 bits a channel become 0x00BBGGRR as they are;
// console words convert by ConsoleColour. Colours after the file's last are black. Throw
// TError with the reason (without the file's name): bad syntax (with the line number of a
// text file), more than 256 colours, a value above 255, a file cut short. `count`, when
// given, is set to the number of colours the file holds.
// JASC-PAL: "JASC-PAL", "0100", the count, then "R G B" lines; CRLF or LF.
TPalette ReadJascPal(std::span<const std::uint8_t> bytes, std::int32_t* count = nullptr);
// GIMP palette: "GIMP Palette", optional Name:/Columns: lines, "#" comments, "R G B [name]".
TPalette ReadGpl(std::span<const std::uint8_t> bytes, std::int32_t* count = nullptr);
// RIFF PAL: the LOGPALETTE in the "data" chunk (red, green, blue, flags per colour).
TPalette ReadRiffPal(std::span<const std::uint8_t> bytes, std::int32_t* count = nullptr);
// Adobe Color Table: 768 bytes of R, G, B; a 772-byte file ends with a big-endian count of
// the colours used (0 to 256) and the transparent index.
TPalette ReadAct(std::span<const std::uint8_t> bytes, std::int32_t* count = nullptr);
// A raw dump of 256 little-endian console words (512 bytes).
TPalette ReadCgramDump(std::span<const std::uint8_t> bytes);
// A raw 1 KiB GBA palette RAM dump: the background or the sprite half.
TPalette ReadGbaPaletteDump(std::span<const std::uint8_t> bytes, TPaletteHalf half);

// The kinds of palette file the programs write.
enum class TPaletteFileFormat { JascPal, Gpl, Act };

// The file's bytes, all 256 colours (top bytes ignored). JASC-PAL with CRLF line ends; GPL
// with "Name: " + name, 16 columns and the index of each colour as its name; ACT as 768
// bytes.
std::vector<std::uint8_t> WritePaletteFile(const TPalette& colours, TPaletteFileFormat format,
                                           const std::string& name = "Tegulo");

// The kind a path's extension asks for: ".pal" JASC-PAL, ".gpl" GIMP, ".act" Adobe, any
// letter case; nothing for any other.
std::optional<TPaletteFileFormat> PaletteFormatOfPath(const std::string& path);

// Writes the colours to `path` in the kind its extension names, through the safe-write path.
// Throws TError "Cannot export a palette as <path>: use .pal, .gpl or .act" for another
// extension, and the file write errors of WriteFileAtomically.
void ExportPaletteFile(const std::string& path, const TPalette& colours);

}  // namespace tegulo
