// Program entry: the application, the one main window with Qt's dialogs, the event loop.
#include <QApplication>
#include <memory>

#include "MainUnit.h"
#include "qt_user_prompts.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tegulo::TfmMain fmMain(std::make_unique<tegulo::QtUserPrompts>());
  fmMain.show();
  return app.exec();
}
