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

QItemSelectionModel::SelectionFlags TListBox::selectionCommand(const QModelIndex& index,
                                                               const QEvent* event) const {
  if (event != nullptr) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (static_cast<const QMouseEvent*>(event)->button() != Qt::LeftButton) {
          return QItemSelectionModel::NoUpdate;
        }
        break;
      case QEvent::MouseMove:
        if (!(static_cast<const QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
          return QItemSelectionModel::NoUpdate;
        }
        break;
      default: break;
    }
  }
  // Nothing to select (a click below the rows) keeps the selection as it is.
  if (!index.isValid()) return QItemSelectionModel::NoUpdate;
  const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
  // Ctrl+click and Ctrl+Space would deselect the selected row: they keep it instead.
  if (command.testFlag(QItemSelectionModel::Deselect) ||
      command.testFlag(QItemSelectionModel::Toggle)) {
    return QItemSelectionModel::NoUpdate;
  }
  return command;
}

void TListBox::mousePressEvent(QMouseEvent* event) {
  // Qt would move the current row and select on any button.
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  QListWidget::mousePressEvent(event);
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void TListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  QListWidget::mouseReleaseEvent(event);
  emit Click();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
  const int before = ItemIndex();
  QListWidget::keyPressEvent(event);
  if (ItemIndex() != before) emit Click();
}

}  // namespace tegulo
