// TImageButton: a button that shows a picture, flat or without a frame.
#include "image_button.h"

#include <QEvent>
#include <QPainter>

namespace tegulo {

namespace {

constexpr int kPressShift = 2;
constexpr double kDisabledOpacity = 1.0 / 3.0;

// A one-pixel frame: light on the top and left, dark on the bottom and right (raised),
// or the other way round (sunken).
void DrawFrame(QPainter& p, const QRect& r, const QPalette& pal, bool sunken) {
  const QColor light = pal.color(QPalette::Light);
  const QColor dark = pal.color(QPalette::Dark);
  const QColor& topLeft = sunken ? dark : light;
  const QColor& bottomRight = sunken ? light : dark;
  p.setPen(topLeft);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(bottomRight);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

QSize SmallestSize(const QIcon& icon) {
  QSize smallest;
  for (const QSize& size : icon.availableSizes()) {
    if (!smallest.isValid() || size.width() < smallest.width()) smallest = size;
  }
  return smallest.isValid() ? smallest : QSize(0, 0);
}

}  // namespace

TImageButton::TImageButton(TStyle style, const QIcon& picture, QWidget* parent)
    : QAbstractButton(parent), style_(style), icon_(picture), pictureSize_(SmallestSize(picture)) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
}

TImageButton::TImageButton(TStyle style, const QPixmap& picture, QWidget* parent)
    : TImageButton(style, QIcon(picture), parent) {}

QPixmap TImageButton::Picture() const {
  if (pictureSize_.isEmpty()) return QPixmap();
  return icon_.pixmap(pictureSize_, devicePixelRatioF());
}

QSize TImageButton::sizeHint() const { return pictureSize_ + QSize(2, 2); }

bool TImageButton::event(QEvent* event) {
  // The hover frame needs a repaint when the pointer comes and goes.
  if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) update();
  return QAbstractButton::event(event);
}

void TImageButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool pressed = isDown() && isEnabled();
  const QRect frame = rect();
  if (style_ == TStyle::Flat && isEnabled() && (pressed || underMouse())) {
    DrawFrame(p, frame, palette(), pressed);
  }
  QPoint at((width() - pictureSize_.width()) / 2, (height() - pictureSize_.height()) / 2);
  if (pressed) at += QPoint(kPressShift, kPressShift);
  if (!isEnabled()) p.setOpacity(kDisabledOpacity);
  p.drawPixmap(at, Picture());
}

}  // namespace tegulo
