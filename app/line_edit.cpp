// TEdit: a one-line edit whose key-press handler sees each typed character first.
#include "line_edit.h"

#include <QKeyEvent>

namespace tegulo {

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

void TEdit::keyPressEvent(QKeyEvent* event) {
  if (!OnKeyPress) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const QString text = event->text();
  if (!enter && text.size() != 1) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const QChar typed = enter ? QChar(13) : text.front();
  QChar key = typed;
  OnKeyPress(key);
  if (key == typed) {
    QLineEdit::keyPressEvent(event);
  } else if (key.isNull()) {
    event->accept();
  } else {
    insert(QString(key));
    event->accept();
  }
}

}  // namespace tegulo
