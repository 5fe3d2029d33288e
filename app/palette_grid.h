// TPaletteGrid: 16 x 16 owner-drawn cells of 16 x 16 pixels with a mouse-release event.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

namespace tegulo {

class TPaletteGrid : public QWidget {
  Q_OBJECT
public:
  static constexpr int kCells = 16;     // columns, and rows
  static constexpr int kCellSize = 16;  // pixels
  static constexpr int kSize = kCells * kCellSize;

  struct TCell {
    int col;
    int row;
  };

  explicit TPaletteGrid(QWidget* parent = nullptr);

  // The cell under a point of the grid; none outside the 16 x 16 cells.
  static std::optional<TCell> CellAt(QPoint point);
  static QRect CellRect(int col, int row);

  // Paints one cell into its rectangle; every cell that needs painting is passed to it.
  std::function<void(QPainter& painter, int col, int row, const QRect& rect)> OnDrawCell;

signals:
  void MouseUp(Qt::MouseButton button, QPoint point);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A two-pixel sunken three-dimensional frame on all four sides of `rect`: the outer ring
// shadow over highlight, the inner ring dark shadow over light.
void DrawSunkenEdge(QPainter& painter, const QRect& rect, const QPalette& palette);

// The mark of the chosen cell: a square ring inside the frame, black on light colours and
// white on dark ones.
void DrawChosenMark(QPainter& painter, const QRect& rect, const QColor& fill);

}  // namespace tegulo
