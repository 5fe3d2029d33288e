// The priority overlay: dimmed rectangles over the low-priority cells.
#include "priority_overlay.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace tegulo {

TPriorityOverlay::TPriorityOverlay(QWidget* view) : QWidget(view) {
  setObjectName(QStringLiteral("PriorityOverlay"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  hide();
}

void TPriorityOverlay::Show(std::vector<std::uint8_t> priority, std::int32_t columns,
                            int cellSide) {
  priority_ = std::move(priority);
  columns_ = std::max(columns, 1);
  cellSide_ = std::max(cellSide, 1);
  setGeometry(parentWidget()->rect());
  show();
  raise();
  update();
}

void TPriorityOverlay::SetPan(QPoint pan) {
  if (pan == pan_) return;
  pan_ = pan;
  update();
}

std::int64_t TPriorityOverlay::DimmedCells() const {
  return std::count(priority_.begin(), priority_.end(), std::uint8_t{0});
}

void TPriorityOverlay::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.translate(-pan_);
  const QColor dim(0, 0, 0, 120);
  const QRect area = event->rect().translated(pan_);
  // Only the rows and columns of cells the exposed area touches.
  const std::int64_t rows = static_cast<std::int64_t>(priority_.size()) / columns_;
  const std::int64_t firstRow = std::max(0, area.top() / cellSide_);
  const std::int64_t lastRow = std::min<std::int64_t>(rows - 1, area.bottom() / cellSide_);
  const std::int64_t firstCol = std::max(0, area.left() / cellSide_);
  const std::int64_t lastCol = std::min<std::int64_t>(columns_ - 1, area.right() / cellSide_);
  for (std::int64_t y = firstRow; y <= lastRow; ++y) {
    for (std::int64_t x = firstCol; x <= lastCol; ++x) {
      if (priority_[static_cast<std::size_t>(y * columns_ + x)] != 0) continue;
      painter.fillRect(QRect(static_cast<int>(x * cellSide_), static_cast<int>(y * cellSide_),
                             cellSide_, cellSide_),
                       dim);
    }
  }
}

}  // namespace tegulo
