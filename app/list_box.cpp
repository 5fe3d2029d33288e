// TListBox: a single-selection list box that reports the user's selections only.
#include "list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tegulo {

namespace {

class TRowDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // Never cut a face taller than the rows of the original font.
    size.setHeight(std::max(TListBox::kRowHeight, option.fontMetrics.height()));
    return size;
  }
};

}  // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setItemDelegate(new TRowDelegate(this));
}

int TListBox::ItemIndex() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.front());
}

void TListBox::SetItemIndex(int row) {
  if (row < 0 || row >= count()) {
    clearSelection();
    setCurrentRow(-1);
    return;
  }
  setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void TListBox::AddItem(const QString& text) { addItem(text); }

void TListBox::SetItemText(int row, const QString& text) {
  if (QListWidgetItem* it = item(row)) it->setText(text);
}

void TListBox::DeleteItem(int row) { delete takeItem(row); }

void TListBox::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) emit Click();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
  const int before = ItemIndex();
  const int currentBefore = currentRow();
  QListWidget::keyPressEvent(event);
  if (ItemIndex() != before || currentRow() != currentBefore) emit Click();
}

}  // namespace tegulo
