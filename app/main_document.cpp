// The main window's safeguards: the question before a changed document is dropped, the view
// after a ROM opens, palette files by name, window shortcuts inside edits, the import
// action's reason, and the folder each kind of file dialog starts in.
#include <QAction>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>

#include "MainUnit.h"
#include "image_view.h"
#include "palette/palette.h"
#include "palette/palette_import.h"
#include "palette_grid.h"
#include "qt_text.h"
#include "rom/import_checks.h"
#include "status_bar.h"
#include "tiles/uTiles.h"

namespace tegulo {

namespace {

// The editing keys an edit keeps for itself even where the window has a shortcut.
constexpr QKeySequence::StandardKey kEditingKeys[] = {QKeySequence::Undo,  QKeySequence::Redo,
                                                      QKeySequence::Copy,  QKeySequence::Cut,
                                                      QKeySequence::Paste, QKeySequence::SelectAll};

}  // namespace

std::vector<TTileEntry> TfmMain::DocumentRecords() const {
  std::vector<TTileEntry> records;
  records.reserve(Entries.size());
  for (const auto& entry : Entries) records.push_back(*entry);
  return records;
}

bool TfmMain::ConfirmDocumentChanges() {
  if (!DocBaseline.Changed(DocumentRecords())) return true;
  switch (prompts_->AskSaveChanges(QStringLiteral("Save changes to the document?"))) {
    case UserPrompts::TSaveChanges::Save: return SaveDocumentAs();
    case UserPrompts::TSaveChanges::Discard: return true;
    case UserPrompts::TSaveChanges::Cancel: return false;
  }
  return false;
}

void TfmMain::ShowOpenedRom() {
  // Nothing drawn from the previous ROM may stay on screen.
  if (CurEntry != nullptr) {
    RefreshEntry();
    if (CurEntry->Template != kTemplateNone) {
      DrawTiles();
      return;
    }
  } else {
    sBar->SetPanelText(0, QStringLiteral("#Tiles:"));
    sBar->SetPanelText(1, QStringLiteral("Raw Size:"));
    sBar->SetPanelText(2, QStringLiteral("Compressed Size:"));
    sBar->Panel(0)->setToolTip(QString());
  }
  Image->SetPicture(nullptr, 1);
}

void TfmMain::ImportPaletteFile(const QString& FileName, int FilterRow) {
  // The file's content says how it is read; the row says only which half of a GBA palette.
  TPaletteReadNote note;
  const TPalette imported = ReadPaletteFile(LocalPath(FileName), PaletteImportHalf(FilterRow),
                                            TPaletteFileRule::AnySource, &note);
  ApplyImportedPalette(ViewPalette, CurEntry, imported);
  // A file of no known kind is still read, by the ZSNES rule; the user is told so.
  ShowStatus(note.zsnesFallback ? QString::fromStdString(ZsnesFallbackText(
                                      QFileInfo(FileName).fileName().toStdString(), note.colours))
                                : QString());
  gPal->update();
  if (CurEntry != nullptr) Redraw();
}

bool TfmMain::IsWindowShortcut(const QKeyEvent& key) const {
  for (const QKeySequence::StandardKey editing : kEditingKeys) {
    if (key.matches(editing)) return false;
  }
  const QKeySequence pressed(key.keyCombination());
  for (const QAction* action : actions()) {
    if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == pressed) {
      return true;
    }
  }
  return false;
}

void TfmMain::UpdateImportAction() {
  const std::optional<std::string> reason = ImportUnavailableReason(RomOpen, CurEntry);
  aImportImage->setEnabled(!reason);
  aImportImage->setToolTip(
      reason ? QString::fromStdString(*reason)
             : QStringLiteral("Put a PNG picture into the ROM where the current entry shows it"));
}

std::optional<QString> TfmMain::Execute(const TFileDialog& dialog, TFileKind kind,
                                        const QString& name) {
  prompts_->StartNextIn(Folders.Folder(kind), name);
  std::optional<QString> chosen = Execute(dialog);
  if (chosen) Folders.Remember(kind, *chosen);
  return chosen;
}

}  // namespace tegulo
