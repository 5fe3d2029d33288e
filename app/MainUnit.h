// The main window.
#pragma once

#include <QMainWindow>

namespace tegulo {

class TfmMain : public QMainWindow {
  Q_OBJECT
public:
  explicit TfmMain(QWidget* parent = nullptr);
};

}  // namespace tegulo
