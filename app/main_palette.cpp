// The palette side of the main window: the palette grid and the palette actions.
#include <QPainter>

#include "MainUnit.h"
#include "palette_grid.h"

namespace tegulo {

void TfmMain::gPalDrawCell(QPainter& Canvas, int ACol, int ARow, const QRect& Rect) {
  const std::uint32_t c = ViewPalette[static_cast<std::size_t>(ARow * TPaletteGrid::kCells + ACol)];
  Canvas.fillRect(Rect, QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                               static_cast<int>((c >> 16) & 0xFF)));
  DrawSunkenEdge(Canvas, Rect, gPal->palette());
}

void TfmMain::gPalMouseUp(Qt::MouseButton, QPoint Point) {
  const std::optional<TPaletteGrid::TCell> cell = TPaletteGrid::CellAt(Point);
  if (!cell) return;  // released outside the cells
  [[maybe_unused]] const int k = cell->row * TPaletteGrid::kCells + cell->col;
  // Picking colour k comes with the palette actions (palette.h: ApplyPickedColour).
}

void TfmMain::ePalAddressKeyPress(QChar& Key) {
  if (Key != QChar(13)) return;
  Key = QChar();
  bLoadPalROMClick();
}

void TfmMain::bLoadPalROMClick() {
  // Comes with the palette actions (palette.h: ApplyRomPalette).
}

void TfmMain::bPalMonoClick(QObject*) {
  // Comes with the palette actions (palette.h: ApplyGreyRamp).
}

void TfmMain::bOpenPalClick() {
  // Comes with the palette actions (palette.h: ReadZsnesPalette, ApplyImportedPalette).
}

}  // namespace tegulo
