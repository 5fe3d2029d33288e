// The view's context menu: a right click on the view opens it. Each action is a handler of
// the window, run inside Guard like the buttons' handlers.
#include <QAction>
#include <QMenu>

#include "MainUnit.h"
#include "image_view.h"
#include "palette/palette_files.h"
#include "qt_text.h"

namespace tegulo {

namespace {

const TFileDialog kExportPaletteDialog{
    TFileDialog::TKind::Save,
    QStringLiteral("JASC Palette|*.pal|GIMP Palette|*.gpl|Adobe Color Table|*.act|ALL|*.*"),
    QStringLiteral("pal")};

}  // namespace

void TfmMain::BuildViewMenu() {
  ViewMenu = new QMenu(Image);
  ViewMenu->setObjectName(QStringLiteral("ViewMenu"));
  Image->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Image, &QWidget::customContextMenuRequested, ViewMenu, [this](const QPoint& at) {
    // Actions that need a current entry are shown only usable with one.
    aExportPalette->setEnabled(CurEntry != nullptr);
    ViewMenu->popup(Image->mapToGlobal(at));
  });

  aExportPalette = ViewMenu->addAction(QString::fromUtf8("Export Palette\u2026"));
  aExportPalette->setObjectName(QStringLiteral("aExportPalette"));
  connect(aExportPalette, &QAction::triggered, ViewMenu,
          [this] { Guard([this] { aExportPaletteClick(); }); });
}

void TfmMain::aExportPaletteClick() {
  if (CurEntry == nullptr) return;
  const std::optional<QString> name = Execute(kExportPaletteDialog);
  if (!name) return;
  TPalette colours{};
  std::copy(std::begin(CurEntry->Palette), std::end(CurEntry->Palette), colours.begin());
  ExportPaletteFile(LocalPath(*name), colours);
}

}  // namespace tegulo
