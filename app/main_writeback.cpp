// The write-back side of the main window: importing pictures into the ROM, undoing imports,
// saving the ROM and patches, the question before a modified ROM is dropped, file drops.
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <exception>

#include "MainUnit.h"
#include "image_button.h"
#include "image_view.h"
#include "io/safe_write.h"
#include "list_box.h"
#include "qt_text.h"
#include "rom/dropped_file.h"
#include "rom/import_checks.h"
#include "rom/write_back.h"
#include "rom_import.h"
#include "status_bar.h"

namespace tegulo {

namespace {

const QString kPictureFilter = QStringLiteral("PNG Image (*.png)|*.png|ALL (*.*)|*.*");
const QString kPatchFilter = QStringLiteral("IPS Patch|*.ips|BPS Patch|*.bps");

QString FromLocalPath(const std::string& path) { return QFile::decodeName(path.c_str()); }

}  // namespace

void TfmMain::aImportImageClick() {
  if (!RomOpen || CurEntry == nullptr) return;
  const std::optional<QString> name = Execute(
      {TFileDialog::TKind::Open, kPictureFilter, QStringLiteral("png")}, TFileKind::Picture);
  if (!name) return;
  ImportImage(*name);
}

void TfmMain::ImportImage(const QString& FileName) {
  if (!RomOpen || CurEntry == nullptr) return;
  // The import works on a copy: a refusal leaves RomData, the entry and the view alone.
  const std::string path = LocalPath(FileName);
  TColourMatch match = TColourMatch::kConsole;
  std::vector<std::uint8_t> image;
  try {
    try {
      image = ImportedRom(path, match);
    } catch (const TColoursNotInPalette& misfit) {
      // Colours the palette lacks even at the console's precision: the nearest ones are
      // offered, with what they change, before anything is written.
      match = TColourMatch::kNearest;
      TColourMatchReport report;
      std::exception_ptr failure;
      try {
        image = ImportedRom(path, match, &report);
      } catch (...) {
        failure = std::current_exception();
      }
      if (!prompts_->Confirm(QString::fromStdString(NearestMatchQuestion(misfit.what(), report))))
        return;
      if (failure) std::rethrow_exception(failure);
    }
  } catch (const TStreamDoesNotFit& tooLong) {
    const TPixelImage picture =
        ReadImportPicture(*CurEntry, LocalPath(FileName), BackgroundColour(), match);
    OfferRelocation(*CurEntry, picture, tooLong.newSize, tooLong.oldSize, "Import");
    return;
  }
  ApplyImport(std::move(image));
}

void TfmMain::ApplyImport(std::vector<std::uint8_t> image, const char* stepName) {
  TRomChange change = DiffRom(RomData, image);
  if (change.replaced.empty() && image.size() == RomData.size()) {
    ShowStatus(QString::fromUtf8(kImportUnchangedText.data(),
                                 static_cast<qsizetype>(kImportUnchangedText.size())));
    return;
  }
  RomData = std::move(image);
  change.name = stepName;
  RomHistory.Push(std::move(change));
  UpdateCaption();
  RefreshEntry();
  Redraw();
  ShowEditStatus();  // no earlier note stays
}

void TfmMain::aUndoImportClick() {
  if (!RomHistory.CanUndo()) return;
  MoveEntriesOfStep(RomHistory.UndoStep(), false);    // main_relocate.cpp
  ListAdditionsOfStep(RomHistory.UndoStep(), false);  // main_locate.cpp
  RomHistory.Undo(RomData);
  UpdateCaption();
  if (CurEntry == nullptr) return;
  RefreshEntry();
  Redraw();
}

void TfmMain::aSaveRomAsClick() {
  if (RomOpen) SaveRomAs();
}

bool TfmMain::SaveRomAs() {
  const QString ext = QFileInfo(RomFileName).suffix();
  const QString filter =
      ext.isEmpty() ? QStringLiteral("ALL|*.*") : QStringLiteral("ROM Image|*.%1|ALL|*.*").arg(ext);
  const QString suggested = FromLocalPath(EditedRomName(LocalPath(RomFileName)));
  const std::optional<UserPrompts::TSaveAs> choice = prompts_->SaveFileAs(filter, ext, suggested);
  if (!choice) return false;
  WriteFileAtomically(LocalPath(choice->path), RomData);
  // The window now holds the file just written.
  RomFileName = choice->path;
  RomHistory.MarkSaved();
  UpdateCaption();
  return true;
}

void TfmMain::aSavePatchAsClick() {
  if (!RomOpen || !RomHistory.CanUndo()) return;
  const QFileInfo rom(RomFileName);
  const QString suggested = rom.dir().filePath(rom.completeBaseName() + QStringLiteral(".ips"));
  const std::optional<UserPrompts::TSaveAs> choice =
      prompts_->SaveFileAs(kPatchFilter, QString(), suggested);
  if (!choice) return;
  // The patch applies to the ROM as it was opened.
  const TPatchFormat format = choice->filterIndex == 1 ? TPatchFormat::Bps : TPatchFormat::Ips;
  const std::vector<std::uint8_t> original = RomHistory.Original(RomData);
  WriteFileAtomically(LocalPath(choice->path), MakeRomPatch(format, original, RomData));
}

bool TfmMain::ConfirmRomChanges() {
  if (!RomHistory.Modified()) return true;
  switch (prompts_->AskSaveChanges(QStringLiteral("Save changes to the ROM?"))) {
    case UserPrompts::TSaveChanges::Save: return SaveRomAs();
    case UserPrompts::TSaveChanges::Discard: return true;
    case UserPrompts::TSaveChanges::Cancel: return false;
  }
  return false;
}

void TfmMain::closeEvent(QCloseEvent* event) {
  bool close = false;
  // A failed save keeps the window open.
  Guard([&] { close = ConfirmRomChanges() && ConfirmDocumentChanges(); });
  if (close) {
    QMainWindow::closeEvent(event);
  } else {
    event->ignore();
  }
}

TfmMain::TDrop TfmMain::DropAt(const QMimeData* mime, QPoint pos, QString* fileName) const {
  if (mime == nullptr || !mime->hasUrls()) return TDrop::None;
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return TDrop::None;
  const QString name = urls.front().toLocalFile();
  TDrop kind = TDrop::Rom;
  switch (ClassifyDroppedFile(LocalPath(name))) {
    case TDroppedFile::Picture: {
      const bool overView = Image->rect().contains(Image->mapFrom(this, pos));
      kind = overView && aImportImage->isEnabled() ? TDrop::Picture : TDrop::None;
      break;
    }
    case TDroppedFile::Document:
      kind = bLoad->isEnabled() ? TDrop::Document : TDrop::None;  // as the button allows
      break;
    case TDroppedFile::Palette: kind = TDrop::Palette; break;
    case TDroppedFile::Foreign: kind = TDrop::Foreign; break;  // refused with a message
    case TDroppedFile::Rom: break;
  }
  if (fileName != nullptr) *fileName = name;
  return kind;
}

void TfmMain::dragEnterEvent(QDragEnterEvent* event) {
  // The picture's place is checked as the drag moves; any usable file may enter.
  if (DropAt(event->mimeData(), event->position().toPoint(), nullptr) != TDrop::None ||
      (event->mimeData()->hasUrls() && event->mimeData()->urls().size() == 1)) {
    event->acceptProposedAction();
  }
}

void TfmMain::dragMoveEvent(QDragMoveEvent* event) {
  if (DropAt(event->mimeData(), event->position().toPoint(), nullptr) != TDrop::None) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TfmMain::dropEvent(QDropEvent* event) {
  QString name;
  const TDrop kind = DropAt(event->mimeData(), event->position().toPoint(), &name);
  if (kind == TDrop::None) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  Guard([&] {
    switch (kind) {
      case TDrop::Picture: ImportImage(name); break;
      case TDrop::Rom: LoadROM(name); break;
      case TDrop::Document: LoadDocumentFile(name); break;
      case TDrop::Palette:
        // With Shift held a save state opens as a scene; without, it gives its palette.
        if (event->modifiers() & Qt::ShiftModifier) {
          OpenScene(name);
        } else {
          ImportPaletteFile(name, 0);
        }
        break;
      case TDrop::Foreign: {
        std::string what;
        ClassifyDroppedFile(LocalPath(name), &what);
        throw TError(ForeignFileText(LocalPath(name), what));
      }
      case TDrop::None: break;
    }
  });
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == Panel2 && type == QEvent::Resize) FlowToolbar();  // toolbar_flow.cpp
  if (type == QEvent::ShortcutOverride && IsWindowShortcut(*static_cast<QKeyEvent*>(event))) {
    event->ignore();  // not the edit's: the window's shortcut runs
    return true;
  }
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);  // the base of the drag events
  const QMimeData* mime = drop->mimeData();
  if (mime == nullptr || !mime->hasUrls()) return false;  // text drops stay the edit's
  auto* edit = qobject_cast<QWidget*>(watched);
  if (edit == nullptr) return false;
  const QPoint pos = edit->mapTo(this, drop->position().toPoint());
  if (DropAt(mime, pos, nullptr) == TDrop::None) {
    drop->ignore();
    return true;
  }
  if (type == QEvent::Drop) {
    QDropEvent moved(QPointF(pos), drop->possibleActions(), mime, drop->buttons(),
                     drop->modifiers());
    dropEvent(&moved);
  }
  drop->acceptProposedAction();
  return true;
}

}  // namespace tegulo
