// TImageButton: a button that shows a picture, flat or without a frame.
#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>

namespace tegulo {

// The picture is centred and keeps its transparency. Flat: a one-pixel raised frame while
// the pointer is over the button, a sunken one while it is pressed. NoFrame: never a frame.
// While pressed the picture moves 2 pixels right and down; a disabled button shows it at a
// third of its opacity. The hint is the tooltip. The picture is an icon of one or more sizes:
// its smallest size is the picture's size on the screen, and a high-density screen gets the
// icon's larger versions (twice the size at a device pixel ratio of 2).
class TImageButton : public QAbstractButton {
  Q_OBJECT
public:
  enum class TStyle { Flat, NoFrame };

  TImageButton(TStyle style, const QIcon& picture, QWidget* parent = nullptr);
  TImageButton(TStyle style, const QPixmap& picture, QWidget* parent = nullptr);

  TStyle Style() const { return style_; }
  const QIcon& Icon() const { return icon_; }
  // The picture's size in the window's (device-independent) pixels.
  QSize PictureSize() const { return pictureSize_; }
  // The picture as drawn on the button's screen, at its device pixel ratio.
  QPixmap Picture() const;
  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

private:
  TStyle style_;
  QIcon icon_;
  QSize pictureSize_;
};

}  // namespace tegulo
