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

std::optional<TRelocateOptions> TfmMain::AskStreamPlace(const std::string& why) {
  const QString offer = Text(why) + QStringLiteral(
                                        ".\nIt can go to free space, with every pointer to it "
                                        "rewritten.");
  TRelocateOptions o;
  o.layout = DetectLayout(RomData);
  if (!o.layout.note.empty()) throw TError(why + "; cannot move the stream: " + o.layout.note);
  switch (prompts_->AskRelocate(offer)) {
    case UserPrompts::TRelocateAnswer::Cancel: return std::nullopt;
    case UserPrompts::TRelocateAnswer::FreeSpace: break;
    case UserPrompts::TRelocateAnswer::ChooseAddress: {
      const std::optional<QString> typed =
          prompts_->AskText(QStringLiteral("Choose Address"),
                            QStringLiteral("Address of the free space for the stream:"), QString());
      if (!typed) return std::nullopt;
      o.address = ParseInt(typed->trimmed().toStdString());
      break;
    }
  }
  return o;
}

bool TfmMain::OfferRelocation(const TTileEntry& band, const TPixelImage& picture,
                              std::size_t newSize, std::size_t oldSize, const char* stepName) {
  const QString where = Text(FormatAddress(band.Address));
  const QString offer =
      QStringLiteral(
          "The new stream is %1 bytes; the old one at %2 holds %3: it does not fit.\n"
          "It can go to free space, with every pointer to %2 rewritten.")
          .arg(newSize)
          .arg(where)
          .arg(oldSize);
  std::optional<std::int64_t> address;
  switch (prompts_->AskRelocate(offer)) {
    case UserPrompts::TRelocateAnswer::Cancel: return false;
    case UserPrompts::TRelocateAnswer::FreeSpace: break;
    case UserPrompts::TRelocateAnswer::ChooseAddress: {
      const std::optional<QString> typed =
          prompts_->AskText(QStringLiteral("Choose Address"),
                            QStringLiteral("Address of the free space for the stream:"), QString());
      if (!typed) return false;
      address = ParseInt(typed->trimmed().toStdString());
      break;
    }
  }
  const TRelocateResult r = RelocatePicture(RomData, band, picture, address);
  if (r.relocation && !prompts_->Confirm(Text(RelocationQuestion(RomData, r)))) return false;

  const std::int32_t from = band.Address;
  const std::int32_t to = r.writeBack.entry.Address;
  // Every entry that showed the old stream shows the new one. They move before the new image
  // is shown, so that none is unpacked at the place the stream has left.
  std::vector<TEntryMove> moves;
  for (const auto& entry : Entries) {
    if (to != from && entry->Compression != 0 && entry->Address == from) {
      entry->Address = to;
      moves.push_back({0, entry.get(), from, to, false});
    }
  }
  // So does every screen whose packed map was the stream.
  for (auto& [entry, screen] : Screens) {
    if (to != from && screen.mapCompression != 0 && screen.mapAddress == from) {
      screen.mapAddress = to;
      moves.push_back({0, entry, from, to, true});
    }
  }
  const std::size_t depth = RomHistory.Depth();
  ApplyImport(r.writeBack.rom, stepName);
  if (RomHistory.Depth() == depth) {  // nothing was pushed: nothing moved either
    for (TEntryMove& m : moves) EntryMoves.push_back(m);  // serial 0 names no step
    MoveEntriesOfStep(nullptr, false);
    return false;
  }
  // Undo and Redo move them with the step's bytes.
  for (TEntryMove& m : moves) {
    m.serial = RomHistory.UndoStep()->serial;
    EntryMoves.push_back(m);
  }
  eAddress->setText(Text(FormatAddress(CurEntry->Address)));
  return true;
}

void TfmMain::MoveEntriesOfStep(const TRomChange* step, bool forward) {
  // A null step: the moves not yet given a step (serial 0), taken back and forgotten.
  const std::uint64_t serial = step != nullptr ? step->serial : 0;
  bool moved = false;
  for (const TEntryMove& m : EntryMoves) {
    if (m.serial != serial) continue;
    const std::int32_t address = forward ? m.to : m.from;
    // An entry removed since (or no longer a screen) has nothing to take back.
    const auto alive = std::find_if(Entries.begin(), Entries.end(),
                                    [&](const auto& e) { return e.get() == m.entry; });
    if (alive == Entries.end()) continue;
    if (!m.map) {
      (*alive)->Address = address;
    } else if (const auto screen = Screens.find(m.entry); screen != Screens.end()) {
      screen->second.mapAddress = address;
    }
    moved = true;
  }
  if (serial == 0) {
    EntryMoves.erase(std::remove_if(EntryMoves.begin(), EntryMoves.end(),
                                    [](const TEntryMove& m) { return m.serial == 0; }),
                     EntryMoves.end());
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
