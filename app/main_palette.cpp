// The palette side of the main window: the palette grid and the palette actions.
#include <QFileInfo>
#include <QPainter>

#include "MainUnit.h"
#include "base/numbers.h"
#include "image_button.h"
#include "line_edit.h"
#include "list_box.h"
#include "palette/console_words.h"
#include "palette_grid.h"
#include "qt_colour.h"
#include "qt_text.h"
#include "spin_edit.h"

namespace tegulo {

void TfmMain::gPalDrawCell(QPainter& Canvas, int ACol, int ARow, const QRect& Rect) {
  const int k = ARow * TPaletteGrid::kCells + ACol;
  const std::uint32_t c = ViewPalette[static_cast<std::size_t>(k)];
  Canvas.fillRect(Rect, ToQColor(c));
  DrawSunkenEdge(Canvas, Rect, gPal->palette());
  if (Edit.editing && k == Edit.index) DrawChosenMark(Canvas, Rect, ToQColor(c));
  MarkUsedPalette(Canvas, k, Rect);  // main_hover.cpp
}

void TfmMain::gPalMouseUp(Qt::MouseButton, QPoint Point) {
  const std::optional<TPaletteGrid::TCell> cell = TPaletteGrid::CellAt(Point);
  if (!cell) return;  // released outside the cells
  const int k = cell->row * TPaletteGrid::kCells + cell->col;
  if (Edit.editing) {
    ChooseEditIndex(k);  // while editing pixels a cell chooses the index drawn with
    return;
  }
  const std::optional<QColor> picked =
      prompts_->PickColour(ToQColor(ViewPalette[static_cast<std::size_t>(k)]));
  if (!picked) return;
  // Only the entry of a selected item takes the colour, as the console will show it.
  TTileEntry* entry = EntryOf(lbList->ItemIndex());
  ApplyPickedColour(ViewPalette, entry, k, SnapToConsole(FromQColor(*picked)));
  gPal->update();
  if (entry != nullptr) Redraw();
}

void TfmMain::ePalAddressKeyPress(QChar& Key) {
  if (Key != QChar(13)) return;
  Key = QChar();
  bLoadPalROMClick();
}

void TfmMain::bLoadPalROMClick() {
  if (CurEntry == nullptr) return;
  // Black first: a bad address stops with the view palette already cleared.
  ViewPalette.fill(0);
  const std::int32_t address = ParseInt(ePalAddress->text().toStdString());
  std::int32_t count = PaletteCount(sePalNum->Value());
  if (Screens.count(CurEntry) != 0) {  // a screen reads what its cells' palettes need
    count = std::max(count, ScreenColoursNeeded());
    CurEntry->PalCount = count;
    sePalNum->SetValue(count);
  }
  ApplyRomPalette(ViewPalette, CurEntry, RomData, address, count);
  gPal->update();
  Redraw();
}

void TfmMain::bPalMonoClick(QObject* Sender) {
  ApplyGreyRamp(ViewPalette, CurEntry, PaletteCount(sePalNum->Value()), Sender == bPalMonoReverse);
  gPal->update();
  if (CurEntry != nullptr) Redraw();
}

void TfmMain::bOpenPalClick() {
  prompts_->StartNextIn(Folders.Folder(TFileKind::Palette), QString());
  const std::optional<UserPrompts::TPaletteChoice> choice =
      prompts_->OpenPaletteWithRow(dOpenPal.Filter, dOpenPal.DefaultExt);
  if (!choice) return;
  Folders.Remember(TFileKind::Palette, choice->path);
  ImportPaletteFile(choice->path, choice->filterRow);
}

}  // namespace tegulo
