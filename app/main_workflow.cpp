// The entry workflow of the main window: the ROM, the entry list, the document, and
// writing control changes back into the current entry.
#include "MainUnit.h"
#include "base/numbers.h"
#include "choice_box.h"
#include "entries/document.h"
#include "image_button.h"
#include "image_view.h"
#include "io/file_set.h"
#include "io/paths.h"
#include "line_edit.h"
#include "list_box.h"
#include "palette/entry_template.h"
#include "qt_text.h"
#include "rom/rom_file.h"
#include "spin_edit.h"

namespace tegulo {

namespace {

const QString kDocumentFilter = QStringLiteral("Tegulo (*.tgl)|*.tgl|ALL (*.*)|*.*");

QString Address(std::int32_t value) { return QString::fromStdString(FormatAddress(value)); }

}  // namespace

void TfmMain::bOpenROMClick() {
  // Document loading gives the same dialog a filter of its own.
  OpenDialog.Filter = QStringLiteral(
      "SNES/GBA ROM|*.smc; *.sfc; *.gba|SNES ROM|*.smc; *.sfc|GBA ROM|*.gba|ALL|*.*");
  const std::optional<QString> name = Execute(OpenDialog, TFileKind::Rom);
  if (!name) return;
  LoadROM(*name);
}

void TfmMain::LoadROM(const QString& FileName) {
  // A set of files a killed writer left half renamed in that folder is mended first.
  RecoverFileSets(DirectoryOf(LocalPath(FileName)));
  // The name, the title and the image change together, only once the file was read whole:
  // a file that cannot be opened or read leaves the window as it was.
  std::vector<std::uint8_t> bytes = ReadRomFile(LocalPath(FileName));
  // Imports into the ROM held now are saved or given up first; cancelling keeps it.
  if (!ConfirmRomChanges()) return;
  RomFileName = FileName;
  RomData = std::move(bytes);
  RomHistory.Reset();
  EntryMoves.clear();
  RomOpen = true;
  UpdateCaption();
  ShowEditStatus();  // what an action said was about the previous ROM
  for (QWidget* w : std::initializer_list<QWidget*>{bNew, bLoad, bSave, ePalAddress, bLoadPalROM,
                                                    eAddress, bAddAddress, bDelAddress}) {
    w->setEnabled(true);
  }
  ShowOpenedRom();
}

void TfmMain::UpdateCaption() {
  // A ROM with imports not yet saved shows a "*" before its path.
  const QString rom = (RomHistory.Modified() ? QStringLiteral("*") : QString()) + RomFileName;
  setWindowTitle(QStringLiteral("Tegulo:> %1  <:>  %2").arg(DocFileName, rom));
}

void TfmMain::lbListClick() {
  const int index = lbList->ItemIndex();
  bExport->setEnabled(index >= 0);
  if (index < 0) return;
  if (CurEntry != EntryOf(index)) Image->SetPan({});  // a new entry is shown from its top-left
  CurEntry = EntryOf(index);
  Updating = true;
  seWidth->SetValue(CurEntry->Width);
  seHeight->SetValue(CurEntry->Height);
  seOffset->SetValue(CurEntry->Offset);
  eName->setText(FromLatin1(GetName(*CurEntry)));
  eName->setCursorPosition(0);  // a long name shows from its start
  eAddress->setText(Address(CurEntry->Address));
  ePalAddress->setText(Address(CurEntry->PalAddress));
  sePalNum->SetValue(CurEntry->PalCount);
  SetTemplateControls(cbTemplate->IndexOfNumber(CurEntry->Template));
  cbCompression->SetItemIndex(CurEntry->Compression < cbCompression->count() ? CurEntry->Compression
                                                                             : -1);
  RefreshEntry();
  Updating = false;
  Redraw();
}

void TfmMain::SetTemplateControls(int Index) {
  Updating = true;
  cbTemplate->setEnabled(true);
  cbTemplate->SetItemIndex(Index);
  cbCompression->setEnabled(true);
  for (TSpinEdit* edit : {seZoom, seWidth, seHeight, seOffset}) edit->setEnabled(Index >= 0);
  Updating = false;
}

void TfmMain::ValueChange(QObject* Sender) {
  if (Updating || CurEntry == nullptr) return;
  if (Sender == cbTemplate) {
    SetTemplateControls(cbTemplate->ItemIndex());
    ApplyTemplate(*CurEntry, cbTemplate->ItemNumber(cbTemplate->ItemIndex()));
    sePalNum->SetValue(CurEntry->PalCount);
  } else {
    CurEntry->Width = seWidth->Value();
    CurEntry->Height = seHeight->Value();
    CurEntry->Offset = seOffset->Value();
    SetName(*CurEntry, ToLatin1(eName->text()));
    lbList->SetItemText(RowOf(CurEntry), FromLatin1(GetName(*CurEntry)));
    if (cbCompression->ItemIndex() >= 0) {
      CurEntry->Compression = static_cast<std::uint8_t>(cbCompression->ItemIndex());
    }
    RefreshEntry();
  }
  if (Sender != eName) Redraw();
}

void TfmMain::eAddressKeyPress(QChar& Key) {
  if (Key != QChar(13)) return;
  Key = QChar();  // no insertion and no beep
  bAddAddressClick();
}

void TfmMain::bAddAddressClick() {
  const QString text = eAddress->text();
  ParseInt(text.toStdString());  // so that the error quotes the text as typed
  AppendEntry(std::make_unique<TTileEntry>(
      NewEntry(ToLatin1(text), seWidth->Value(), seHeight->Value(), seOffset->Value())));
  lbList->SetItemIndex(lbList->count() - 1);
  lbListClick();
}

void TfmMain::bDelAddressClick() {
  const int index = lbList->ItemIndex();
  if (index < 0) return;
  CurEntry = nullptr;
  lbList->DeleteItem(index);
  ForgetScreen(Entries[static_cast<std::size_t>(index)].get());
  ForgetListAddition(Entries[static_cast<std::size_t>(index)].get());
  Entries.erase(Entries.begin() + index);
  if (lbList->count() == 0) {
    lbList->SetItemIndex(-1);
    return;
  }
  lbList->SetItemIndex(std::min(index, lbList->count() - 1));
  lbListClick();
}

void TfmMain::ClearEntries() {
  Screens.clear();
  ListAdditions.clear();
  UnreadScreens.clear();
  Entries.clear();
  lbList->clear();
}

void TfmMain::bNewClick() {
  if (!ConfirmDocumentChanges()) return;
  ClearEntries();
  CurEntry = nullptr;
  DocBaseline.Set({});
  // A new document has no file yet, and nothing of the old one stays on screen.
  DocFileName.clear();
  UpdateCaption();
  bExport->setEnabled(false);
  SetEditing(false);  // also clears the status bar's note
  ShowOpenedRom();
}

void TfmMain::bSaveClick() { SaveDocumentAs(); }

bool TfmMain::SaveDocumentAs() {
  SaveDialog.Filter = kDocumentFilter;
  const std::optional<QString> name = Execute(SaveDialog, TFileKind::Document);
  if (!name) return false;
  const std::vector<TTileEntry> records = DocumentRecords();
  if (!SaveDocumentWithScreens(LocalPath(*name), records)) return false;
  DocBaseline.Set(records);
  DocFileName = *name;  // the window now holds the document just written
  UpdateCaption();
  return true;
}

void TfmMain::bLoadClick() {
  OpenDialog.Filter = kDocumentFilter;
  const std::optional<QString> name = Execute(OpenDialog, TFileKind::Document);
  if (!name) return;
  LoadDocumentFile(*name);
}

void TfmMain::LoadDocumentFile(const QString& FileName) {
  RecoverFileSets(DirectoryOf(LocalPath(FileName)));
  // Read whole first: a document that fails to load leaves title, list and entry alone.
  const std::vector<TTileEntry> records = LoadDocument(LocalPath(FileName));
  // The list's own changes are saved or given up first; cancelling keeps it.
  if (!ConfirmDocumentChanges()) return;
  DocBaseline.Set(records);
  DocFileName = FileName;
  UpdateCaption();
  ClearEntries();
  CurEntry = nullptr;
  for (const TTileEntry& record : records) AppendEntry(std::make_unique<TTileEntry>(record));
  LoadScreensFor(LocalPath(FileName));
}

}  // namespace tegulo
