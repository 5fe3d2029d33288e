// TImageView: the view that shows the tile bitmap enlarged by pixel replication.
#pragma once

#include <QWidget>
#include <cstdint>

#include "base/bitmap.h"

namespace tegulo {

// Shows the bitmap `zoom` times enlarged at the view's top-left corner, clipped by the view;
// the rest shows the window background. Only the exposed part is ever converted, so
// pictures far larger than any screen (64,000 x 64,000 pixels) cost no memory of their own.
// The bitmap is read at paint time and must outlive the view or be detached first.
class TImageView : public QWidget {
  Q_OBJECT
public:
  explicit TImageView(QWidget* parent = nullptr);

  // A zoom below 1 shows the bitmap at 1.
  void SetPicture(const TIndexedBitmap* bitmap, std::int32_t zoom);
  const TIndexedBitmap* Bitmap() const { return bitmap_; }
  std::int32_t Zoom() const { return zoom_; }
  // The size of the enlarged picture (0 x 0 without one), each side at most INT_MAX.
  QSize PictureSize() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  const TIndexedBitmap* bitmap_ = nullptr;
  std::int32_t zoom_ = 1;
};

}  // namespace tegulo
