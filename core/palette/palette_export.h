// Exporting a palette file from the window's dialog: the rows of its filter, and the file and
// kind that the chosen row and the typed name give.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "palette/palette_files.h"

namespace tegulo {

// A row of the export dialog's filter; no format for the last row, "ALL", where the name's
// extension decides.
struct TPaletteExportRow {
  std::string_view description;
  std::string_view extension;  // without the dot; empty for ALL
  std::optional<TPaletteFileFormat> format;
};
std::span<const TPaletteExportRow> PaletteExportRows();

// The rows as one filter text, "JASC Palette (*.pal)|*.pal|...|ALL|*.*".
std::string PaletteExportFilter();

struct TPaletteExportTarget {
  std::string path;
  TPaletteFileFormat format;
};

// The row decides the kind; a name without an extension gets the row's. A row outside the
// table counts as ALL: the extension decides, and a name without one of .pal, .gpl or .act
// throws TError "Cannot export a palette as "<path>": use .pal, .gpl or .act".
TPaletteExportTarget PaletteExportTarget(const std::string& path, int row);

// Writes the colours to `path` as `format`, through the safe-write path.
void ExportPaletteFile(const std::string& path, const TPalette& colours, TPaletteFileFormat format);

}  // namespace tegulo
