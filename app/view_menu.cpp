// Export Palette: the current entry's 256 colours as a palette file. The action sits in the
// view's context menu (context_menus.cpp).
#include "MainUnit.h"
#include "palette/palette_files.h"
#include "qt_text.h"

namespace tegulo {

namespace {

const TFileDialog kExportPaletteDialog{
    TFileDialog::TKind::Save,
    QStringLiteral("JASC Palette|*.pal|GIMP Palette|*.gpl|Adobe Color Table|*.act|ALL|*.*"),
    QStringLiteral("pal")};

}  // namespace

void TfmMain::aExportPaletteClick() {
  if (CurEntry == nullptr) return;
  const std::optional<QString> name = Execute(kExportPaletteDialog, TFileKind::Palette);
  if (!name) return;
  TPalette colours{};
  std::copy(std::begin(CurEntry->Palette), std::end(CurEntry->Palette), colours.begin());
  ExportPaletteFile(LocalPath(*name), colours);
}

}  // namespace tegulo
