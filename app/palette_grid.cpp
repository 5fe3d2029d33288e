// TPaletteGrid: 16 x 16 owner-drawn cells of 16 x 16 pixels with a mouse-release event.
#include "palette_grid.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace tegulo {

TPaletteGrid::TPaletteGrid(QWidget* parent) : QWidget(parent) {
  setFixedSize(kSize, kSize);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

std::optional<TPaletteGrid::TCell> TPaletteGrid::CellAt(QPoint point) {
  if (point.x() < 0 || point.y() < 0 || point.x() >= kSize || point.y() >= kSize) {
    return std::nullopt;
  }
  return TCell{point.x() / kCellSize, point.y() / kCellSize};
}

QRect TPaletteGrid::CellRect(int col, int row) {
  return QRect(col * kCellSize, row * kCellSize, kCellSize, kCellSize);
}

void TPaletteGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  for (int row = 0; row < kCells; ++row) {
    for (int col = 0; col < kCells; ++col) {
      const QRect cell = CellRect(col, row);
      if (!cell.intersects(area)) continue;
      if (OnDrawCell) {
        painter.save();
        OnDrawCell(painter, col, row, cell);
        painter.restore();
      } else {
        painter.fillRect(cell, palette().color(QPalette::Window));
      }
    }
  }
}

void TPaletteGrid::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(event->button(), event->position().toPoint());
}

void DrawSunkenEdge(QPainter& painter, const QRect& rect, const QPalette& palette) {
  const auto ring = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    painter.setPen(bottomRight);
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
  };
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  ring(rect, palette.color(QPalette::Dark), palette.color(QPalette::Light));
  ring(rect.adjusted(1, 1, -1, -1), palette.color(QPalette::Shadow),
       palette.color(QPalette::Midlight));
  painter.restore();
}

void DrawChosenMark(QPainter& painter, const QRect& rect, const QColor& fill) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(fill.lightness() > 127 ? Qt::black : Qt::white);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(3, 3, -4, -4));
  painter.drawRect(rect.adjusted(4, 4, -5, -5));
  painter.restore();
}

}  // namespace tegulo
