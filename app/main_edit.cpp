// Editing pixels in the view: the edit mode, strokes, fills and picks, and the history's
// Redo. A stroke is drawn into the tile bitmap as the mouse moves (only the pixels it changed
// are repainted) and written into the ROM when it ends, with the import's write-back. On a
// screen it goes into the tiles the cells name, and every cell that shows one follows.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>

#include "MainUnit.h"
#include "image_view.h"
#include "palette_grid.h"
#include "rom/write_back.h"
#include "screen/screen_edit.h"
#include "status_bar.h"
#include "tiles/tile_formats.h"

namespace tegulo {

namespace {

QRect ToQRect(const TPixelRect& r) {
  return r.Empty() ? QRect() : QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

// The number of indices the entry's template holds; 0 without a template.
int IndexCount(const TTileEntry& entry) {
  const TTileFormat* format = FindTileFormat(entry.Template);
  return format == nullptr ? 0 : 1 << format->bitsPerPixel;
}

}  // namespace

void TfmMain::BuildEditActions() {
  const auto make = [this](QAction*& action, const char* name, const char* text,
                           void (TfmMain::*handler)()) {
    action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, handlers_,
            [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
  };
  // E is the view's own key (the edits take the letter as text), so it is only shown here.
  make(aEditPixels, "aEditPixels", "Edit Pixels\tE", &TfmMain::aEditPixelsClick);
  aEditPixels->setCheckable(true);
  make(aRedo, "aRedo", "Redo", &TfmMain::aRedoClick);
  aRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  addAction(aRedo);
  make(aWritePalette, "aWritePalette", "Write Palette to ROM…", &TfmMain::aWritePaletteClick);
  BuildCellActions();  // main_cells.cpp

  connect(Image, &TImageView::EditToggle, handlers_,
          [this] { Guard([this] { aEditPixelsClick(); }); });
  connect(Image, &TImageView::EditLeave, handlers_,
          [this] { Guard([this] { SetEditing(false); }); });
  connect(Image, &TImageView::PixelPress, handlers_,
          [this](QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
            Guard([&] { PixelPress(pixel, button, modifiers); });
          });
  connect(Image, &TImageView::PixelMove, handlers_,
          [this](QPoint pixel) { Guard([&] { PixelMove(pixel); }); });
  connect(Image, &TImageView::PixelRelease, handlers_,
          [this] { Guard([this] { PixelRelease(); }); });
}

void TfmMain::UpdateEditActions() {
  if (aEditPixels == nullptr) return;
  aEditPixels->setEnabled(RomOpen && CurEntry != nullptr && !Scene);
  aEditPixels->setChecked(Edit.editing);
  aRedo->setEnabled(RomHistory.CanRedo());
  const TRomChange* redo = RomHistory.RedoStep();
  aRedo->setText(redo != nullptr && !redo->name.empty()
                     ? QStringLiteral("Redo %1").arg(QString::fromStdString(redo->name))
                     : QStringLiteral("Redo"));
  aWritePalette->setEnabled(RomOpen && CurEntry != nullptr);
  UpdateCellActions();
}

void TfmMain::FillEditMenu(QMenu& menu) {
  menu.addAction(aRedo);
  menu.addSeparator();
  menu.addAction(aEditPixels);
  menu.addAction(aWritePalette);
  menu.addSeparator();
  FillCellMenu(menu);
}

void TfmMain::ShowStatus(const QString& text) {
  if (sBarMessage == nullptr) return;
  sBarMessage->setText(text);
  FitStatusRow();  // main_hover.cpp
}

void TfmMain::ShowEditStatus() {
  ShowStatus(Edit.editing ? QStringLiteral("Edit Pixels: index %1. Left button draws, "
                                           "Shift+left fills, right button picks; Escape leaves")
                                .arg(Edit.index)
                          : QString());
}

void TfmMain::aEditPixelsClick() { SetEditing(!Edit.editing); }

void TfmMain::SetEditing(bool on) {
  if (on && (!RomOpen || CurEntry == nullptr || Scene)) on = false;  // a scene is not the ROM
  if (on && CellMode) SetCellMode(false);                            // one mode at a time
  Edit.editing = on;
  Edit.stroking = false;
  Image->SetEditing(on);
  if (on) Image->setFocus(Qt::OtherFocusReason);
  ShowEditStatus();
  gPal->update();  // the chosen cell is marked only while editing
}

void TfmMain::ChooseEditIndex(int index) {
  Edit.index = static_cast<std::uint8_t>(std::clamp(index, 0, 255));
  ShowEditStatus();
  gPal->update();
}

void TfmMain::PixelPress(QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  Edit.stroking = false;
  Edit.canvas.reset();
  if (!Edit.editing || CurEntry == nullptr || TileBitmap->Empty()) return;
  const bool inside = pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < TileBitmap->Width() &&
                      pixel.y() < TileBitmap->Height();
  if (button == Qt::RightButton) {
    if (inside) ChooseEditIndex(TileBitmap->Row(pixel.y())[pixel.x()]);
    return;
  }
  if (button != Qt::LeftButton) return;
  const bool filling = (modifiers & Qt::ShiftModifier) != 0;
  const auto screen = Screens.find(CurEntry);
  if (screen != Screens.end()) {
    if (filling) {
      ShowStatus(QStringLiteral("Fills work on tile entries; on a screen the left button draws"));
      return;
    }
    // A screen's cells take the index in their own palettes.
    Edit.canvas = std::make_unique<TScreenCanvas>(
        ReadScreenCanvas(*CurEntry, screen->second, RomData, DecodeBuffer));
  } else if (const int count = IndexCount(*CurEntry); Edit.index >= count) {
    ShowStatus(QStringLiteral("Index %1 is beyond the %2 colours of this template")
                   .arg(Edit.index)
                   .arg(count));
    return;
  }
  Edit.stroking = true;
  Edit.filling = filling;
  Edit.entry = CurEntry;
  Edit.offset = CurEntry->Offset;
  Edit.last = pixel;
  Edit.changed = {};
  if (Edit.canvas) {
    PaintStrokeLine(pixel, pixel);
    return;
  }
  Edit.changed = Edit.filling ? FloodFillPixels(*TileBitmap, pixel.x(), pixel.y(), Edit.index)
                              : DrawPixelLine(*TileBitmap, pixel.x(), pixel.y(), pixel.x(),
                                              pixel.y(), Edit.index);
  Image->UpdatePixels(ToQRect(Edit.changed));
}

void TfmMain::PaintStrokeLine(QPoint from, QPoint to) {
  std::string refused;
  const TPixelRect changed = PaintScreenLine(*Edit.canvas, *TileBitmap, from.x(), from.y(), to.x(),
                                             to.y(), Edit.index, CurEntry->Palette, &refused);
  Edit.changed.Add(changed);
  Image->UpdatePixels(ToQRect(changed));
  if (!refused.empty()) ShowStatus(QString::fromStdString(refused));
}

void TfmMain::PixelMove(QPoint pixel) {
  if (!Edit.stroking || Edit.filling || pixel == Edit.last) return;
  if (Edit.canvas) {
    PaintStrokeLine(Edit.last, pixel);
    Edit.last = pixel;
    return;
  }
  // The line from the last point keeps the stroke without gaps however fast the mouse goes.
  const TPixelRect changed =
      DrawPixelLine(*TileBitmap, Edit.last.x(), Edit.last.y(), pixel.x(), pixel.y(), Edit.index);
  Edit.last = pixel;
  Edit.changed.Add(changed);
  Image->UpdatePixels(ToQRect(changed));
}

void TfmMain::PixelRelease() {
  if (!Edit.stroking) return;
  Edit.stroking = false;
  if (Edit.changed.Empty()) {
    Edit.canvas.reset();
    return;
  }
  if (Edit.entry != CurEntry || CurEntry == nullptr || CurEntry->Offset != Edit.offset) {
    // The picture moved under the stroke: what it drew belongs to no place any more.
    Edit.canvas.reset();
    if (CurEntry != nullptr) Redraw();
    return;
  }
  CommitStroke();
}

void TfmMain::CommitStroke() {
  // The write-back of a whole large entry may take a while; the pointer says so.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct TRestore {
    ~TRestore() { QApplication::restoreOverrideCursor(); }
  } restore;
  const std::unique_ptr<TScreenCanvas> canvas = std::move(Edit.canvas);
  try {
    // A screen's stroke goes into the tiles its cells name.
    const TEditBand band = canvas ? ScreenEditBand(*canvas, *CurEntry)
                                  : EditBand(*CurEntry, *TileBitmap, Edit.changed);
    TWriteBackResult result;
    try {
      result = WriteBackPicture(RomData, band.entry, band.picture);
    } catch (const TStreamDoesNotFit& grown) {
      // A packed stream that grew may move to free space, as an import's may.
      if (!OfferRelocation(band.entry, band.picture, grown.newSize, grown.oldSize, "Stroke")) {
        RefreshEntry();
        Redraw();
      }
      return;
    }
    // The write-back drew the new data again and found the picture: a plain entry's view is
    // already right, and a large one would take long to draw again.
    PushRomImage(std::move(result.rom), canvas || CurEntry->Compression != 0, "Stroke");
  } catch (...) {
    // The stroke is taken back: the view shows the ROM as it is.
    RefreshEntry();
    Redraw();
    throw;
  }
}

void TfmMain::PushRomImage(std::vector<std::uint8_t> image, bool redraw, const char* name) {
  TRomChange change = DiffRom(RomData, image);
  if (change.replaced.empty() && image.size() == RomData.size()) return;  // the same bytes
  change.name = name;
  RomData = std::move(image);
  RomHistory.Push(std::move(change));
  UpdateCaption();
  if (CurEntry == nullptr) return;
  RefreshEntry();
  if (redraw) Redraw();
}

void TfmMain::aRedoClick() {
  if (!RomHistory.CanRedo()) return;
  Edit.stroking = false;
  RomHistory.Redo(RomData);
  MoveEntriesOfStep(RomHistory.UndoStep(), true);    // main_relocate.cpp
  ListAdditionsOfStep(RomHistory.UndoStep(), true);  // main_locate.cpp
  UpdateCaption();
  if (CurEntry == nullptr) return;
  RefreshEntry();
  Redraw();
}

}  // namespace tegulo
