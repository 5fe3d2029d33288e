// The folder each kind of file dialog last used during the run.
#include "dialog_folders.h"

#include <QFileInfo>

namespace tegulo {

void TDialogFolders::Remember(TFileKind kind, const QString& path) {
  if (path.isEmpty()) return;
  folders_[static_cast<std::size_t>(kind)] = QFileInfo(path).absolutePath();
}

}  // namespace tegulo
