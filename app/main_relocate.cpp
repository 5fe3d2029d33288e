// The relocation side of the main window: the offer when an imported picture's stream has
// grown (free space or an address, asked before writing), the list's "Find Pointers to This
// Entry", and Undo of the entry addresses a relocation moved.
#include <algorithm>

#include "MainUnit.h"
#include "base/numbers.h"
#include "line_edit.h"
#include "qt_text.h"
#include "rom/rom_edits.h"
#include "rom_import.h"
#include "rom_relocate.h"

namespace tegulo {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void TfmMain::OfferRelocation(const QString& FileName, std::size_t newSize, std::size_t oldSize,
                              TColourMatch match) {
  const QString where = Text(FormatAddress(CurEntry->Address));
  const QString offer =
      QStringLiteral(
          "The new stream is %1 bytes; the old one at %2 holds %3: it does not fit.\n"
          "It can go to free space, with every pointer to %2 rewritten.")
          .arg(newSize)
          .arg(where)
          .arg(oldSize);
  std::optional<std::int64_t> address;
  switch (prompts_->AskRelocate(offer)) {
    case UserPrompts::TRelocateAnswer::Cancel: return;
    case UserPrompts::TRelocateAnswer::FreeSpace: break;
    case UserPrompts::TRelocateAnswer::ChooseAddress: {
      const std::optional<QString> typed =
          prompts_->AskText(QStringLiteral("Choose Address"),
                            QStringLiteral("Address of the free space for the stream:"), QString());
      if (!typed) return;
      address = ParseInt(typed->trimmed().toStdString());
      break;
    }
  }
  const TPixelImage picture =
      ReadImportPicture(*CurEntry, LocalPath(FileName), BackgroundColour(), match);
  const TRelocateResult r = RelocatePicture(RomData, *CurEntry, picture, address);
  if (r.relocation && !prompts_->Confirm(Text(RelocationQuestion(RomData, r)))) return;

  const std::int32_t from = CurEntry->Address;
  const std::int32_t to = r.writeBack.entry.Address;
  ApplyImport(r.writeBack.rom);
  if (to == from) return;
  // Every entry that showed the old stream shows the new one, and Undo moves them back.
  for (const auto& entry : Entries) {
    if (entry->Compression != 0 && entry->Address == from) {
      entry->Address = to;
      EntryMoves.push_back({RomHistory.Depth(), entry.get(), from});
    }
  }
  eAddress->setText(Text(FormatAddress(CurEntry->Address)));
  RefreshEntry();
  Redraw();
}

void TfmMain::UndoEntryMoves() {
  bool moved = false;
  while (!EntryMoves.empty() && EntryMoves.back().depth == RomHistory.Depth()) {
    const TEntryMove m = EntryMoves.back();
    EntryMoves.pop_back();
    // An entry removed since has nothing to take back.
    const bool alive = std::any_of(Entries.begin(), Entries.end(),
                                   [&](const auto& e) { return e.get() == m.entry; });
    if (alive) {
      m.entry->Address = m.from;
      moved = true;
    }
  }
  if (moved && CurEntry != nullptr) eAddress->setText(Text(FormatAddress(CurEntry->Address)));
}

void TfmMain::aFindPointersClick() {
  if (!RomOpen || CurEntry == nullptr) return;
  const QString where = Text(FormatAddress(CurEntry->Address));
  std::vector<QStringList> rows;
  for (const std::vector<std::string>& row : PointerRows(RomData, CurEntry->Address)) {
    QStringList cells;
    for (const std::string& cell : row) cells.push_back(Text(cell));
    rows.push_back(cells);
  }
  if (rows.empty()) {
    prompts_->ShowMessage(QStringLiteral("No pointer to %1 was found.").arg(where));
    return;
  }
  prompts_->ShowTable(QStringLiteral("%1 pointers to %2:").arg(rows.size()).arg(where),
                      {QStringLiteral("Address"), QStringLiteral("Form"), QStringLiteral("Value")},
                      rows);
}

}  // namespace tegulo
