// TSpinEdit: an integer edit with step buttons whose text the program reads as typed.
#include "spin_edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>
#include <algorithm>
#include <limits>

#include "base/numbers.h"

namespace tegulo {

// One of the two step buttons: a small bevelled face with an arrow, repeating while held.
class TSpinButton : public QAbstractButton {
public:
  TSpinButton(bool up, QWidget* parent) : QAbstractButton(parent), up_(up) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRepeat(true);
    setAutoRepeatDelay(400);
    setAutoRepeatInterval(80);
    setCursor(Qt::ArrowCursor);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect r = rect();
    p.fillRect(r, pal.color(QPalette::Button));
    const bool sunken = isDown();
    p.setPen(pal.color(sunken ? QPalette::Dark : QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pal.color(sunken ? QPalette::Light : QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    // A 5-pixel-wide arrow centred in the face.
    const int cx = r.center().x() + (sunken ? 1 : 0);
    const int cy = r.center().y() + (sunken ? 1 : 0);
    p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    for (int i = 0; i < 3; ++i) {
      const int y = up_ ? cy - 1 + i : cy + 1 - i;
      p.drawLine(cx - i, y, cx + i, y);
    }
  }

private:
  bool up_;
};

namespace {

// Holds the text to the characters that can be typed. Qt checks it after every edit (typing,
// Ctrl+V, the context menu's Paste, a middle-click paste, a drop) and takes the edit back
// whole when it fails; text the program sets is never taken back.
class TCharFilter : public QValidator {
public:
  explicit TCharFilter(TSpinEdit* edit) : QValidator(edit), edit_(edit) {}
  State validate(QString& input, int&) const override {
    for (const QChar c : input) {
      if (!edit_->IsValidChar(c)) return Invalid;
    }
    return Acceptable;
  }

private:
  const TSpinEdit* edit_;
};

}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent)
    : QLineEdit(parent), up_(new TSpinButton(true, this)), down_(new TSpinButton(false, this)) {
  setTextMargins(0, 0, kButtonWidth, 0);
  setValidator(new TCharFilter(this));
  connect(this, &QLineEdit::textChanged, this, [this] { emit Change(); });
  // A held auto-repeat button emits pressed again on every repeat.
  connect(up_, &QAbstractButton::pressed, this, [this] { StepBy(1); });
  connect(down_, &QAbstractButton::pressed, this, [this] { StepBy(-1); });
  SetValue(0);
}

void TSpinEdit::SetRange(std::int32_t minValue, std::int32_t maxValue) {
  min_ = minValue;
  max_ = maxValue;
}

std::int32_t TSpinEdit::Value() const { return TryParseInt(text().toStdString()).value_or(min_); }

void TSpinEdit::SetValue(std::int32_t value) {
  setText(QString::number(CheckValue(value)));
  if (!hasFocus()) setCursorPosition(0);  // a value wider than the field shows its start
}

void TSpinEdit::StepBy(int steps) { SetValue(CheckValue(std::int64_t{Value()} + steps)); }

std::int32_t TSpinEdit::CheckValue(std::int64_t value) const {
  if (min_ != max_) value = std::clamp<std::int64_t>(value, min_, max_);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int TSpinEdit::FrameWidth() const {
  QStyleOptionFrame option;
  initStyleOption(&option);
  return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
}

int TSpinEdit::WidthFor(const QString& text) const {
  constexpr int kTextMargin = 2;  // QLineEdit's own margin on each side of the text
  return fontMetrics().horizontalAdvance(text) + 2 * (FrameWidth() + kTextMargin) + kButtonWidth +
         1;
}

bool TSpinEdit::IsValidChar(QChar c) const {
  if (c >= u'0' && c <= u'9') return true;
  if (c == u'+' || c == u'-') return true;
  const QString separator = locale().decimalPoint();
  return separator.size() == 1 && c == separator.front();
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      QApplication::beep();
      event->accept();
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!isReadOnly()) StepBy(event->key() == Qt::Key_Up ? 1 : -1);
      event->accept();
      return;
    default: break;
  }
  const QString typed = event->text();
  // Control characters and chords (editing keys, Ctrl+C/V...) pass, whatever text they
  // carry; printable ones must be valid. What a chord inserts still meets the filter.
  const bool chord = (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0;
  if (!chord && typed.size() == 1 && typed.front().unicode() >= 32 &&
      typed.front().unicode() != 127 && !IsValidChar(typed.front())) {
    QApplication::beep();
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A typed number stands until the user moves on to another control of this window. A
  // message box or a popup taking the activation, or the window closing, is no such move:
  // pulling the value in then would raise a change in the middle of another action (or on
  // a window being destroyed).
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
    return;
  }
  // Unfocused, the field shows the start of a value wider than itself, not its end.
  setCursorPosition(0);
  const QWidget* next = QApplication::focusWidget();
  if (next == nullptr || next == this || next->window() != window()) return;
  const std::int32_t value = Value();
  if (CheckValue(value) != value) SetValue(value);
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  const int frame = FrameWidth();
  const int inner = height() - 2 * frame;
  const int x = width() - frame - kButtonWidth;
  up_->setGeometry(x, frame, kButtonWidth, inner / 2);
  down_->setGeometry(x, frame + inner / 2, kButtonWidth, inner - inner / 2);
}

}  // namespace tegulo
