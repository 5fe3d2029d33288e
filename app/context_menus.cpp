// The window's actions with their shortcuts, and the context menus of the view and of the
// entry list that hold them. Each action runs its handler inside Guard, as the buttons do.
#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include "MainUnit.h"
#include "entries/view_hints.h"
#include "image_button.h"
#include "image_view.h"
#include "list_box.h"

namespace tegulo {

void TfmMain::BuildActions() {
  // Connected through handlers_ as the controls are (ConnectHandlers), so that taking the
  // window down cuts them too.
  const auto make = [this](QAction*& action, const char* name, const char* text,
                           const QKeySequence& keys, void (TfmMain::*handler)()) {
    action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    addAction(action);  // the shortcut works without a menu open
    connect(action, &QAction::triggered, handlers_,
            [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
  };
  make(aImportImage, "aImportImage", "Import Image into ROM…", QKeySequence(Qt::CTRL | Qt::Key_I),
       &TfmMain::aImportImageClick);
  make(aImportAsScreen, "aImportAsScreen", "Import Picture as Screen…", QKeySequence(),
       &TfmMain::aImportAsScreenClick);
  make(aExportImage, "aExportImage", "Export Image…", QKeySequence(Qt::CTRL | Qt::Key_E),
       &TfmMain::bExportClick);
  make(aSaveRomAs, "aSaveRomAs", "Save ROM As…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
       &TfmMain::aSaveRomAsClick);
  make(aSavePatchAs, "aSavePatchAs", "Save Patch As…", QKeySequence(), &TfmMain::aSavePatchAsClick);
  make(aUndoImport, "aUndoImport", "Undo Import", QKeySequence(Qt::CTRL | Qt::Key_Z),
       &TfmMain::aUndoImportClick);
  make(aExportPalette, "aExportPalette", "Export Palette…", QKeySequence(),
       &TfmMain::aExportPaletteClick);
  make(aScanROM, "aScanROM", "Scan ROM for Compressed Graphics…", QKeySequence(),
       &TfmMain::ScanROMClick);
  make(aShowAsScreen, "aShowAsScreen", "Show as Screen…", QKeySequence(Qt::CTRL | Qt::Key_M),
       &TfmMain::aShowAsScreenClick);
  make(aShowAsTiles, "aShowAsTiles", "Show as Tiles",
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), &TfmMain::aShowAsTilesClick);
  make(aFindPointers, "aFindPointers", "Find Pointers to This Entry", QKeySequence(),
       &TfmMain::aFindPointersClick);
  make(aOpenROM, "aOpenROM", "Open ROM…", QKeySequence(Qt::CTRL | Qt::Key_O),
       &TfmMain::bOpenROMClick);
  make(aSaveDocument, "aSaveDocument", "Save Document…", QKeySequence(Qt::CTRL | Qt::Key_S),
       &TfmMain::bSaveClick);

  BuildEditActions();   // main_edit.cpp
  BuildSceneActions();  // main_scene.cpp
  connect(Image, &TImageView::SceneHover, handlers_,
          [this](QPoint pixel) { Guard([&] { SceneHover(pixel); }); });

  for (QWidget* owner : std::initializer_list<QWidget*>{Image, lbList}) {
    owner->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(owner, &QWidget::customContextMenuRequested, handlers_,
            [this, owner](QPoint pos) { Guard([&] { ShowContextMenu(owner, pos); }); });
  }
  setAcceptDrops(true);  // dropped files: main_writeback.cpp
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
  UpdateActions();
}

void TfmMain::UpdateActions() {
  if (aUndoImport == nullptr) return;  // not built yet, or taken down
  UpdateImportAction();
  aExportImage->setEnabled(bExport->isEnabled());
  aSaveRomAs->setEnabled(RomOpen);
  aSavePatchAs->setEnabled(RomOpen && RomHistory.CanUndo());
  aUndoImport->setEnabled(RomHistory.CanUndo());
  // The action is named for the step it takes back.
  const TRomChange* undo = RomHistory.UndoStep();
  aUndoImport->setText(undo != nullptr && !undo->name.empty()
                           ? QStringLiteral("Undo %1").arg(QString::fromStdString(undo->name))
                           : QStringLiteral("Undo"));
  aExportPalette->setEnabled(CurEntry != nullptr);
  aScanROM->setEnabled(RomOpen);
  aFindPointers->setEnabled(RomOpen && CurEntry != nullptr);
  aSaveDocument->setEnabled(bSave->isEnabled());
  UpdateEditActions();
  aShowAsScreen->setEnabled(CurEntry != nullptr);
  aShowAsTiles->setEnabled(CurEntry != nullptr && Screens.count(CurEntry) != 0);
  aImportAsScreen->setEnabled(RomOpen && CurEntry != nullptr && Screens.count(CurEntry) != 0);
  Image->SetHint(QString::fromStdString(EmptyViewHint(RomOpen, CurEntry != nullptr)));
  UpdateSceneActions();
}

void TfmMain::FillViewMenu(QMenu& menu) {
  menu.addAction(aImportImage);
  menu.addAction(aImportAsScreen);
  menu.addAction(aExportImage);
  menu.addAction(aExportPalette);
  menu.addSeparator();
  menu.addAction(aSaveRomAs);
  menu.addAction(aSavePatchAs);
  menu.addSeparator();
  menu.addAction(aUndoImport);
  FillEditMenu(menu);
  menu.addSeparator();
  menu.addAction(aShowAsScreen);
  menu.addAction(aShowAsTiles);
}

void TfmMain::FillListMenu(QMenu& menu) {
  // The list's menu acts on the current entry, as the view's does, and adds to the list.
  FillViewMenu(menu);
  menu.addSeparator();
  menu.addAction(aScanROM);
  menu.addAction(aFindPointers);
  menu.addSeparator();
  menu.addAction(aOpenROM);
  menu.addAction(aSaveDocument);
}

void TfmMain::ShowContextMenu(QWidget* owner, QPoint pos) {
  UpdateActions();
  QMenu menu(this);
  menu.setToolTipsVisible(true);  // a disabled action tells why
  if (owner == Image) {
    FillViewMenu(menu);
    FillSceneMenu(menu, pos);
  } else {
    FillListMenu(menu);
  }
  menu.exec(owner->mapToGlobal(pos));
}

}  // namespace tegulo
