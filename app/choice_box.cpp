// TChoiceBox: a pick-only drop-down list whose items carry a number.
#include "choice_box.h"

#include <QStyle>
#include <QStyleOptionComboBox>

namespace tegulo {

TChoiceBox::TChoiceBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  connect(this, &QComboBox::activated, this, [this] { emit Change(); });
}

void TChoiceBox::AddItem(const QString& text, int number) {
  const int selected = currentIndex();
  addItem(text, number);
  // Qt selects the first item added to an empty list; the selection is left to the program.
  setCurrentIndex(selected);
}

int TChoiceBox::ItemNumber(int index) const { return itemData(index).toInt(); }

int TChoiceBox::IndexOfNumber(int number) const { return findData(number); }

int TChoiceBox::WidthFor(const QString& text) const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QSize content(fontMetrics().horizontalAdvance(text), fontMetrics().height());
  return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this).width();
}

}  // namespace tegulo
