// The main window.
#include "MainUnit.h"

namespace tegulo {

TfmMain::TfmMain(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Tegulo");
  resize(970, 527);
}

}  // namespace tegulo
