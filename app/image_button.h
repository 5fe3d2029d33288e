// TImageButton: a button that shows a picture, flat or without a frame.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace tegulo {

// The picture is centred and keeps its transparency. Flat: a one-pixel raised frame while
// the pointer is over the button, a sunken one while it is pressed. NoFrame: never a frame.
// While pressed the picture moves 2 pixels right and down; a disabled button shows it at a
// third of its opacity. The hint is the tooltip.
class TImageButton : public QAbstractButton {
  Q_OBJECT
public:
  enum class TStyle { Flat, NoFrame };

  TImageButton(TStyle style, const QPixmap& picture, QWidget* parent = nullptr);

  TStyle Style() const { return style_; }
  const QPixmap& Picture() const { return picture_; }
  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

private:
  TStyle style_;
  QPixmap picture_;
};

}  // namespace tegulo
