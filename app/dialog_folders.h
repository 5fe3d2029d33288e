// The folder each kind of file dialog last used during the run (nothing is kept on disk).
#pragma once

#include <QString>
#include <array>

namespace tegulo {

// The kinds of file the window's dialogs ask for; each remembers its own folder.
enum class TFileKind { Rom, Document, Picture, Palette };

class TDialogFolders {
public:
  // The folder of the last file chosen for `kind`; empty before the first.
  QString Folder(TFileKind kind) const { return folders_[static_cast<std::size_t>(kind)]; }
  // Takes the folder of `path` (a file chosen in a dialog, which need not exist).
  void Remember(TFileKind kind, const QString& path);

private:
  std::array<QString, 4> folders_;
};

}  // namespace tegulo
