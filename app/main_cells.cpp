// Editing a screen's cells: C on the view toggles the mode, a click selects a cell, and the keys
// and menu items flip it, step its palette and tile number, toggle its priority or pick its
// tile in the tile-set window. Each change is written into the map, one step of the history.
#include <QAction>
#include <QMenu>

#include "MainUnit.h"
#include "image_view.h"
#include "rom/write_back.h"
#include "screen/cell_edit.h"
#include "screen/hover_texts.h"
#include "tiles/uTiles.h"

namespace tegulo {

void TfmMain::BuildCellActions() {
  // The keys are the view's own (edits take letters as text), so they work where it has the
  // focus.
  const auto make = [this](QAction*& action, const char* name, const char* text,
                           const QKeySequence& keys, auto handler) {
    action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    Image->addAction(action);
    connect(action, &QAction::triggered, handlers_, [this, handler] { Guard(handler); });
  };
  using C = TCellChange;
  const auto change = [this](C c) { return [this, c] { ChangeSelectedCell(c); }; };
  make(aEditCells, "aEditCells", "Edit Cells", QKeySequence(Qt::Key_C),
       [this] { SetCellMode(!CellMode); });
  aEditCells->setCheckable(true);
  make(aFlipCellH, "aFlipCellH", "Flip Cell Horizontally", QKeySequence(Qt::Key_H),
       change(C::FlipH));
  make(aFlipCellV, "aFlipCellV", "Flip Cell Vertically", QKeySequence(Qt::Key_V), change(C::FlipV));
  make(aNextPalette, "aNextPalette", "Next Palette", QKeySequence(Qt::Key_P),
       change(C::NextPalette));
  make(aPrevPalette, "aPrevPalette", "Previous Palette", QKeySequence(Qt::SHIFT | Qt::Key_P),
       change(C::PreviousPalette));
  make(aNextTile, "aNextTile", "Next Tile Number", QKeySequence(Qt::Key_N), change(C::NextTile));
  make(aPrevTile, "aPrevTile", "Previous Tile Number", QKeySequence(Qt::SHIFT | Qt::Key_N),
       change(C::PreviousTile));
  make(aCellPriority, "aCellPriority", "Toggle Priority", QKeySequence(Qt::Key_R),
       change(C::Priority));
  make(aPickTile, "aPickTile", "Pick Tile…", QKeySequence(Qt::Key_T), [this] { PickCellTile(); });
  connect(Image, &TImageView::PixelClick, handlers_,
          [this](QPoint pixel) { Guard([this, pixel] { SelectCell(pixel); }); });
}

void TfmMain::UpdateCellActions() {
  if (aEditCells == nullptr) return;
  const bool screen = CurEntry != nullptr && Screens.count(CurEntry) != 0;
  if (CellMode && !screen) SetCellMode(false);  // the entry changed or went back to tiles
  aEditCells->setEnabled(screen && RomOpen);
  aEditCells->setChecked(CellMode);
  const bool selected = CellMode && SelectedCell.x() >= 0;
  for (QAction* a : {aFlipCellH, aFlipCellV, aNextPalette, aPrevPalette, aNextTile, aPrevTile,
                     aCellPriority, aPickTile}) {
    a->setEnabled(selected);
  }
}

void TfmMain::FillCellMenu(QMenu& menu) {
  menu.addAction(aEditCells);
  for (QAction* a : {aFlipCellH, aFlipCellV, aNextPalette, aPrevPalette, aNextTile, aPrevTile,
                     aCellPriority, aPickTile}) {
    if (a->isEnabled()) menu.addAction(a);  // only while a cell is selected
  }
}

void TfmMain::SetCellMode(bool on) {
  if (on && (CurEntry == nullptr || Screens.count(CurEntry) == 0 || !RomOpen)) on = false;
  if (on && Edit.editing) SetEditing(false);  // one mode at a time
  CellMode = on;
  SelectedCell = QPoint(-1, -1);
  Image->SetMarkedCell(QRect());
  if (on) Image->setFocus(Qt::OtherFocusReason);
  ShowStatus(on ? QStringLiteral("Edit Cells: click a cell, then H/V flip it, P/Shift+P step its "
                                 "palette, N/Shift+N its tile, R toggles priority, T picks a tile")
                : QString());
}

void TfmMain::SelectCell(QPoint pixel) {
  if (!CellMode || CurEntry == nullptr || Image->Bitmap() == nullptr) return;
  const TScreen& s = Screens.at(CurEntry);
  if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= 8 * s.width || pixel.y() >= 8 * s.height) {
    return;
  }
  SelectedCell = QPoint(pixel.x() / 8, pixel.y() / 8);
  ShowSelectedCell();
}

void TfmMain::ShowSelectedCell() {
  if (!CellMode || SelectedCell.x() < 0 || CurEntry == nullptr) return;
  const TScreen& s = Screens.at(CurEntry);
  Image->SetMarkedCell(QRect(8 * SelectedCell.x(), 8 * SelectedCell.y(), 8, 8));
  const std::span<const std::uint8_t> map = MapBytes(s, RomData, HoverBuffer);
  ShowStatus(QStringLiteral("Selected ") +
             QString::fromStdString(ScreenCellText(s, TileTemplates[CurEntry->Template].Value, map,
                                                   8 * SelectedCell.x(), 8 * SelectedCell.y(),
                                                   CurEntry->PalCount)));
}

TMapCell TfmMain::SelectedMapCell() {
  const TScreen& s = Screens.at(CurEntry);
  return CellAt(s, MapBytes(s, RomData, HoverBuffer), SelectedCell.x(), SelectedCell.y());
}

void TfmMain::ChangeSelectedCell(TCellChange change) {
  if (!CellMode || SelectedCell.x() < 0 || CurEntry == nullptr) return;
  const TScreen& s = Screens.at(CurEntry);
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  WriteSelectedCell(ChangeCell(f, SelectedMapCell(), change));
}

void TfmMain::PickCellTile() {
  if (!CellMode || SelectedCell.x() < 0 || CurEntry == nullptr) return;
  const TScreen& s = Screens.at(CurEntry);
  const TMapCell cell = SelectedMapCell();
  constexpr int kColumns = 16;
  TIndexedBitmap sheet;
  const TTileSheet shown = DrawTileSheet(sheet, *CurEntry, s, RomData, DecodeBuffer, cell.palette,
                                         kColumns, BackgroundColour());
  if (shown.count == 0) throw TError("The tile set holds no tile this map can name");
  const std::optional<int> tile =
      prompts_->PickTile(sheet, kColumns, static_cast<int>(shown.first), cell.tile);
  if (!tile) return;
  WriteSelectedCell(WithTile(MapFormats()[static_cast<std::size_t>(s.format)], cell, *tile));
}

void TfmMain::WriteSelectedCell(const TMapCell& cell) {
  const TEditBand band =
      MapCellBand(Screens.at(CurEntry), RomData, SelectedCell.x(), SelectedCell.y(), cell);
  TWriteBackResult result;
  try {
    result = WriteBackPicture(RomData, band.entry, band.picture);
  } catch (const TStreamDoesNotFit& grown) {
    // A packed map that grew may move to free space, as an import's stream may.
    OfferRelocation(band.entry, band.picture, grown.newSize, grown.oldSize, "Cell Change");
    ShowSelectedCell();
    return;
  }
  PushRomImage(std::move(result.rom), true, "Cell Change");
  ShowSelectedCell();
}

}  // namespace tegulo
