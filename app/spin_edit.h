// TSpinEdit: an integer edit with step buttons whose text the program reads as typed.
#pragma once

#include <QLineEdit>
#include <cstdint>

namespace tegulo {

class TSpinButton;

// The text is the value: Value() reads it by the number syntax (decimal, or hexadecimal
// after "$"), not pulled into the range, and text that is not a number reads as MinValue().
// When the bounds differ, values set by the program or reached by stepping (the buttons,
// the Up and Down keys) are pulled into the range, and a typed value outside it is pulled
// in when the focus moves to another control of the same window (not when the window is
// deactivated, a popup opens or the window goes away). Equal bounds mean no range. Typed
// characters are limited to digits, signs and the decimal separator; Enter is refused with a
// beep. Pasted and dropped text is refused whole when it holds any other character.
// Every change of the text raises Change().
class TSpinEdit : public QLineEdit {
  Q_OBJECT
public:
  static constexpr int kButtonWidth = 11;

  explicit TSpinEdit(QWidget* parent = nullptr);

  void SetRange(std::int32_t minValue, std::int32_t maxValue);
  std::int32_t MinValue() const { return min_; }
  std::int32_t MaxValue() const { return max_; }

  std::int32_t Value() const;
  void SetValue(std::int32_t value);
  void StepBy(int steps);

  // The value pulled into the range when there is one (and into 32 bits in any case).
  std::int32_t CheckValue(std::int64_t value) const;

  // The width at which `text` shows whole beside the buttons.
  int WidthFor(const QString& text) const;

  // Whether `c` may be typed, pasted or dropped: a digit, a sign or the decimal separator.
  bool IsValidChar(QChar c) const;

signals:
  void Change();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  int FrameWidth() const;

  TSpinButton* up_;
  TSpinButton* down_;
  std::int32_t min_ = 0;
  std::int32_t max_ = 0;
};

}  // namespace tegulo
