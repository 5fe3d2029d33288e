// TImageView: the view that shows the tile bitmap enlarged by pixel replication.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "base/bitmap.h"

namespace tegulo {

// Shows the bitmap `zoom` times enlarged at the view's top-left corner, clipped by the view;
// the rest shows the window background. Only the exposed part is ever converted, so
// pictures far larger than any screen (64,000 x 64,000 pixels) cost no memory of their own.
// The bitmap is read at paint time and must outlive the view or be detached first. On a
// high-density screen the picture is built in device pixels, so that each bitmap pixel stays
// a sharp block (zoom × device pixel ratio wide) and nothing is smoothed.
// Browsing: clicked, the view takes the focus (it stays out of the Tab order). Its keys and
// the wheel raise Browse: Left/Right a tile, Up/Down a tile row, Page Up/Down a screen,
// Shift+Left/Right a byte, Home the start; a wheel notch a tile row (down: forward).
// Ctrl+wheel raises ZoomStep(+1 up, -1 down) instead.
// Panning: a picture larger than the view can be moved in it: the middle button drags it,
// Shift+wheel moves it sideways and Alt+wheel up and down (3 tiles a notch). The pan stays
// within the picture and starts at the top-left; PanChanged tells every move.
// Without a picture the view shows its hint. The pointer's bitmap pixel is told by
// HoverPixel as it moves (also outside the bitmap), HoverLeave when it leaves.
enum class TBrowseMove {
  ByteBack,
  ByteForward,
  TileBack,
  TileForward,
  RowBack,
  RowForward,
  ScreenBack,
  ScreenForward,
  Home
};

class TImageView : public QWidget {
  Q_OBJECT
public:
  explicit TImageView(QWidget* parent = nullptr);

  // A zoom below 1 shows the bitmap at 1. Ends a scene picture.
  void SetPicture(const TIndexedBitmap* bitmap, std::int32_t zoom);
  // The view pixel of the picture shown at the view's top-left corner.
  QPoint Pan() const { return pan_; }
  // Clamped to what the picture's size allows; PanChanged when it moves.
  void SetPan(QPoint pan);
  // The part of the bitmap in view, in bitmap pixels (empty without a picture).
  QRect VisiblePixels() const;
  // The text shown, wrapped, while there is no picture (what to do first).
  void SetHint(const QString& hint);
  const QString& Hint() const { return hint_; }
  // Shows a true-colour picture (a scene) `zoom` times enlarged instead of the bitmap, until
  // the next SetPicture; the mouse over it raises SceneHover. The image must outlive it.
  void SetScene(const QImage* scene, std::int32_t zoom);
  const QImage* Scene() const { return scene_; }
  const TIndexedBitmap* Bitmap() const { return bitmap_; }
  std::int32_t Zoom() const { return zoom_; }
  // The size of the enlarged picture (0 x 0 without one), each side at most INT_MAX.
  QSize PictureSize() const;

  // Edit mode: the mouse raises the Pixel signals (the pixel under it, which may lie outside
  // the bitmap) and a right click opens no context menu; the keys keep browsing. E raises
  // EditToggle in either mode, Escape EditLeave in edit mode.
  void SetEditing(bool on);
  bool Editing() const { return editing_; }
  QPoint PixelAt(QPointF pos) const;
  // Repaints only the view's part of a rectangle of bitmap pixels.
  void UpdatePixels(const QRect& pixels);
  // A rectangle of bitmap pixels framed over the picture (the selected cell); none when empty.
  void SetMarkedCell(const QRect& pixels);

signals:
  void Browse(tegulo::TBrowseMove move);
  void ZoomStep(int delta);
  void EditToggle();
  void EditLeave();
  void PixelPress(QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  void PixelMove(QPoint pixel);
  void PixelRelease();
  void PanChanged(QPoint pan);
  // A left press outside edit mode, on the bitmap pixel under it (which may lie outside).
  void PixelClick(QPoint pixel);
  void HoverPixel(QPoint pixel);
  void HoverLeave();
  void SceneHover(QPoint pixel);

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  bool PanPress(QMouseEvent* event);
  bool PanMove(QMouseEvent* event);
  bool PanRelease(QMouseEvent* event);
  bool PanWheel(QWheelEvent* event);
  QPoint pan_;
  QRect marked_;
  void PaintMark();
  bool panning_ = false;
  QPoint panFrom_;   // where the drag began, in view pixels
  QPoint panStart_;  // the pan then
  int panWheelRest_ = 0;
  bool editing_ = false;
  bool pressed_ = false;
  int wheelRest_ = 0;  // eighths of a degree not yet a whole notch
  const TIndexedBitmap* bitmap_ = nullptr;
  const QImage* scene_ = nullptr;
  std::int32_t zoom_ = 1;
  QString hint_;
  void PaintHint();
};

// The part `device` of `bitmap` enlarged `scale` times (zoom × device pixel ratio, at least 1)
// by pixel replication, in device pixels: column x shows bitmap column s for
// ceil(s × scale) <= x < ceil((s + 1) × scale), and rows likewise, so that every bitmap pixel
// is a block of whole device pixels and the blocks tile without gaps whatever the scale.
// `device` must lie inside the enlarged bitmap (0 .. ceil(width × scale) - 1 and so on).
QImage ReplicatePixels(const TIndexedBitmap& bitmap, const QRect& device, double scale);

// The number of device pixels that `side` bitmap pixels take at `scale`.
std::int64_t ReplicatedSide(std::int32_t side, double scale);

}  // namespace tegulo
