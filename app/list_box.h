// TListBox: a single-selection list box that reports the user's selections only.
#pragma once

#include <QListWidget>

namespace tegulo {

// Click() comes when the user selects with the left mouse button (on release) or with the
// keyboard (once per key that changes the selected row); the program's SetItemIndex raises
// nothing. Only the left button and the keyboard select: other buttons change neither the
// selection nor the current row, so they stay free for a context menu. Once a row is
// selected, no click or key leaves the list without a selection (Ctrl+click and Ctrl+Space
// on the selected row and clicks below the last row keep it). Rows are 13 pixels high.
class TListBox : public QListWidget {
  Q_OBJECT
public:
  static constexpr int kRowHeight = 13;

  explicit TListBox(QWidget* parent = nullptr);

  int ItemIndex() const;  // the selected row, -1 when none is
  void SetItemIndex(int row);
  void AddItem(const QString& text);
  void SetItemText(int row, const QString& text);  // keeps the selection
  void DeleteItem(int row);

signals:
  void Click();

protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tegulo
