// TListBox: a single-selection list box that reports the user's selections only.
#pragma once

#include <QListWidget>

namespace tegulo {

// Click() comes when the user selects with the mouse (on release) or the keyboard; the
// program's SetItemIndex raises nothing. Rows are 13 pixels high.
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
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tegulo
