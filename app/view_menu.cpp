// Export Palette: the current entry's 256 colours as a palette file. The action sits in the
// view's context menu (context_menus.cpp).
#include "MainUnit.h"
#include "palette/palette_export.h"
#include "qt_text.h"

namespace tegulo {

namespace {

const QString kExportPaletteFilter = QString::fromStdString(PaletteExportFilter());

}  // namespace

void TfmMain::aExportPaletteClick() {
  if (CurEntry == nullptr) return;
  // The chosen row decides the kind and the extension of a name typed without one.
  const std::optional<UserPrompts::TSaveAs> choice =
      prompts_->SaveFileAs(kExportPaletteFilter, QString(), QString());
  if (!choice) return;
  const TPaletteExportTarget target =
      PaletteExportTarget(LocalPath(choice->path), choice->filterIndex);
  TPalette colours{};
  std::copy(std::begin(CurEntry->Palette), std::end(CurEntry->Palette), colours.begin());
  ExportPaletteFile(target.path, colours, target.format);
}

}  // namespace tegulo
