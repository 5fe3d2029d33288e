// TChoiceBox: a pick-only drop-down list whose items carry a number.
#pragma once

#include <QComboBox>

namespace tegulo {

// Change() comes only when the user picks an item (mouse, keyboard or wheel); selecting
// from the program with SetItemIndex raises nothing.
class TChoiceBox : public QComboBox {
  Q_OBJECT
public:
  explicit TChoiceBox(QWidget* parent = nullptr);

  void AddItem(const QString& text, int number);
  int ItemIndex() const { return currentIndex(); }  // -1 when nothing is selected
  void SetItemIndex(int index) { setCurrentIndex(index); }
  int ItemNumber(int index) const;      // the number attached to an item
  int IndexOfNumber(int number) const;  // -1 when no item carries it

  // The width at which an item of this text shows whole when selected.
  int WidthFor(const QString& text) const;

signals:
  void Change();
};

}  // namespace tegulo
