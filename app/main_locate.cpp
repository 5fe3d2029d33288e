// Find in ROM: the pieces of the scene in the view (of every shown layer, or of the layer under
// the pointer) looked for in the open ROM, with progress and Cancel, and added to the list as
// entries and screens in one step that Undo takes back and Redo makes again.
#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>

#include "MainUnit.h"
#include "image_view.h"
#include "list_box.h"
#include "locate/locate.h"
#include "locate/locate_doc.h"

namespace tegulo {

void TfmMain::aFindInRomClick() { FindInRom(-1); }

void TfmMain::FindInRom(int layer) {
  if (Scene == nullptr) return;
  if (!RomOpen || RomData.empty()) {
    ShowStatus(QStringLiteral("Find in ROM looks in the open ROM: open one first"));
    return;
  }
  QProgressDialog progress(QStringLiteral("Finding the scene's pieces in the ROM…"),
                           QStringLiteral("Cancel"), 0, 1000, this);
  progress.setObjectName(QStringLiteral("FindInRomProgress"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(400);
  TLocateOptions options;
  if (layer >= 0) options.layers = 1u << layer;
  options.progress = [&progress](std::size_t done, std::size_t total) {
    progress.setValue(total == 0 ? 0 : static_cast<int>(done * 1000 / total));
    QCoreApplication::processEvents();
    return !progress.wasCanceled();
  };
  const std::vector<TPartFound> found = LocateScene(RomData, *Scene, options);
  const bool stopped = progress.wasCanceled();
  progress.close();

  std::size_t whole = 0, searched = 0;
  for (const TPartFound& f : found) {
    if (f.uniform) continue;
    ++searched;
    if (f.Whole()) ++whole;
  }
  TLocatedDocument doc = LocatedDocument(found, *Scene);
  const int first = lbList->count();
  std::vector<const TTileEntry*> added;
  for (const TTileEntry& e : doc.entries) {
    auto entry = std::make_unique<TTileEntry>(e);
    added.push_back(entry.get());
    AppendEntry(std::move(entry));
  }
  for (const TSavedScreen& s : doc.screens) {
    if (s.index >= 0 && static_cast<std::size_t>(s.index) < added.size()) {
      Screens[added[static_cast<std::size_t>(s.index)]] = s.screen;
    }
  }
  const QString what =
      layer < 0 ? QStringLiteral("Find in ROM")
                : QStringLiteral("Find %1 in ROM")
                      .arg(QString::fromStdString(SceneLayerName(Scene->console, layer)));
  QString text = QStringLiteral("%1: %2 of %3 pieces found whole; added %4 entries, %5 screens")
                     .arg(what)
                     .arg(whole)
                     .arg(searched)
                     .arg(doc.entries.size())
                     .arg(doc.screens.size());
  if (stopped) text += QStringLiteral(" (stopped: what was found so far)");
  if (!added.empty()) {
    // One step of the history: Undo takes the additions away again.
    TRomChange step;
    step.oldSize = RomData.size();
    step.listOnly = true;
    step.name = "Find in ROM";
    RomHistory.Push(std::move(step));
    ListAdditions.push_back({RomHistory.UndoStep()->serial, added, {}, {}});
    UpdateCaption();
    lbList->SetItemIndex(first);
    lbListClick();
  }
  ShowStatus(text);
  UpdateActions();
}

void TfmMain::ForgetListAddition(const TTileEntry* entry) {
  for (TListAddition& a : ListAdditions) std::erase(a.entries, entry);
}

void TfmMain::ListAdditionsOfStep(const TRomChange* step, bool forward) {
  if (step == nullptr || !step->listOnly) return;
  const auto record =
      std::find_if(ListAdditions.begin(), ListAdditions.end(),
                   [&](const TListAddition& a) { return a.serial == step->serial; });
  if (record == ListAdditions.end()) return;
  if (forward) {
    const int first = lbList->count();
    for (auto& entry : record->held) {
      if (const auto screen = record->heldScreens.find(entry.get());
          screen != record->heldScreens.end()) {
        Screens[entry.get()] = screen->second;
      }
      AppendEntry(std::move(entry));
    }
    const bool any = !record->held.empty();
    record->held.clear();
    record->heldScreens.clear();
    if (any) {
      lbList->SetItemIndex(first);
      lbListClick();
    }
    return;
  }
  // Back: the added entries still in the list leave it (a removed one stays removed).
  bool current = false;
  for (const TTileEntry* entry : record->entries) {
    const int index = RowOf(entry);
    if (index < 0) continue;
    if (entry == CurEntry) {
      current = true;
      CurEntry = nullptr;
    }
    if (const auto screen = Screens.find(entry); screen != Screens.end()) {
      record->heldScreens[entry] = screen->second;
    }
    ForgetScreen(entry);
    lbList->DeleteItem(index);
    record->held.push_back(std::move(Entries[static_cast<std::size_t>(index)]));
    Entries.erase(Entries.begin() + index);
  }
  if (!current) return;
  if (lbList->count() == 0) {
    lbList->SetItemIndex(-1);
    Image->SetPicture(nullptr, 1);
    return;
  }
  lbList->SetItemIndex(lbList->count() - 1);
  lbListClick();
}

}  // namespace tegulo
