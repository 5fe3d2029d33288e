// TImageView's panning: a picture larger than the view moved by the middle button and by
// Shift+wheel and Alt+wheel, and the pointer's pixel as it moves.
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

#include "image_view.h"

namespace tegulo {

namespace {
constexpr int kWheelTiles = 3;  // tiles a wheel notch pans
}  // namespace

void TImageView::SetPan(QPoint pan) {
  const QSize picture = PictureSize();
  const QPoint most(std::max(0, picture.width() - width()),
                    std::max(0, picture.height() - height()));
  const QPoint clamped(std::clamp(pan.x(), 0, most.x()), std::clamp(pan.y(), 0, most.y()));
  if (clamped == pan_) return;
  pan_ = clamped;
  update();
  emit PanChanged(pan_);
}

QRect TImageView::VisiblePixels() const {
  const QSize picture = PictureSize();
  if (picture.isEmpty()) return {};
  const QRect shown = QRect(pan_, size()) & QRect(QPoint(0, 0), picture);
  return QRect(QPoint(shown.left() / zoom_, shown.top() / zoom_),
               QPoint(shown.right() / zoom_, shown.bottom() / zoom_));
}

void TImageView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SetPan(pan_);  // a larger view may show the picture from nearer its start
}

void TImageView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  emit HoverLeave();
}

bool TImageView::PanPress(QMouseEvent* event) {
  if (event->button() != Qt::MiddleButton) return false;
  const QSize picture = PictureSize();
  if (picture.width() <= width() && picture.height() <= height()) return false;
  panning_ = true;
  panFrom_ = event->position().toPoint();
  panStart_ = pan_;
  setCursor(Qt::ClosedHandCursor);
  event->accept();
  return true;
}

bool TImageView::PanMove(QMouseEvent* event) {
  emit HoverPixel(PixelAt(event->position()));
  if (!panning_) return false;
  SetPan(panStart_ + panFrom_ - event->position().toPoint());
  event->accept();
  return true;
}

bool TImageView::PanRelease(QMouseEvent* event) {
  if (!panning_ || event->button() != Qt::MiddleButton) return false;
  panning_ = false;
  setCursor(editing_ ? Qt::CrossCursor : Qt::ArrowCursor);
  event->accept();
  return true;
}

bool TImageView::PanWheel(QWheelEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool sideways = (mods & Qt::ShiftModifier) != 0;
  const bool upDown = (mods & Qt::AltModifier) != 0;
  if (!sideways && !upDown) return false;
  // Some systems turn the wheel sideways while Alt or Shift is held.
  const QPoint angle = event->angleDelta();
  panWheelRest_ += angle.y() != 0 ? angle.y() : angle.x();
  const int notches = panWheelRest_ / 120;
  panWheelRest_ -= notches * 120;
  const int step = -notches * kWheelTiles * 8 * zoom_;  // the wheel down moves on
  SetPan(pan_ + (sideways ? QPoint(step, 0) : QPoint(0, step)));
  event->accept();
  return true;
}

}  // namespace tegulo
