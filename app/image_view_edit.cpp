// TImageView's edit mode: the mouse over the picture as bitmap pixels.
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "image_view.h"

namespace tegulo {

void TImageView::SetEditing(bool on) {
  editing_ = on;
  pressed_ = false;
  setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
}

QPoint TImageView::PixelAt(QPointF pos) const {
  return QPoint(static_cast<int>(std::floor((pos.x() + pan_.x()) / zoom_)),
                static_cast<int>(std::floor((pos.y() + pan_.y()) / zoom_)));
}

void TImageView::UpdatePixels(const QRect& pixels) {
  if (pixels.isEmpty()) return;
  // A pixel more on each side: on a high-density screen blocks round to device pixels.
  const std::int64_t z = zoom_;
  const auto side = [z](std::int64_t v) {
    return static_cast<int>(
        std::clamp<std::int64_t>(v * z, -1, std::numeric_limits<int>::max() / 2));
  };
  update(QRect(QPoint(side(pixels.left()) - 1, side(pixels.top()) - 1),
               QPoint(side(pixels.right() + 1), side(pixels.bottom() + 1)))
             .translated(-pan_));
}

void TImageView::SetMarkedCell(const QRect& pixels) {
  if (pixels == marked_) return;
  UpdatePixels(marked_);
  marked_ = pixels;
  UpdatePixels(marked_);
}

void TImageView::PaintMark() {
  if (marked_.isEmpty()) return;
  QPainter painter(this);
  const QRect r(marked_.left() * zoom_ - pan_.x(), marked_.top() * zoom_ - pan_.y(),
                marked_.width() * zoom_, marked_.height() * zoom_);
  // Black inside white: seen on any colour.
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(r.adjusted(0, 0, -1, -1));
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(r.adjusted(1, 1, -2, -2));
}

bool TImageView::event(QEvent* event) {
  // A right click in edit mode picks an index; the keyboard's menu key still opens the menu.
  if (editing_ && event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) {
    event->accept();
    return true;
  }
  return QWidget::event(event);
}

void TImageView::mousePressEvent(QMouseEvent* event) {
  if (PanPress(event)) return;  // image_view_pan.cpp
  if (!editing_) {
    if (event->button() == Qt::LeftButton) emit PixelClick(PixelAt(event->position()));
    QWidget::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  pressed_ = event->button() == Qt::LeftButton;
  emit PixelPress(PixelAt(event->position()), event->button(), event->modifiers());
  event->accept();
}

void TImageView::mouseMoveEvent(QMouseEvent* event) {
  if (scene_ != nullptr && !editing_) {
    emit SceneHover(PixelAt(event->position()));
    event->accept();
    return;
  }
  if (PanMove(event)) return;
  if (!editing_ || !pressed_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  emit PixelMove(PixelAt(event->position()));
  event->accept();
}

void TImageView::mouseReleaseEvent(QMouseEvent* event) {
  if (PanRelease(event)) return;
  if (!editing_ || !pressed_ || event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  pressed_ = false;
  emit PixelRelease();
  event->accept();
}

}  // namespace tegulo
