// Exporting a palette file from the window's dialog.
#include "palette/palette_export.h"

#include "base/uCommon.h"
#include "io/safe_write.h"

namespace tegulo {

namespace {

using F = TPaletteFileFormat;
constexpr TPaletteExportRow kExportRows[] = {
    {"JASC Palette (*.pal)", "pal", F::JascPal},
    {"GIMP Palette (*.gpl)", "gpl", F::Gpl},
    {"Adobe Color Table (*.act)", "act", F::Act},
    {"ALL", "", std::nullopt},
};

bool HasExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return dot != std::string::npos && dot > nameStart && dot + 1 < path.size();
}

}  // namespace

std::span<const TPaletteExportRow> PaletteExportRows() { return kExportRows; }

std::string PaletteExportFilter() {
  std::string filter;
  for (const TPaletteExportRow& row : kExportRows) {
    if (!filter.empty()) filter += '|';
    filter += row.description;
    filter += row.extension.empty() ? "|*.*" : "|*." + std::string(row.extension);
  }
  return filter;
}

TPaletteExportTarget PaletteExportTarget(const std::string& path, int row) {
  const bool inTable = row >= 0 && static_cast<std::size_t>(row) < std::size(kExportRows);
  const TPaletteExportRow* chosen = inTable ? &kExportRows[row] : nullptr;
  if (chosen == nullptr || !chosen->format) {
    const std::optional<F> format = PaletteFormatOfPath(path);
    if (!format)
      throw TError("Cannot export a palette as \"" + path + "\": use .pal, .gpl or .act");
    return {path, *format};
  }
  return {HasExtension(path) ? path : path + "." + std::string(chosen->extension), *chosen->format};
}

void ExportPaletteFile(const std::string& path, const TPalette& colours,
                       TPaletteFileFormat format) {
  WriteFileAtomically(path, WritePaletteFile(colours, format));
}

}  // namespace tegulo
