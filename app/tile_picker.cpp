// "Pick Tile…": a tool window that shows the tiles a map can name, enlarged, and returns the
// number of the one clicked.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "image_view.h"
#include "qt_user_prompts.h"

namespace tegulo {

namespace {

constexpr int kZoom = 3;

// The sheet as a picture whose clicks name a tile.
class TTileSheetLabel : public QLabel {
public:
  TTileSheetLabel(const TIndexedBitmap& sheet, int columns, QWidget* parent)
      : QLabel(parent), columns_(columns) {
    setObjectName(QStringLiteral("TileSheet"));
    const QImage image =
        ReplicatePixels(sheet, QRect(0, 0, kZoom * sheet.Width(), kZoom * sheet.Height()), kZoom);
    setPixmap(QPixmap::fromImage(image));
    setFixedSize(image.size());
    setCursor(Qt::PointingHandCursor);
  }
  int chosen = -1;  // the tile clicked, counted from the sheet's first

protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    // Whole tiles: QPoint's own division rounds.
    const QPoint at = event->position().toPoint();
    const QPoint p(at.x() / (8 * kZoom), at.y() / (8 * kZoom));
    if (at.x() >= 0 && at.y() >= 0 && p.x() < columns_) {
      chosen = p.y() * columns_ + p.x();
      if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->accept();
    }
  }

private:
  int columns_;
};

}  // namespace

std::optional<int> QtUserPrompts::PickTile(const TIndexedBitmap& sheet, int columns, int first,
                                           int current) {
  QDialog dialog(QApplication::activeWindow(), Qt::Tool);
  dialog.setObjectName(QStringLiteral("TilePicker"));
  dialog.setWindowTitle(QStringLiteral("Pick Tile (now %1)").arg(current));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(
      QStringLiteral("Click a tile (numbers from %1, %2 a row):").arg(first).arg(columns),
      &dialog));
  auto* scroll = new QScrollArea(&dialog);
  auto* label = new TTileSheetLabel(sheet, columns, scroll);
  scroll->setWidget(label);
  scroll->setMinimumWidth(label->width() + 24);
  layout->addWidget(scroll);
  if (dialog.exec() != QDialog::Accepted || label->chosen < 0) return std::nullopt;
  const int tile = first + label->chosen;
  return tile < first + (sheet.Height() / 8) * columns ? std::optional<int>(tile) : std::nullopt;
}

}  // namespace tegulo
