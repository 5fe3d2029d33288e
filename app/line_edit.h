// TEdit: a one-line edit whose key-press handler sees each typed character first.
#pragma once

#include <QLineEdit>
#include <functional>

namespace tegulo {

// OnKeyPress runs before a typed character (Enter as character 13) is inserted; setting
// the character to null swallows it, another character is inserted in its place.
// textChanged is the change event.
class TEdit : public QLineEdit {
  Q_OBJECT
public:
  explicit TEdit(QWidget* parent = nullptr);

  std::function<void(QChar& key)> OnKeyPress;

protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tegulo
