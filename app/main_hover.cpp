// The status bar about the view: the pixel under the pointer (a screen's cell, a tile entry's
// tile and byte), the part of a panned picture in view, and the palettes a screen uses.
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <utility>

#include "MainUnit.h"
#include "image_view.h"
#include "palette_grid.h"
#include "priority_overlay.h"
#include "screen/hover_texts.h"
#include "status_bar.h"
#include "tiles/uTiles.h"

namespace tegulo {

void TfmMain::ConnectHover() {
  // The note, the pointer's read-out and the part in view share the status bar's free space
  // as one item: on a narrow window the read-outs give way rather than widen the bar.
  auto* box = new QWidget(sBar);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  sBarMessage = new QLabel(box);
  sBarMessage->setObjectName(QStringLiteral("sBarMessage"));
  sBarPointer = new QLabel(box);
  sBarPointer->setObjectName(QStringLiteral("sBarPointer"));
  sBarView = new QLabel(box);
  sBarView->setObjectName(QStringLiteral("sBarView"));
  for (auto [label, stretch] : {std::pair{sBarMessage, 3}, {sBarPointer, 3}, {sBarView, 2}}) {
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setIndent(label == sBarMessage ? 0 : 8);
    label->setToolTip(QString());
    row->addWidget(label, stretch);
  }
  sBar->addWidget(box, 1);
  connect(Image, &TImageView::HoverPixel, this,
          [this](QPoint pixel) { Guard([this, pixel] { ImageHover(pixel); }); });
  connect(Image, &TImageView::HoverLeave, this, [this] {
    sBarPointer->clear();
    FitStatusRow();
  });
  connect(Image, &TImageView::PanChanged, this,
          [this](QPoint pan) { Guard([this, pan] { ImagePanChanged(pan); }); });
}

void TfmMain::FitStatusRow() {
  // Texts share the row by weight; an empty one takes no room from the others.
  auto* row = qobject_cast<QBoxLayout*>(sBarPointer->parentWidget()->layout());
  const auto weight = [](const QLabel* label, int w) { return label->text().isEmpty() ? 0 : w; };
  row->setStretchFactor(sBarMessage, weight(sBarMessage, 3));
  row->setStretchFactor(sBarPointer, weight(sBarPointer, 3));
  row->setStretchFactor(sBarView, weight(sBarView, 2));
  // A text cut short shows whole in its hint.
  for (QLabel* label : {sBarMessage, sBarPointer, sBarView}) label->setToolTip(label->text());
}

void TfmMain::ImageHover(QPoint pixel) {
  QString text;
  if (CurEntry != nullptr && Image->Bitmap() != nullptr) {
    const auto screen = Screens.find(CurEntry);
    if (screen == Screens.end()) {
      text = QString::fromStdString(TilePixelText(*CurEntry, pixel.x(), pixel.y()));
    } else if (CurEntry->Template > kTemplateNone && CurEntry->Template < kTemplateCount) {
      const std::span<const std::uint8_t> map = MapBytes(screen->second, RomData, HoverBuffer);
      text = QString::fromStdString(ScreenCellText(screen->second,
                                                   TileTemplates[CurEntry->Template].Value, map,
                                                   pixel.x(), pixel.y(), CurEntry->PalCount));
    }
  }
  sBarPointer->setText(text);
  FitStatusRow();
}

void TfmMain::ImagePanChanged(QPoint pan) {
  if (PriorityOverlay != nullptr) PriorityOverlay->SetPan(pan);
  const QRect shown = Image->VisiblePixels();
  const TIndexedBitmap* bmp = Image->Bitmap();
  // Only a panned picture says which part is in view.
  sBarView->setText(
      pan.isNull() || bmp == nullptr
          ? QString()
          : QString::fromStdString(VisiblePartText(shown.left(), shown.top(), shown.right(),
                                                   shown.bottom(), bmp->Width(), bmp->Height())));
}

void TfmMain::NoteScreenPalettes(const TScreen& s) {
  UsedPalettes.fill(false);
  if (CurEntry->Template <= kTemplateNone || CurEntry->Template >= kTemplateCount) return;
  const int bpp = TileTemplates[CurEntry->Template].Value;
  const std::vector<TMapCell> cells = ReadMapCells(s, MapBytes(s, RomData, HoverBuffer));
  if (bpp < 8) {
    for (const TMapCell& c : cells) {
      UsedPalettes[static_cast<std::size_t>(ScreenPaletteOffset(bpp, c.palette, s.paletteBase))] =
          true;
    }
  }
  // The note goes once the palettes are loaded, and leaves any other note alone.
  const QString unloaded =
      QString::fromStdString(UnloadedPalettesText(s, bpp, cells, CurEntry->PalCount));
  if (!unloaded.isEmpty()) {
    ShowStatus(unloaded);
  } else if (sBarMessage->text().contains(QStringLiteral(" colours loaded (set Colors"))) {
    ShowEditStatus();
  }
  gPal->update();
}

std::int32_t TfmMain::ScreenColoursNeeded() const {
  // The end of the last palette block the map uses; all 256 when none is known.
  for (int i = 255; i >= 0; --i) {
    if (!UsedPalettes[static_cast<std::size_t>(i)]) continue;
    const int bpp = TileTemplates[CurEntry->Template].Value;
    return std::min(256, i + (1 << bpp));
  }
  return 256;
}

void TfmMain::MarkUsedPalette(QPainter& canvas, int index, const QRect& rect) const {
  if (CurEntry == nullptr || Screens.count(CurEntry) == 0) return;
  if (!UsedPalettes[static_cast<std::size_t>(index)]) return;
  // A corner triangle on the first colour of each palette the map uses.
  const QPoint corner = rect.topLeft() + QPoint(2, 2);
  const QPoint tri[3] = {corner, corner + QPoint(6, 0), corner + QPoint(0, 6)};
  canvas.setPen(Qt::NoPen);
  canvas.setBrush(Qt::white);
  canvas.drawPolygon(tri, 3);
  canvas.setPen(Qt::black);
  canvas.setBrush(Qt::NoBrush);
  canvas.drawPolygon(tri, 3);
}

}  // namespace tegulo
