// TImageView: the view that shows the tile bitmap enlarged by pixel replication.
#include "image_view.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tegulo {

namespace {

std::int64_t Scaled(std::int32_t side, std::int32_t zoom) {
  return std::min<std::int64_t>(std::int64_t{side} * zoom, std::numeric_limits<int>::max());
}

// The first device pixel of bitmap pixel `s`.
std::int64_t BlockStart(std::int64_t s, double scale) {
  return static_cast<std::int64_t>(std::ceil(static_cast<double>(s) * scale));
}

// The bitmap pixel that device pixel `x` shows (the block boundaries are BlockStart's, with
// rounding of the division corrected), at most `last`.
std::int64_t SourceOf(std::int64_t x, double scale, std::int64_t last) {
  std::int64_t s = std::min<std::int64_t>(static_cast<std::int64_t>(x / scale), last);
  while (s > 0 && BlockStart(s, scale) > x) --s;
  while (s < last && BlockStart(s + 1, scale) <= x) ++s;
  return s;
}

}  // namespace

std::int64_t ReplicatedSide(std::int32_t side, double scale) { return BlockStart(side, scale); }

QImage ReplicatePixels(const TIndexedBitmap& bitmap, const QRect& device, double scale) {
  std::array<QRgb, 256> lut;
  for (std::size_t i = 0; i < lut.size(); ++i) lut[i] = 0xFF000000u | bitmap.Colours[i];

  // The blocks of one row, worked out once: bitmap column and width in device pixels.
  struct TRun {
    std::int32_t column;
    int width;
  };
  const int w = device.width();
  const std::int64_t lastColumn = bitmap.Width() - 1;
  std::vector<TRun> runs;
  runs.reserve(static_cast<std::size_t>(std::min<std::int64_t>(w, lastColumn + 1)));
  for (std::int64_t x = 0, sx = SourceOf(device.left(), scale, lastColumn); x < w; ++sx) {
    const std::int64_t end = sx < lastColumn ? BlockStart(sx + 1, scale) - device.left() : w;
    const int n = static_cast<int>(std::min<std::int64_t>(end, w) - x);
    runs.push_back({static_cast<std::int32_t>(sx), n});
    x += n;
  }

  // Rows that come from the same bitmap row are copied.
  QImage out(device.size(), QImage::Format_RGB32);
  const std::int64_t lastRow = bitmap.Height() - 1;
  std::int64_t sy = SourceOf(device.top(), scale, lastRow);
  std::int64_t lastSourceRow = -1;
  for (int y = 0; y < device.height(); ++y) {
    while (sy < lastRow && BlockStart(sy + 1, scale) <= device.top() + y) ++sy;
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (sy == lastSourceRow) {
      std::memcpy(dst, out.constScanLine(y - 1), static_cast<std::size_t>(w) * sizeof(QRgb));
      continue;
    }
    lastSourceRow = sy;
    const std::uint8_t* src = bitmap.Row(static_cast<std::int32_t>(sy));
    for (const TRun& run : runs) {
      dst = std::fill_n(dst, run.width, lut[src[run.column]]);
    }
  }
  return out;
}

TImageView::TImageView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);  // the pointer's pixel is told as it moves
}

void TImageView::keyPressEvent(QKeyEvent* event) {
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  switch (event->key()) {
    case Qt::Key_Left: emit Browse(shift ? TBrowseMove::ByteBack : TBrowseMove::TileBack); break;
    case Qt::Key_Right:
      emit Browse(shift ? TBrowseMove::ByteForward : TBrowseMove::TileForward);
      break;
    case Qt::Key_Up: emit Browse(TBrowseMove::RowBack); break;
    case Qt::Key_Down: emit Browse(TBrowseMove::RowForward); break;
    case Qt::Key_PageUp: emit Browse(TBrowseMove::ScreenBack); break;
    case Qt::Key_PageDown: emit Browse(TBrowseMove::ScreenForward); break;
    case Qt::Key_Home: emit Browse(TBrowseMove::Home); break;
    case Qt::Key_E:
      if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        QWidget::keyPressEvent(event);
        return;
      }
      emit EditToggle();
      break;
    case Qt::Key_Escape:
      if (!editing_) {
        QWidget::keyPressEvent(event);
        return;
      }
      emit EditLeave();
      break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void TImageView::wheelEvent(QWheelEvent* event) {
  if (PanWheel(event)) return;  // image_view_pan.cpp
  // 120 eighths of a degree make a notch; touchpads send smaller parts.
  wheelRest_ += event->angleDelta().y();
  const int notches = wheelRest_ / 120;
  wheelRest_ -= notches * 120;
  const bool zoom = (event->modifiers() & Qt::ControlModifier) != 0;
  for (int i = 0; i < (notches < 0 ? -notches : notches); ++i) {
    if (zoom) {
      emit ZoomStep(notches > 0 ? 1 : -1);
    } else {
      emit Browse(notches > 0 ? TBrowseMove::RowBack : TBrowseMove::RowForward);
    }
  }
  event->accept();
}

void TImageView::SetPicture(const TIndexedBitmap* bitmap, std::int32_t zoom) {
  bitmap_ = bitmap;
  scene_ = nullptr;
  zoom_ = std::max(zoom, 1);
  update();
  SetPan(pan_);  // a smaller picture keeps the pan within it
}

void TImageView::SetScene(const QImage* scene, std::int32_t zoom) {
  scene_ = scene;
  zoom_ = std::max(zoom, 1);
  update();
  SetPan(pan_);
  SetPan(pan_);  // a smaller picture keeps the pan within it
}

QSize TImageView::PictureSize() const {
  if (scene_ != nullptr) return scene_->size() * zoom_;
  if (bitmap_ == nullptr || bitmap_->Empty()) return QSize(0, 0);
  return QSize(static_cast<int>(Scaled(bitmap_->Width(), zoom_)),
               static_cast<int>(Scaled(bitmap_->Height(), zoom_)));
}

void TImageView::SetHint(const QString& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  if (PictureSize().isEmpty()) update();
}

void TImageView::PaintHint() {
  constexpr int kMargin = 16;
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(rect().adjusted(kMargin, kMargin, -kMargin, -kMargin),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, hint_);
}

void TImageView::paintEvent(QPaintEvent* event) {
  if (PictureSize().isEmpty()) {
    if (!hint_.isEmpty()) PaintHint();
    return;
  }
  // In the picture's view pixels: the exposed part moved by the pan.
  const QRect area = event->rect().translated(pan_) & QRect(QPoint(0, 0), PictureSize());
  if (area.isEmpty()) return;
  if (scene_ != nullptr) {
    // A scene is small: drawn whole, each pixel a block (no smoothing is asked for).
    QPainter painter(this);
    painter.setClipRect(area.translated(-pan_));
    painter.drawImage(QRect(-pan_, PictureSize()), *scene_);
    return;
  }

  // Only the exposed part is converted, in the screen's device pixels.
  const double ratio = std::max(devicePixelRatioF(), 1.0);
  const double scale = zoom_ * ratio;
  const auto clip = [](double v, std::int64_t limit) {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(v), 0, limit);
  };
  const std::int64_t width = ReplicatedSide(bitmap_->Width(), scale);
  const std::int64_t height = ReplicatedSide(bitmap_->Height(), scale);
  const std::int64_t left = clip(std::floor(area.left() * ratio), width);
  const std::int64_t top = clip(std::floor(area.top() * ratio), height);
  const std::int64_t right = clip(std::ceil((area.right() + 1) * ratio), width);
  const std::int64_t bottom = clip(std::ceil((area.bottom() + 1) * ratio), height);
  if (left >= right || top >= bottom) return;
  const QRect device(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                     static_cast<int>(bottom - top));
  QImage out = ReplicatePixels(*bitmap_, device, scale);
  out.setDevicePixelRatio(ratio);
  QPainter(this).drawImage(QPointF(left / ratio - pan_.x(), top / ratio - pan_.y()), out);
  PaintMark();  // image_view_edit.cpp
}

}  // namespace tegulo
