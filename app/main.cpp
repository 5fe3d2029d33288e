// Program entry: the application, the one main window, the event loop.
#include <QApplication>

#include "MainUnit.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tegulo::TfmMain fmMain;
  fmMain.show();
  return app.exec();
}
