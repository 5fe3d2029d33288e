// Find in ROM: the pieces of the scene in the view looked for in the open ROM, with progress
// and Cancel, and added to the list as entries and screens.
#include <QCoreApplication>
#include <QProgressDialog>

#include "MainUnit.h"
#include "list_box.h"
#include "locate/locate.h"
#include "locate/locate_doc.h"

namespace tegulo {

void TfmMain::aFindInRomClick() {
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
  QString text = QStringLiteral(
                     "Find in ROM: %1 of %2 pieces found whole; added %3 entries, "
                     "%4 screens")
                     .arg(whole)
                     .arg(searched)
                     .arg(doc.entries.size())
                     .arg(doc.screens.size());
  if (stopped) text += QStringLiteral(" (stopped: what was found so far)");
  if (!doc.entries.empty()) {
    lbList->SetItemIndex(first);
    lbListClick();
  }
  ShowStatus(text);
}

}  // namespace tegulo
