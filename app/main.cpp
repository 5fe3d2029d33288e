// Program entry: the application, the one main window with Qt's dialogs, the event loop.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "MainUnit.h"
#include "base/version.h"
#include "io/signals.h"
#include "pictures.h"
#include "qt_user_prompts.h"

int main(int argc, char* argv[]) {
  tegulo::IgnoreFileSizeSignal();
  // The window takes no arguments; "--version" alone is answered for packaging tools and
  // people, without starting the window.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("tegulo %s\n", tegulo::kVersion);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationVersion(QString::fromLatin1(tegulo::kVersion));
  QApplication::setWindowIcon(tegulo::AppIcon());
  // Ties the window to its desktop entry (and so to its icon) on Wayland.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(tegulo::kAppId));
  tegulo::TfmMain fmMain(std::make_unique<tegulo::QtUserPrompts>());
  fmMain.show();
  return app.exec();
}
