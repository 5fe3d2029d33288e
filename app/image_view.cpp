// TImageView: the view that shows the tile bitmap enlarged by pixel replication.
#include "image_view.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace tegulo {

namespace {

std::int64_t Scaled(std::int32_t side, std::int32_t zoom) {
  return std::min<std::int64_t>(std::int64_t{side} * zoom, std::numeric_limits<int>::max());
}

}  // namespace

TImageView::TImageView(QWidget* parent) : QWidget(parent) {}

void TImageView::SetPicture(const TIndexedBitmap* bitmap, std::int32_t zoom) {
  bitmap_ = bitmap;
  zoom_ = std::max(zoom, 1);
  update();
}

QSize TImageView::PictureSize() const {
  if (bitmap_ == nullptr || bitmap_->Empty()) return QSize(0, 0);
  return QSize(static_cast<int>(Scaled(bitmap_->Width(), zoom_)),
               static_cast<int>(Scaled(bitmap_->Height(), zoom_)));
}

void TImageView::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect() & QRect(QPoint(0, 0), PictureSize());
  if (area.isEmpty()) return;

  std::array<QRgb, 256> lut;
  for (std::size_t i = 0; i < lut.size(); ++i) lut[i] = 0xFF000000u | bitmap_->Colours[i];

  // Convert only the exposed part: each target pixel (x, y) takes source pixel
  // (x / zoom, y / zoom). Rows that come from the same source row are copied.
  QImage out(area.size(), QImage::Format_RGB32);
  const int w = area.width();
  const std::int64_t z = zoom_;
  std::int64_t lastSourceRow = -1;
  for (int y = 0; y < area.height(); ++y) {
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    const std::int64_t sy = (area.top() + y) / z;
    if (sy == lastSourceRow) {
      std::memcpy(dst, out.constScanLine(y - 1), static_cast<std::size_t>(w) * sizeof(QRgb));
      continue;
    }
    lastSourceRow = sy;
    const std::uint8_t* src = bitmap_->Row(static_cast<std::int32_t>(sy));
    std::int64_t sx = area.left() / z;
    std::int64_t repeat = z - area.left() % z;  // what remains of the first source pixel
    for (int x = 0; x < w;) {
      const QRgb colour = lut[src[sx]];
      const int n = static_cast<int>(std::min<std::int64_t>(repeat, w - x));
      std::fill_n(dst + x, n, colour);
      x += n;
      ++sx;
      repeat = z;
    }
  }
  QPainter(this).drawImage(area.topLeft(), out);
}

}  // namespace tegulo
